// The matcher in four steps: names (each distinct name prepared once, compared only with the other
// side's names of its sport that share a two-letter start of a word), candidate events (the same
// sport, both teams alike, starts within the largest offset), the offset (the commonest
// half-hour-rounded difference of the surest candidates), and the assignment (within each group
// of candidates linked through shared events, the highest total score, then the lead rule). The
// names are prepared and compared on two threads (MatchOptions::workers), each name on one.
#include "compare/event_matcher.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "compare/name_similarity.h"
#include "compare/sport_names.h"

namespace lintaro::compare {

using table::OddsRecord;

namespace {

constexpr int64_t kHalfHourMs = 30 * 60'000;
constexpr double kSure = 0.95;  // both names at least this alike: a pair to learn the offset from
constexpr size_t kLargestAssignment = 300;  // bigger groups are assigned best score first
// Fewer names than this are prepared, or compared, on the calling thread alone: a thread costs
// more than the work.
constexpr size_t kNamesToShare = 256;

// Runs work(k, n) for k = 0 .. n - 1 with n = `workers` (at least 1), the first on the calling
// thread and each other on a thread of its own, and returns when all have ended; what a worker
// throws is thrown here. Where no thread can be started, the calling thread does all the work.
void ShareOut(size_t items, int workers, const std::function<void(size_t, size_t)>& work) {
    const auto n = static_cast<size_t>(std::clamp(workers, 1, 8));
    if (n == 1 || items < 2) {
        work(0, 1);
        return;
    }
    std::vector<std::thread> threads;
    std::vector<std::exception_ptr> failures(n);
    size_t started = 1;
    try {
        for (; started < n; ++started) {
            threads.emplace_back([&work, &failures, started, n] {
                try {
                    work(started, n);
                } catch (...) {
                    failures[started] = std::current_exception();
                }
            });
        }
    } catch (const std::system_error&) {
        // Fewer threads than asked: the calling thread takes the shares of those not started.
    }
    try {
        work(0, n);
        for (size_t k = started; k < n; ++k) work(k, n);
    } catch (...) {
        failures[0] = std::current_exception();
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

struct SideRows {
    std::vector<PreparedName> names;      // by name id
    std::vector<int> sport, home, guest;  // per row; -1 when the row cannot match
    std::vector<int64_t> start;
};

// A side's distinct team names, numbered in order of first appearance, before they are prepared.
struct SideTexts {
    std::unordered_map<std::string_view, int> numbers;  // a name's text (in the rows) -> number
    std::vector<std::string_view> texts;                // by number
};

int TextNumber(SideTexts& texts, const std::string& text) {
    const auto [it, added] = texts.numbers.emplace(text, static_cast<int>(texts.texts.size()));
    if (added) texts.texts.push_back(text);
    return it->second;
}

// The first pass over a side's rows: each row's sport, start and the numbers of its names' texts
// (kept in `home` and `guest` until NumberNames).
void ReadSide(std::span<const OddsRecord> rows, std::unordered_map<std::string, int>& sports,
              std::vector<std::string>& sport_keys, SideRows& side, SideTexts& texts) {
    std::unordered_map<std::string, int> sport_of_text;
    const size_t n = rows.size();
    side.sport.assign(n, -1);
    side.home.assign(n, -1);
    side.guest.assign(n, -1);
    side.start.assign(n, 0);
    for (size_t r = 0; r < n; ++r) {
        const OddsRecord& row = rows[r];
        if (!row.sport_type_name || !row.sport_event_date || !row.team_h_name || !row.team_g_name) {
            continue;
        }
        auto text_it = sport_of_text.find(*row.sport_type_name);
        if (text_it == sport_of_text.end()) {
            text_it = sport_of_text.emplace(*row.sport_type_name, -1).first;
            const std::string key = SportKey(*row.sport_type_name);
            if (!key.empty()) {
                auto [key_it, added] = sports.emplace(key, static_cast<int>(sport_keys.size()));
                if (added) sport_keys.push_back(key);
                text_it->second = key_it->second;
            }
        }
        side.home[r] = TextNumber(texts, *row.team_h_name);
        side.guest[r] = TextNumber(texts, *row.team_g_name);
        side.sport[r] = text_it->second;
        side.start[r] = row.sport_event_date->ms;
    }
}

// Prepares every distinct name of both sides, shared among `workers` threads (each name on its
// own: preparing one reads only constant tables).
std::array<std::vector<PreparedName>, 2> PrepareNames(const std::array<const SideTexts*, 2>& sides,
                                                      int workers) {
    std::array<std::vector<PreparedName>, 2> prepared;
    const size_t first_count = sides[0]->texts.size();
    const size_t count = first_count + sides[1]->texts.size();
    for (int s = 0; s < 2; ++s) prepared[s].resize(sides[s]->texts.size());
    ShareOut(count, count >= kNamesToShare ? workers : 1, [&](size_t first, size_t step) {
        for (size_t i = first; i < count; i += step) {
            const int s = i < first_count ? 0 : 1;
            const size_t k = s == 0 ? i : i - first_count;
            prepared[s][k] = PrepareName(sides[s]->texts[k]);
        }
    });
    return prepared;
}

// The second pass: a name id for every name with words (numbered in order of first appearance),
// and every row whose sport or either name cannot match left out.
void NumberNames(std::vector<PreparedName> prepared, SideRows& side) {
    std::vector<int> id_of(prepared.size(), -1);
    for (size_t k = 0; k < prepared.size(); ++k) {
        if (prepared[k].words.empty()) continue;
        id_of[k] = static_cast<int>(side.names.size());
        side.names.push_back(std::move(prepared[k]));
    }
    for (size_t r = 0; r < side.sport.size(); ++r) {
        if (side.home[r] < 0) continue;  // a row without what matching needs
        const int home = id_of[static_cast<size_t>(side.home[r])];
        const int guest = id_of[static_cast<size_t>(side.guest[r])];
        if (side.sport[r] >= 0 && home >= 0 && guest >= 0) {
            side.home[r] = home;
            side.guest[r] = guest;
            continue;
        }
        side.sport[r] = side.home[r] = side.guest[r] = -1;
        side.start[r] = 0;
    }
}

uint64_t SportName(int sport, int name) {
    return static_cast<uint64_t>(sport) << 32 | static_cast<uint32_t>(name);
}

uint64_t SportPair(int sport, int home, int guest) {
    return static_cast<uint64_t>(sport) << 48 | static_cast<uint64_t>(home) << 24 |
           static_cast<uint64_t>(guest);
}

// Two-letter starts of the name's full words' spellings, the keys its comparisons are limited to.
std::vector<uint16_t> BlockKeys(const PreparedName& name) {
    std::vector<uint16_t> keys;
    for (const auto* words : {&name.words, &name.translated}) {
        for (const PreparedWord& word : *words) {
            if (word.abbreviation) continue;
            for (const std::string& spelling : word.spellings) {
                if (spelling.empty()) continue;
                const auto a = static_cast<unsigned char>(spelling[0]);
                const auto b = spelling.size() > 1 ? static_cast<unsigned char>(spelling[1]) : 0;
                keys.push_back(static_cast<uint16_t>(a << 8 | b));
            }
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

struct NameMatch {
    int second_name;
    double similarity;
};

struct Candidate {
    int first, second;
    double home, guest;  // name similarities
    int64_t difference;  // second's start minus first's
    double score = 0.0;
};

// For every (sport, first name) the second's names of that sport alike enough.
std::unordered_map<uint64_t, std::vector<NameMatch>> AlikeNames(
    const SideRows& a, const SideRows& b, const std::vector<std::string>& sport_keys,
    const MatchOptions& options) {
    // The (sport, name) pairs each side uses, once each.
    auto used_by = [](const SideRows& side) {
        std::vector<std::vector<int>> sports_of_name(side.names.size());
        std::vector<std::pair<int, int>> used;
        auto add = [&](int sport, int name) {
            std::vector<int>& sports = sports_of_name[name];
            if (std::find(sports.begin(), sports.end(), sport) != sports.end()) return;
            sports.push_back(sport);
            used.emplace_back(sport, name);
        };
        for (size_t r = 0; r < side.sport.size(); ++r) {
            if (side.sport[r] < 0) continue;
            add(side.sport[r], side.home[r]);
            add(side.sport[r], side.guest[r]);
        }
        return used;
    };
    const std::vector<std::pair<int, int>> used_a = used_by(a);
    const std::vector<std::pair<int, int>> used_b = used_by(b);
    // The second's names by sport and key, and by sport and normalised text (for the aliases).
    std::vector<std::vector<uint16_t>> keys_b(b.names.size());
    std::unordered_map<uint64_t, std::vector<int>> by_key;
    std::unordered_map<std::string, std::vector<int>> by_text;
    for (const auto& [sport, name] : used_b) {
        if (keys_b[name].empty()) keys_b[name] = BlockKeys(b.names[name]);
        for (uint16_t key : keys_b[name]) by_key[SportName(sport, key)].push_back(name);
        if (options.aliases)
            by_text[sport_keys[sport] + '\x01' + b.names[name].normalised].push_back(name);
    }
    // The second's names alike enough to the first's name `index` of used_a; `others` is scratch.
    const auto alike_to = [&](size_t index, std::vector<int>& others) {
        const auto [sport, name] = used_a[index];
        const PreparedName& prepared = a.names[name];
        others.clear();
        for (uint16_t key : BlockKeys(prepared)) {
            const auto it = by_key.find(SportName(sport, key));
            if (it != by_key.end())
                others.insert(others.end(), it->second.begin(), it->second.end());
        }
        if (options.aliases) {
            for (const std::string& linked :
                 options.aliases->LinkedSecondNames(prepared.normalised, sport_keys[sport])) {
                const auto it = by_text.find(sport_keys[sport] + '\x01' + linked);
                if (it != by_text.end())
                    others.insert(others.end(), it->second.begin(), it->second.end());
            }
        }
        std::sort(others.begin(), others.end());
        others.erase(std::unique(others.begin(), others.end()), others.end());
        std::vector<NameMatch> matches;
        for (int other : others) {
            double similarity = -1.0;
            if (options.aliases) {
                switch (options.aliases->Judge(prepared.normalised, b.names[other].normalised,
                                               sport_keys[sport])) {
                    case Aliases::Verdict::kLinked:
                        similarity = 1.0;
                        break;
                    case Aliases::Verdict::kUnlinked:
                        similarity = 0.0;
                        break;
                    case Aliases::Verdict::kNone:
                        break;
                }
            }
            if (similarity < 0.0) similarity = NameSimilarity(prepared, b.names[other]);
            if (similarity >= options.min_name_score) matches.push_back({other, similarity});
        }
        return matches;
    };
    // Each name's comparisons are its own, so the names are shared among the workers, each
    // writing only its own entries.
    std::vector<std::vector<NameMatch>> found(used_a.size());
    const int workers = used_a.size() >= kNamesToShare ? options.workers : 1;
    ShareOut(used_a.size(), workers, [&](size_t first, size_t step) {
        std::vector<int> others;
        for (size_t i = first; i < used_a.size(); i += step) found[i] = alike_to(i, others);
    });
    std::unordered_map<uint64_t, std::vector<NameMatch>> alike;
    for (size_t i = 0; i < used_a.size(); ++i) {
        if (!found[i].empty())
            alike.emplace(SportName(used_a[i].first, used_a[i].second), std::move(found[i]));
    }
    return alike;
}

// The minimum-cost assignment of rows to columns (rows <= columns): the column of every row.
std::vector<int> AssignRows(const std::vector<std::vector<double>>& cost) {
    const int n = static_cast<int>(cost.size());
    const int m = static_cast<int>(cost[0].size());
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::vector<double> u(n + 1, 0.0), v(m + 1, 0.0);
    std::vector<int> p(m + 1, 0), way(m + 1, 0);
    for (int i = 1; i <= n; ++i) {
        p[0] = i;
        int j0 = 0;
        std::vector<double> minv(m + 1, kInf);
        std::vector<char> used(m + 1, 0);
        do {
            used[j0] = 1;
            const int i0 = p[j0];
            double delta = kInf;
            int j1 = 0;
            for (int j = 1; j <= m; ++j) {
                if (used[j]) continue;
                const double cur = cost[i0 - 1][j - 1] - u[i0] - v[j];
                if (cur < minv[j]) {
                    minv[j] = cur;
                    way[j] = j0;
                }
                if (minv[j] < delta) {
                    delta = minv[j];
                    j1 = j;
                }
            }
            for (int j = 0; j <= m; ++j) {
                if (used[j]) {
                    u[p[j]] += delta;
                    v[j] -= delta;
                } else {
                    minv[j] -= delta;
                }
            }
            j0 = j1;
        } while (p[j0] != 0);
        do {
            const int j1 = way[j0];
            p[j0] = p[j1];
            j0 = j1;
        } while (j0);
    }
    std::vector<int> column(n, -1);
    for (int j = 1; j <= m; ++j) {
        if (p[j] > 0) column[p[j] - 1] = j - 1;
    }
    return column;
}

// Chooses among the group's candidates (indices into `all`) the set of highest total score in
// which each event appears once.
std::vector<int> AssignGroup(const std::vector<Candidate>& all, const std::vector<int>& group) {
    if (group.size() == 1) return group;
    std::vector<int> firsts, seconds;
    for (int c : group) {
        firsts.push_back(all[c].first);
        seconds.push_back(all[c].second);
    }
    for (auto* ids : {&firsts, &seconds}) {
        std::sort(ids->begin(), ids->end());
        ids->erase(std::unique(ids->begin(), ids->end()), ids->end());
    }
    std::vector<int> chosen;
    if (firsts.size() > kLargestAssignment || seconds.size() > kLargestAssignment) {
        std::vector<int> order = group;
        std::sort(order.begin(), order.end(),
                  [&](int x, int y) { return all[x].score > all[y].score; });
        std::vector<int> taken_first, taken_second;
        for (int c : order) {
            const bool f = std::binary_search(taken_first.begin(), taken_first.end(), all[c].first);
            const bool s =
                std::binary_search(taken_second.begin(), taken_second.end(), all[c].second);
            if (f || s) continue;
            chosen.push_back(c);
            taken_first.insert(
                std::upper_bound(taken_first.begin(), taken_first.end(), all[c].first),
                all[c].first);
            taken_second.insert(
                std::upper_bound(taken_second.begin(), taken_second.end(), all[c].second),
                all[c].second);
        }
        return chosen;
    }
    const bool rows_first = firsts.size() <= seconds.size();
    const std::vector<int>& rows = rows_first ? firsts : seconds;
    const std::vector<int>& columns = rows_first ? seconds : firsts;
    std::vector<std::vector<double>> cost(rows.size(), std::vector<double>(columns.size(), 0.0));
    std::map<std::pair<int, int>, int> at;
    for (int c : group) {
        const int r = static_cast<int>(
            std::lower_bound(rows.begin(), rows.end(), rows_first ? all[c].first : all[c].second) -
            rows.begin());
        const int k = static_cast<int>(std::lower_bound(columns.begin(), columns.end(),
                                                        rows_first ? all[c].second : all[c].first) -
                                       columns.begin());
        if (-all[c].score < cost[r][k]) {
            cost[r][k] = -all[c].score;
            at[{r, k}] = c;
        }
    }
    const std::vector<int> column = AssignRows(cost);
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto it = at.find({static_cast<int>(r), column[r]});
        if (it != at.end()) chosen.push_back(it->second);
    }
    return chosen;
}

int Root(std::vector<int>& parent, int x) {
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

// Every pair of a first's event and a second's event of the same sport whose names are alike and
// whose starts lie within the largest offset and drift of each other, by the first's row.
std::vector<Candidate> FindCandidates(
    const SideRows& a, const SideRows& b,
    const std::unordered_map<uint64_t, std::vector<NameMatch>>& alike,
    const MatchOptions& options) {
    // The second's events by sport and names, each list in order of start.
    std::unordered_map<uint64_t, std::vector<int>> events_b;
    for (size_t r = 0; r < b.sport.size(); ++r) {
        if (b.sport[r] >= 0)
            events_b[SportPair(b.sport[r], b.home[r], b.guest[r])].push_back(static_cast<int>(r));
    }
    for (auto& [key, rows] : events_b) {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](int x, int y) { return b.start[x] < b.start[y]; });
    }

    const int64_t reach = options.max_offset_ms + options.max_drift_ms;
    std::vector<Candidate> candidates;
    for (size_t r = 0; r < a.sport.size(); ++r) {
        const int sport = a.sport[r];
        if (sport < 0) continue;
        const auto home_it = alike.find(SportName(sport, a.home[r]));
        const auto guest_it = alike.find(SportName(sport, a.guest[r]));
        if (home_it == alike.end() || guest_it == alike.end()) continue;
        const int64_t t = a.start[r];
        for (const NameMatch& home : home_it->second) {
            for (const NameMatch& guest : guest_it->second) {
                if (home.second_name == guest.second_name) continue;
                const auto it =
                    events_b.find(SportPair(sport, home.second_name, guest.second_name));
                if (it == events_b.end()) continue;
                const std::vector<int>& rows = it->second;
                auto from = std::lower_bound(rows.begin(), rows.end(), t - reach,
                                             [&](int row, int64_t v) { return b.start[row] < v; });
                for (; from != rows.end() && b.start[*from] <= t + reach; ++from) {
                    candidates.push_back({static_cast<int>(r), *from, home.similarity,
                                          guest.similarity, b.start[*from] - t});
                }
            }
        }
    }

    return candidates;
}

// The offset: the commonest half-hour-rounded difference among events with one sure candidate.
void ChooseOffset(const std::vector<Candidate>& candidates, MatchResult& result) {
    std::map<int64_t, int> votes;
    for (size_t c = 0; c < candidates.size();) {
        size_t end = c;
        int sure = 0;
        size_t sure_at = c;
        for (; end < candidates.size() && candidates[end].first == candidates[c].first; ++end) {
            if (std::min(candidates[end].home, candidates[end].guest) >= kSure) {
                ++sure;
                sure_at = end;
            }
        }
        if (sure == 1) {
            const double halves = static_cast<double>(candidates[sure_at].difference) / kHalfHourMs;
            ++votes[static_cast<int64_t>(std::llround(halves))];
        }
        c = end;
    }
    int64_t best_halves = 0;
    int best_votes = 0;
    for (const auto& [halves, count] : votes) {
        if (count > best_votes ||
            (count == best_votes && std::llabs(halves) < std::llabs(best_halves))) {
            best_votes = count;
            best_halves = halves;
        }
    }
    result.offset_ms = best_halves * kHalfHourMs;
    result.offset_support = best_votes;
}

// Keeps the candidates that start within the drift of the offset, scored.
void KeepNearOffset(std::vector<Candidate>& candidates, int64_t offset_ms,
                    const MatchOptions& options) {
    std::vector<Candidate> kept;
    for (Candidate& c : candidates) {
        const int64_t drift = std::llabs(c.difference - offset_ms);
        if (drift > options.max_drift_ms) continue;
        c.score = (c.home + c.guest) / 2.0 -
                  0.05 * static_cast<double>(drift) /
                      static_cast<double>(std::max<int64_t>(options.max_drift_ms, 1));
        kept.push_back(c);
    }
    candidates.swap(kept);
}

}  // namespace

MatchResult MatchEvents(std::span<const OddsRecord> first, std::span<const OddsRecord> second,
                        const MatchOptions& options) {
    MatchResult result;
    std::unordered_map<std::string, int> sports;
    std::vector<std::string> sport_keys;
    SideRows a, b;
    SideTexts texts_a, texts_b;
    ReadSide(first, sports, sport_keys, a, texts_a);
    ReadSide(second, sports, sport_keys, b, texts_b);
    std::array<std::vector<PreparedName>, 2> prepared =
        PrepareNames({&texts_a, &texts_b}, options.workers);
    NumberNames(std::move(prepared[0]), a);
    NumberNames(std::move(prepared[1]), b);
    const auto alike = AlikeNames(a, b, sport_keys, options);
    std::vector<Candidate> candidates = FindCandidates(a, b, alike, options);
    ChooseOffset(candidates, result);
    KeepNearOffset(candidates, result.offset_ms, options);

    // Groups of candidates linked through a shared event, each assigned on its own.
    const int n_first = static_cast<int>(first.size());
    std::vector<int> parent(first.size() + second.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (const Candidate& c : candidates) {
        const int x = Root(parent, c.first);
        const int y = Root(parent, n_first + c.second);
        if (x != y) parent[x] = y;
    }
    std::unordered_map<int, std::vector<int>> groups;
    for (size_t c = 0; c < candidates.size(); ++c) {
        groups[Root(parent, candidates[c].first)].push_back(static_cast<int>(c));
    }
    // The runner-up of every event: its best score but one among all its candidates.
    std::vector<double> best_first(first.size(), 0.0), second_first(first.size(), 0.0);
    std::vector<double> best_second(second.size(), 0.0), second_second(second.size(), 0.0);
    auto note = [](double score, double& best, double& next) {
        if (score > best) {
            next = best;
            best = score;
        } else if (score > next) {
            next = score;
        }
    };
    for (const Candidate& c : candidates) {
        note(c.score, best_first[c.first], second_first[c.first]);
        note(c.score, best_second[c.second], second_second[c.second]);
    }
    for (const auto& [root, group] : groups) {
        for (int chosen : AssignGroup(candidates, group)) {
            const Candidate& c = candidates[chosen];
            if (c.score < options.min_score) continue;
            // The best other choice of either event (its own best when this is not it).
            const double other_first =
                c.score >= best_first[c.first] ? second_first[c.first] : best_first[c.first];
            const double other_second =
                c.score >= best_second[c.second] ? second_second[c.second] : best_second[c.second];
            if (c.score - std::max(other_first, other_second) < options.min_lead) continue;
            result.pairs.push_back({c.first, c.second, std::clamp(c.score, 0.0, 1.0)});
        }
    }
    std::sort(result.pairs.begin(), result.pairs.end(),
              [](const EventPair& x, const EventPair& y) { return x.first < y.first; });
    return result;
}

}  // namespace lintaro::compare
