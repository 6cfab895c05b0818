// The line follower read after read: which reads succeed (a cancel, the reader's message, an
// escaped failure, an empty line), what each is compared with, when a failure is told (every time,
// or once until a read succeeds), and rows the user deleted. Each case runs reads in turn and
// compares one line per read with the expected text.
#include "live/line_follower.h"

#include <gtest/gtest.h>

#include <sstream>

#include "table/cp1251_text.h"

namespace lintaro::live {

using table::OddsRecord;
using table::Utf8ToCp1251;

namespace {

// "Home-Guest" of one soccer tournament on December 20, its home win at `p1`.
OddsRecord Event(const std::string& teams, double p1 = 1.85) {
    OddsRecord row;
    row.sport_type_name = Utf8ToCp1251("футбол");
    row.competition_name = Utf8ToCp1251("Англия. Премьер-лига");
    row.sport_event_date = table::MakeDateTime({2026, 12, 20, 19, 30}).value();
    const size_t dash = teams.find('-');
    row.team_h_name = Utf8ToCp1251(teams.substr(0, dash));
    row.team_g_name = Utf8ToCp1251(teams.substr(dash + 1));
    row.P1 = table::DecimalFromDouble(p1);
    return row;
}

using Telling = LineFollower::Telling;
constexpr Telling kOnce = Telling::kOnce;
constexpr Telling kEvery = Telling::kEvery;

// One read: how it is told, how many messages its reader reports, how it ends, its rows.
struct Read {
    Telling telling = kEvery;
    int messages = 0;
    bool cancelled = false;
    bool failure = false;
    std::vector<OddsRecord> rows;
    bool delete_last = false;  // the user then deletes its last row
};

const char* VerdictName(ReadVerdict verdict) {
    switch (verdict) {
        case ReadVerdict::kCancelled:
            return "cancelled";
        case ReadVerdict::kReported:
            return "reported";
        case ReadVerdict::kFailed:
            return "failed";
        case ReadVerdict::kEmpty:
            return "empty";
        case ReadVerdict::kSucceeded:
            return "ok";
    }
    return "?";
}

// "ok since 10:01 shown - tell 0 moved 1 new 0 gone 0" per read; "shown" lists what Report()
// answered for each message (1 shown, 0 not), "-" for none; "since" is "-" without a previous read.
std::string Follow(const std::vector<Read>& reads) {
    LineFollower follower;
    std::ostringstream out;
    int minute = 0;
    for (const Read& read : reads) {
        follower.Begin(read.telling);
        std::string shown;
        for (int i = 0; i < read.messages; ++i) shown += follower.Report() ? "1" : "0";
        ReadEnd end{read.cancelled, std::nullopt};
        if (read.failure) end.failure = "connection refused";
        const std::string time = "10:0" + std::to_string(++minute);
        const FollowedRead followed = follower.Finish(end, read.rows, time);
        const MovementCounts& counts = followed.movement->Counts();
        out << VerdictName(followed.verdict) << " since "
            << (followed.since.empty() ? "-" : followed.since) << " shown "
            << (shown.empty() ? "-" : shown) << " tell " << followed.tell_failure << " moved "
            << counts.prices_moved << " new " << counts.events_new << " gone " << counts.events_gone
            << "\n";
        if (read.delete_last) follower.MarkDeleted(read.rows.back());
    }
    return out.str();
}

struct Case {
    const char* name;
    std::vector<Read> reads;
    const char* expected;
};

TEST(LineFollowerTest, ReadAfterRead) {
    const std::vector<OddsRecord> two = {Event("Арсенал-Челси"), Event("Бернли-Вест Хэм")};
    const std::vector<OddsRecord> moved = {Event("Арсенал-Челси", 1.9), Event("Бернли-Вест Хэм")};
    const std::vector<OddsRecord> one = {Event("Арсенал-Челси", 1.9)};
    const std::vector<Case> cases = {
        {"the first read marks nothing, the next is compared with it",
         {{kEvery, 0, false, false, two}, {kEvery, 0, false, false, moved}},
         "ok since - shown - tell 0 moved 0 new 0 gone 0\n"
         "ok since 10:01 shown - tell 0 moved 1 new 0 gone 0\n"},
        {"a read that did not succeed is compared, but the next is compared with the one before",
         {{kEvery, 0, false, false, two},
          {kEvery, 1, false, false, moved},
          {kEvery, 0, true, false, moved},
          {kEvery, 0, false, false, moved}},
         "ok since - shown - tell 0 moved 0 new 0 gone 0\n"
         "reported since 10:01 shown 1 tell 0 moved 1 new 0 gone 0\n"
         "cancelled since 10:01 shown - tell 0 moved 1 new 0 gone 0\n"
         "ok since 10:01 shown - tell 0 moved 1 new 0 gone 0\n"},
        {"a cancel comes before a message, a message before a failure, a failure before no rows",
         {{kEvery, 1, true, true, {}},
          {kEvery, 1, false, true, {}},
          {kEvery, 0, false, true, {}},
          {kEvery, 0, false, false, {}}},
         "cancelled since - shown 1 tell 1 moved 0 new 0 gone 0\n"
         "reported since - shown 1 tell 1 moved 0 new 0 gone 0\n"
         "failed since - shown - tell 1 moved 0 new 0 gone 0\n"
         "empty since - shown - tell 1 moved 0 new 0 gone 0\n"},
        {"told once: the first failure, then none until a read succeeds",
         {{kOnce, 0, false, true, {}},
          {kOnce, 0, false, false, {}},
          {kOnce, 2, false, false, two},
          {kOnce, 0, false, false, two},
          {kOnce, 2, false, false, two},
          {kOnce, 0, false, true, {}}},
         "failed since - shown - tell 1 moved 0 new 0 gone 0\n"
         "empty since - shown - tell 0 moved 0 new 0 gone 0\n"
         "reported since - shown 00 tell 0 moved 0 new 0 gone 0\n"
         "ok since - shown - tell 0 moved 0 new 0 gone 0\n"
         "reported since 10:04 shown 10 tell 0 moved 0 new 0 gone 0\n"
         "failed since 10:04 shown - tell 0 moved 0 new 0 gone 2\n"},
        {"told once: a cancel tells nothing and leaves the failure to tell",
         {{kOnce, 0, true, false, {}}, {kOnce, 0, false, false, {}}},
         "cancelled since - shown - tell 0 moved 0 new 0 gone 0\n"
         "empty since - shown - tell 1 moved 0 new 0 gone 0\n"},
        {"a read told every time shows its messages after a failure told once, and its success "
         "starts the telling again",
         {{kOnce, 0, false, true, {}},
          {kEvery, 1, false, false, two},
          {kOnce, 1, false, false, two},
          {kEvery, 0, false, false, two},
          {kOnce, 1, false, false, two}},
         "failed since - shown - tell 1 moved 0 new 0 gone 0\n"
         "reported since - shown 1 tell 0 moved 0 new 0 gone 0\n"
         "reported since - shown 0 tell 0 moved 0 new 0 gone 0\n"
         "ok since - shown - tell 0 moved 0 new 0 gone 0\n"
         "reported since 10:04 shown 1 tell 0 moved 0 new 0 gone 0\n"},
        {"an event gone counts, unless the user deleted it",
         {{kEvery, 0, false, false, two},
          {kEvery, 0, false, false, one},
          {kEvery, 0, false, false, two, /*delete_last=*/true},
          {kEvery, 0, false, false, one}},
         "ok since - shown - tell 0 moved 0 new 0 gone 0\n"
         "ok since 10:01 shown - tell 0 moved 1 new 0 gone 1\n"
         "ok since 10:02 shown - tell 0 moved 1 new 1 gone 0\n"
         "ok since 10:03 shown - tell 0 moved 1 new 0 gone 0\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Follow(c.reads), c.expected) << c.name;
}

// Marks since the first read: a move stays marked at every later read, a row deleted after the
// first read is never counted gone, and the last read is marked anew against either baseline.
TEST(LineFollowerTest, MarksSinceTheFirstRead) {
    const std::vector<OddsRecord> two = {Event("Арсенал-Челси"), Event("Бернли-Вест Хэм")};
    const std::vector<OddsRecord> moved = {Event("Арсенал-Челси", 1.9)};
    LineFollower follower;
    follower.SetBaseline(LineFollower::Baseline::kFirstRead);
    const auto counts = [](const FollowedRead& read) {
        const MovementCounts& c = read.movement->Counts();
        return (read.since.empty() ? "-" : read.since) + " moved " +
               std::to_string(c.prices_moved) + " gone " + std::to_string(c.events_gone);
    };
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        follower.Begin(LineFollower::Telling::kEvery);
        seen.push_back(
            counts(follower.Finish({}, i == 0 ? two : moved, "10:0" + std::to_string(i))));
        if (i == 1) follower.MarkDeleted(moved.front());  // deleted, then back at the next read
        if (i == 0) follower.MarkDeleted(two.back());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"- moved 0 gone 0", "10:00 moved 1 gone 0",
                                              "10:00 moved 1 gone 0"}));
    EXPECT_EQ(counts(follower.Remark()), "10:00 moved 1 gone 0");
    follower.SetBaseline(LineFollower::Baseline::kPreviousRead);
    EXPECT_EQ(counts(follower.Remark()), "10:01 moved 0 gone 0");
    EXPECT_EQ(counts(LineFollower().Remark()), "- moved 0 gone 0");
}

}  // namespace
}  // namespace lintaro::live
