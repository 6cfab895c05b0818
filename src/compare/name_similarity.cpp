#include "compare/name_similarity.h"

#include <algorithm>
#include <array>
#include <map>
#include <span>

#include "compare/name_words.h"
#include "compare/translated_names.h"
#include "compare/transliteration.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {
namespace {

// The translated names as word lists, longest phrase first.
struct Translation {
    std::vector<std::string> russian;  // Windows-1251 words
    std::vector<std::string> english;
};

const std::vector<Translation>& Translations() {
    static const std::vector<Translation> table = [] {
        std::vector<Translation> out;
        auto split = [](std::string_view text) {
            std::vector<std::string> words;
            for (const NameWord& word : NameWords(text)) words.push_back(word.text);
            return words;
        };
        for (const TranslatedName& name : TranslatedNames()) {
            out.push_back({split(table::Utf8ToCp1251(name.russian)), split(name.english)});
        }
        std::stable_sort(out.begin(), out.end(), [](const Translation& a, const Translation& b) {
            return a.russian.size() > b.russian.size();
        });
        return out;
    }();
    return table;
}

bool IsDigits(const std::string& word) {
    return !word.empty() &&
           std::all_of(word.begin(), word.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

uint64_t LettersOf(std::string_view spelling) {
    uint64_t bits = 0;
    for (char ch : spelling) bits |= uint64_t{1} << (static_cast<unsigned char>(ch) & 63);
    return bits;
}

void SetSpellings(PreparedWord& word, std::vector<std::string> spellings) {
    word.spellings = std::move(spellings);
    word.letters.clear();
    word.some_letters = 0;
    word.every_letters = word.spellings.empty() ? 0 : ~uint64_t{0};
    word.longest = 0;
    for (const std::string& spelling : word.spellings) {
        const uint64_t letters = LettersOf(spelling);
        word.letters.push_back(letters);
        word.some_letters |= letters;
        word.every_letters &= letters;
        word.longest = std::max(word.longest, spelling.size());
    }
}

// Whether `bits` has more than `limit` bits set (limit is small: a few edits at most).
bool MoreBitsThan(uint64_t bits, size_t limit) {
    for (size_t i = 0; i < limit && bits != 0; ++i) bits &= bits - 1;
    return bits != 0;
}

// The most edits any pair of the words' spellings may take to reach `floor`.
size_t MostEdits(const PreparedWord& a, const PreparedWord& b, double floor) {
    const double allowed = (1.0 - floor) * static_cast<double>(std::max(a.longest, b.longest));
    return allowed < 0.0 ? 0 : static_cast<size_t>(allowed);
}

// Edit distance (insert, delete, substitute: 1 each), or `limit` + 1 as soon as it is sure to
// exceed `limit`.
size_t EditDistance(std::string_view a, std::string_view b, size_t limit) {
    if (a.size() > b.size()) std::swap(a, b);
    if (b.size() - a.size() > limit) return limit + 1;
    // Each edit fixes at most one letter too many and one too few: the letters that differ in
    // count bound the distance from below, at a fraction of the table's cost.
    // Every count touched is set back to zero below, so the table is always clean on entry.
    thread_local int counts[256] = {};
    for (char ch : a) ++counts[static_cast<unsigned char>(ch)];
    for (char ch : b) --counts[static_cast<unsigned char>(ch)];
    size_t surplus = 0, shortfall = 0;
    for (char ch : a) {
        int& n = counts[static_cast<unsigned char>(ch)];
        if (n > 0) surplus += static_cast<size_t>(n);
        n = 0;
    }
    for (char ch : b) {
        int& n = counts[static_cast<unsigned char>(ch)];
        if (n < 0) shortfall += static_cast<size_t>(-n);
        n = 0;
    }
    if (std::max(surplus, shortfall) > limit) return limit + 1;
    if (a.empty()) return b.size();
    // Only cells within `limit` of the diagonal can lie on a path of at most `limit` edits: the
    // others are taken as limit + 1, and a row costs at most 2 * limit + 1 cells.
    const size_t over = limit + 1;
    size_t row[64 + 1];
    std::vector<size_t> long_row;
    size_t* d = row;
    if (a.size() + 1 > std::size(row)) {
        long_row.resize(a.size() + 1);
        d = long_row.data();
    }
    for (size_t i = 0; i <= a.size(); ++i) d[i] = std::min(i, over);
    for (size_t j = 1; j <= b.size(); ++j) {
        const size_t from = j > limit ? j - limit : 1;
        const size_t to = std::min(a.size(), j + limit);
        size_t diagonal = d[from - 1];
        size_t left = over;  // the cell before the band: limit + 1 unless it is the first column
        size_t row_min = over;
        if (from == 1) {
            d[0] = std::min(j, over);
            left = d[0];
            row_min = d[0];
        }
        for (size_t i = from; i <= to; ++i) {
            const size_t above = d[i];
            const size_t cell =
                std::min({above + 1, left + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1), over});
            d[i] = cell;
            diagonal = above;
            left = cell;
            row_min = std::min(row_min, cell);
        }
        if (row_min > limit) return over;  // every later row is at least this
    }
    return d[a.size()];
}

// The abbreviation's first letter starts the word and its other letters follow in order.
bool Abbreviates(std::string_view abbreviation, std::string_view word) {
    if (abbreviation.empty() || word.empty() || abbreviation[0] != word[0]) return false;
    size_t at = 1;
    for (size_t i = 1; i < abbreviation.size(); ++i) {
        at = word.find(abbreviation[i], at);
        if (at == std::string_view::npos) return false;
        ++at;
    }
    return true;
}

double UnpairedWeight(const PreparedWord& word) {
    return word.city ? 0.25 : word.abbreviation ? 0.5 : 1.0;
}

double PairedWeight(const PreparedWord& word) { return word.abbreviation ? 0.5 : 1.0; }

}  // namespace

PreparedName PrepareName(std::string_view cp1251) {
    PreparedName name;
    const std::vector<NameWord> words = NameWords(cp1251);
    for (const NameWord& word : words) {
        if (!name.normalised.empty()) name.normalised += ' ';
        name.normalised += word.text;
    }
    for (const NameWord& word : words) {
        PreparedWord prepared;
        SetSpellings(prepared, TransliterationVariants(word.text));
        prepared.abbreviation = word.abbreviation;
        prepared.city = word.city;
        prepared.digits = IsDigits(word.text);
        name.words.push_back(std::move(prepared));
    }
    const auto& translations = Translations();
    bool translated = false;
    for (size_t at = 0; at < words.size();) {
        const Translation* found = nullptr;
        for (const Translation& translation : translations) {
            const size_t n = translation.russian.size();
            if (n == 0 || at + n > words.size()) continue;
            bool same = true;
            for (size_t k = 0; k < n && same; ++k)
                same = words[at + k].text == translation.russian[k];
            if (same) {
                found = &translation;
                break;
            }
        }
        if (found) {
            for (const std::string& english : found->english) {
                PreparedWord word;
                SetSpellings(word, {english});
                word.digits = IsDigits(english);
                name.translated.push_back(std::move(word));
            }
            at += found->russian.size();
            translated = true;
            continue;
        }
        name.translated.push_back(name.words[at]);
        ++at;
    }
    if (!translated) name.translated.clear();
    return name;
}

double WordSimilarity(const PreparedWord& a, const PreparedWord& b, double floor) {
    if (a.digits || b.digits) return a.spellings[0] == b.spellings[0] ? 1.0 : 0.0;
    if (a.abbreviation || b.abbreviation) {
        const bool a_short =
            a.abbreviation && (!b.abbreviation || a.spellings[0].size() <= b.spellings[0].size());
        const PreparedWord& shorter = a_short ? a : b;
        const PreparedWord& longer = a_short ? b : a;
        for (const std::string& s : shorter.spellings) {
            for (const std::string& l : longer.spellings) {
                if (Abbreviates(s, l)) return 1.0;
            }
        }
        return 0.0;
    }
    // Every spelling of one word holds the letters its word holds in all of them; none of the
    // other's holds a letter its word holds in none. Each such letter one word has and the other
    // lacks takes an edit of its own, whichever spellings are compared: most pairs end here.
    const size_t most = MostEdits(a, b, floor);
    if (MoreBitsThan(a.every_letters & ~b.some_letters, most) ||
        MoreBitsThan(b.every_letters & ~a.some_letters, most)) {
        return 0.0;
    }
    double best = 0.0;
    for (size_t k = 0; k < a.spellings.size(); ++k) {
        const std::string& s = a.spellings[k];
        for (size_t m = 0; m < b.spellings.size(); ++m) {
            const std::string& t = b.spellings[m];
            const size_t longest = std::max(s.size(), t.size());
            if (longest == 0) continue;
            // Only a distance that beats both `best` and `floor` counts.
            const double need = std::max(best, floor);
            const double allowed = (1.0 - need) * static_cast<double>(longest);
            if (allowed < 0.0) continue;
            const auto limit = static_cast<size_t>(allowed);
            // The same bound for these two spellings.
            if (MoreBitsThan(a.letters[k] & ~b.letters[m], limit) ||
                MoreBitsThan(b.letters[m] & ~a.letters[k], limit)) {
                continue;
            }
            const size_t distance = EditDistance(s, t, limit);
            if (distance > limit) continue;
            const double similarity =
                1.0 - static_cast<double>(distance) / static_cast<double>(longest);
            if (similarity > best) {
                best = similarity;
                if (best >= 1.0) return 1.0;
            }
        }
    }
    return best;
}

namespace {

double WordsSimilarity(const std::vector<PreparedWord>& a_words,
                       const std::vector<PreparedWord>& b_words) {
    const size_t na = a_words.size();
    const size_t nb = b_words.size();
    if (na == 0 || nb == 0 || na > 16 || nb > 16) return 0.0;
    struct Candidate {
        double similarity;
        size_t i, j;
    };
    std::array<Candidate, 16 * 16> pairs;  // on the stack: this runs for every pair of names
    size_t count = 0;
    for (size_t i = 0; i < na; ++i) {
        for (size_t j = 0; j < nb; ++j) {
            const double similarity = WordSimilarity(a_words[i], b_words[j], kWordMatch);
            if (similarity >= kWordMatch) pairs[count++] = {similarity, i, j};
        }
    }
    if (count == 0) return 0.0;
    const std::span<Candidate> candidates(pairs.data(), count);
    // Best pairs first; among equals, a full word before an abbreviation, then the earlier word.
    std::sort(candidates.begin(), candidates.end(), [&](const Candidate& x, const Candidate& y) {
        if (x.similarity != y.similarity) return x.similarity > y.similarity;
        const bool x_abbr = a_words[x.i].abbreviation || b_words[x.j].abbreviation;
        const bool y_abbr = a_words[y.i].abbreviation || b_words[y.j].abbreviation;
        if (x_abbr != y_abbr) return !x_abbr;
        return x.i != y.i ? x.i < y.i : x.j < y.j;
    });
    uint32_t used_a = 0, used_b = 0;
    double paired = 0.0, total = 0.0;
    bool full_word = false;
    for (const Candidate& c : candidates) {
        if ((used_a >> c.i & 1) || (used_b >> c.j & 1)) continue;
        used_a |= 1u << c.i;
        used_b |= 1u << c.j;
        const double weight = PairedWeight(a_words[c.i]) + PairedWeight(b_words[c.j]);
        paired += weight * c.similarity;
        total += weight;
        if (!a_words[c.i].abbreviation && !b_words[c.j].abbreviation) full_word = true;
    }
    if (!full_word) return 0.0;
    bool left_a = false, left_b = false;
    for (size_t i = 0; i < na; ++i) {
        if (used_a >> i & 1) continue;
        total += UnpairedWeight(a_words[i]);
        left_a = true;
    }
    for (size_t j = 0; j < nb; ++j) {
        if (used_b >> j & 1) continue;
        total += UnpairedWeight(b_words[j]);
        left_b = true;
    }
    double score = paired / total;
    if (left_a && left_b) score *= 0.5;
    return score;
}

}  // namespace

double NameSimilarity(const PreparedName& a, const PreparedName& b) {
    double best = WordsSimilarity(a.words, b.words);
    if (!a.translated.empty()) best = std::max(best, WordsSimilarity(a.translated, b.words));
    if (!b.translated.empty()) best = std::max(best, WordsSimilarity(a.words, b.translated));
    if (!a.translated.empty() && !b.translated.empty()) {
        best = std::max(best, WordsSimilarity(a.translated, b.translated));
    }
    return best;
}

}  // namespace lintaro::compare
