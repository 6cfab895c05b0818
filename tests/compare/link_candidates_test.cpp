// Candidates for linking by hand, on the demo universe: an event's true partner comes first among
// the other's events, and nothing of another sport or beyond the matcher's reach in time is
// offered.
#include "compare/link_candidates.h"

#include <gtest/gtest.h>

#include <numeric>

#include "compare/sport_names.h"
#include "demo/demo_line.h"
#include "demo_test_util.h"

namespace lintaro::compare {
namespace {

TEST(LinkCandidatesTest, TheTruePartnerComesFirstAndOnlyReachableEventsAreOffered) {
    demo::DemoOptions options = testing_util::DemoTestOptions(400, 3);
    options.second_offset_minutes = -180;
    const std::vector<table::OddsRecord> first =
        demo::BuildFirstLine(options, testing_util::kDemoToday).rows;
    const std::vector<table::OddsRecord> second =
        demo::BuildSecondLine(options, testing_util::kDemoToday).rows;
    const MatchResult matched = MatchEvents(first, second);
    ASSERT_GT(matched.pairs.size(), 50u);
    std::vector<int> all_first(first.size()), all_second(second.size());
    std::iota(all_first.begin(), all_first.end(), 0);
    std::iota(all_second.begin(), all_second.end(), 0);
    const MatchOptions reach;
    int first_place = 0;
    for (const EventPair& pair : matched.pairs) {
        for (const bool at_first : {true, false}) {
            const table::OddsRecord& event = at_first ? first[pair.first] : second[pair.second];
            const std::vector<table::OddsRecord>& others = at_first ? second : first;
            const std::vector<LinkCandidate> found =
                LikeliestPartners({&event, at_first, others, at_first ? all_second : all_first,
                                   matched.offset_ms, 5});
            ASSERT_FALSE(found.empty());
            ASSERT_LE(found.size(), 5u);
            if (found.front().row == (at_first ? pair.second : pair.first)) ++first_place;
            for (size_t i = 0; i < found.size(); ++i) {
                const table::OddsRecord& other = others[found[i].row];
                EXPECT_EQ(SportKey(*other.sport_type_name), SportKey(*event.sport_type_name));
                const int64_t offset = at_first ? matched.offset_ms : -matched.offset_ms;
                EXPECT_LE(
                    std::llabs(other.sport_event_date->ms - event.sport_event_date->ms - offset),
                    reach.max_drift_ms);
                if (i > 0) {
                    EXPECT_GE(found[i - 1].score, found[i].score);
                }
            }
        }
    }
    EXPECT_EQ(first_place, int(2 * matched.pairs.size()));
    // Only the allowed rows are offered.
    const int only = matched.pairs.front().second;
    const std::vector<LinkCandidate> found = LikeliestPartners(
        {&first[matched.pairs.front().first], true, second, {&only, 1}, matched.offset_ms, 5});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.front().row, only);
}

}  // namespace
}  // namespace lintaro::compare
