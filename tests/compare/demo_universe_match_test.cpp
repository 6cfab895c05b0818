// The matcher scored against the demo universe's true pairs at several seeds, sizes, clock
// offsets and generations: every pair it makes must be a true one (a wrong match shows a surebet
// that does not exist), and it must find nearly all of them. The scores go to the test output.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "compare/event_matcher.h"
#include "demo/demo_line.h"
#include "demo_test_util.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {

using table::Cp1251ToUtf8;
using table::OddsRecord;

namespace {

using Identity = std::tuple<std::string, std::string, std::string, std::string, int64_t>;

Identity IdentityOf(const OddsRecord& row) {
    return {*row.sport_type_name, *row.competition_name, *row.team_h_name, *row.team_g_name,
            row.sport_event_date->ms};
}

Identity IdentityOf(const demo::DemoRowIdentity& id) {
    return {id.sport, id.competition, id.home, id.guest, id.start.ms};
}

std::string Describe(const OddsRecord& row) {
    return Cp1251ToUtf8(*row.team_h_name) + " - " + Cp1251ToUtf8(*row.team_g_name) + " (" +
           Cp1251ToUtf8(*row.competition_name) + ")";
}

TEST(DemoUniverseMatchTest, EveryMatchIsATruePairAndNearlyAllPairsAreFound) {
    struct Case {
        uint32_t seed;
        int events;
        int offset;  // minutes
        uint32_t generation;
    };
    int all_true = 0, all_found = 0, all_wrong = 0;
    for (const Case& c :
         {Case{1, 200, -180, 0}, Case{2, 600, 0, 0}, Case{3, 1000, 150, 0}, Case{4, 400, -420, 0},
          Case{5, 2000, -180, 0}, Case{1, 600, -180, 40}, Case{6, 800, 60, 15}}) {
        SCOPED_TRACE("seed " + std::to_string(c.seed) + ", offset " + std::to_string(c.offset));
        demo::DemoOptions options = testing_util::DemoTestOptions(c.events, c.seed);
        options.second_offset_minutes = c.offset;
        options.generation = c.generation;
        const std::vector<OddsRecord> first =
            demo::BuildFirstLine(options, testing_util::kDemoToday).rows;
        const demo::SecondLine second = demo::BuildSecondLine(options, testing_util::kDemoToday);
        std::map<Identity, int> first_index, second_index;
        for (size_t i = 0; i < first.size(); ++i) first_index[IdentityOf(first[i])] = int(i);
        for (size_t i = 0; i < second.rows.size(); ++i) {
            second_index[IdentityOf(second.rows[i])] = int(i);
        }
        std::set<std::pair<int, int>> truth;
        for (const demo::DemoPair& pair : second.pairs) {
            truth.insert(
                {first_index.at(IdentityOf(pair.first)), second_index.at(IdentityOf(pair.second))});
        }
        const MatchResult result = MatchEvents(first, second.rows);
        int found = 0, wrong = 0;
        for (const EventPair& pair : result.pairs) {
            if (truth.contains({pair.first, pair.second})) {
                ++found;
                continue;
            }
            ++wrong;
            ADD_FAILURE() << "wrong match: " << Describe(first[size_t(pair.first)]) << " with "
                          << Describe(second.rows[size_t(pair.second)]) << ", score " << pair.score;
        }
        // The true pairs it missed, a few of each case, so the output says what costs recall.
        std::set<std::pair<int, int>> matched;
        for (const EventPair& pair : result.pairs) matched.insert({pair.first, pair.second});
        int missed_shown = 0;
        for (const auto& [f, s] : truth) {
            if (matched.contains({f, s}) || ++missed_shown > 8) continue;
            std::printf("  missed: %s with %s\n", Describe(first[size_t(f)]).c_str(),
                        Describe(second.rows[size_t(s)]).c_str());
        }
        const double precision = result.pairs.empty() ? 1.0 : double(found) / result.pairs.size();
        const double recall = truth.empty() ? 1.0 : double(found) / truth.size();
        std::printf(
            "seed %u, %d events, offset %+d min, generation %u: %zu true pairs, %zu "
            "matched, precision %.2f%%, recall %.2f%% (offset found %+lld min)\n",
            c.seed, c.events, c.offset, c.generation, truth.size(), result.pairs.size(),
            100 * precision, 100 * recall, static_cast<long long>(result.offset_ms / 60'000));
        EXPECT_EQ(wrong, 0);
        EXPECT_GE(recall, 0.98);
        all_true += static_cast<int>(truth.size());
        all_found += found;
        all_wrong += wrong;
    }
    std::printf("all: %d true pairs, %d found, %d wrong: precision %.2f%%, recall %.2f%%\n",
                all_true, all_found, all_wrong,
                100.0 * all_found / std::max(1, all_found + all_wrong),
                100.0 * all_found / std::max(1, all_true));
}

// The names' comparisons shared among threads give the pairs, scores and offset of one thread,
// with the user's links too (a link the demo's names would not make alone, and one it undoes).
TEST(DemoUniverseMatchTest, SharingTheNamesAmongThreadsChangesNothing) {
    const demo::DemoOptions options = testing_util::DemoTestOptions(3000, 7);
    const std::vector<OddsRecord> first =
        demo::BuildFirstLine(options, testing_util::kDemoToday).rows;
    const std::vector<OddsRecord> second =
        demo::BuildSecondLine(options, testing_util::kDemoToday).rows;
    Aliases aliases;
    aliases.Add(*first[0].team_h_name, *second[1].team_h_name, "");
    aliases.Add(*first[2].team_g_name, "Nobody United", "");
    const Aliases* const choices[] = {nullptr, &aliases};
    for (const Aliases* links : choices) {
        SCOPED_TRACE(links ? "with links" : "without links");
        MatchOptions alone;
        alone.aliases = links;
        alone.workers = 1;
        const MatchResult expected = MatchEvents(first, second, alone);
        ASSERT_GT(expected.pairs.size(), 500u);
        for (int workers : {2, 3}) {
            MatchOptions shared = alone;
            shared.workers = workers;
            const MatchResult result = MatchEvents(first, second, shared);
            EXPECT_EQ(result.offset_ms, expected.offset_ms);
            ASSERT_EQ(result.pairs.size(), expected.pairs.size()) << workers << " workers";
            for (size_t i = 0; i < result.pairs.size(); ++i) {
                EXPECT_EQ(result.pairs[i].first, expected.pairs[i].first);
                EXPECT_EQ(result.pairs[i].second, expected.pairs[i].second);
                EXPECT_EQ(result.pairs[i].score, expected.pairs[i].score);
            }
        }
    }
}

}  // namespace
}  // namespace lintaro::compare
