// lintaro-cli match end to end: slots as JSON arrays, --all, --count, modifiers, pattern files,
// patterns that begin with "-", standard input, and the report of a pattern error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

using lintaro::testing_util::CliRun;

class MatchCliTest : public ::testing::Test {
  protected:
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        return scratch_.WriteFile(name, bytes);
    }

    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream data;
        data << in.rdbuf();
        return data.str();
    }

    // Runs lintaro-cli match with `args`; standard input holds the file at `stdin_path` (or is
    // /dev/null).
    static CliRun Run(std::vector<std::string> args, const std::string& stdin_path = "") {
        args.insert(args.begin(), "match");
        return lintaro::testing_util::RunCli(args, stdin_path.empty() ? "" : ReadAll(stdin_path));
    }

    lintaro::testing_util::ScratchDir scratch_;
};

// The 20 slots with the given leading ones set.
std::string SlotsLine(const std::vector<std::string>& leading) {
    std::string line = "[";
    for (int n = 0; n < 20; ++n) {
        if (n > 0) line += ",";
        line += n < static_cast<int>(leading.size()) ? leading[n] : "null";
    }
    return line + "]\n";
}

TEST_F(MatchCliTest, PrintsSlotsOfFirstOrEveryMatch) {
    std::string subject = WriteFile("subject", "x ab1 AB2 ab3");
    CliRun first = Run({"(ab)(\\d)", subject});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, SlotsLine({"[2,5]", "[2,4]", "[4,5]"}));

    CliRun all = Run({"--all", "--modifiers", "i", "(ab)(\\d)", subject});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, SlotsLine({"[2,5]", "[2,4]", "[4,5]"}) +
                           SlotsLine({"[6,9]", "[6,8]", "[8,9]"}) +
                           SlotsLine({"[10,13]", "[10,12]", "[12,13]"}));

    CliRun count = Run({"--count", "--modifiers=i", "(ab)(\\d)", subject});
    EXPECT_EQ(count.status, 0);
    EXPECT_EQ(count.out, "3\n");

    // A group that took no part is null; no match prints nothing and still exits 0.
    EXPECT_EQ(Run({"(z)|(x)", subject}).out, SlotsLine({"[0,1]", "null", "[0,1]"}));
    CliRun none = Run({"--all", "q", subject});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(Run({"--count", "q", subject}).out, "0\n");
}

TEST_F(MatchCliTest, ModifiersSwitchOnAndOffOverTheDefaults) {
    std::string subject = WriteFile("lines", "ab\r\ncd");
    EXPECT_EQ(Run({"--count", ".+", subject}).out, "1\n");  // s on by default
    EXPECT_EQ(Run({"--count", "--modifiers", "-s", ".+", subject}).out, "2\n");
    EXPECT_EQ(Run({"--count", "--modifiers", "m-s", "^.", subject}).out, "2\n");
    EXPECT_EQ(Run({"--all", "--modifiers", "i-g", "B+", subject}).out,
              SlotsLine({"[1,2]"}));  // g off: "+" takes the fewest

    CliRun bad = Run({"--modifiers", "q", "a", subject});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("unknown modifier"), std::string::npos);
}

TEST_F(MatchCliTest, PatternFromFileOrAfterDoubleDashAndSubjectFromStdin) {
    // Raw pattern bytes: a Windows-1251 letter and a line break, which no argument would carry.
    std::string pattern = WriteFile("pattern", "\xE0\r\n");
    std::string subject = WriteFile("subject", "-x \xC0\r\n");
    EXPECT_EQ(Run({"--pattern-file", pattern, "--modifiers", "i", subject}).out,
              SlotsLine({"[3,6]"}));
    EXPECT_EQ(Run({"--", "-x", subject}).out, SlotsLine({"[0,2]"}));
    EXPECT_EQ(Run({"--count", "--", "-x"}, subject).out, "1\n");
    EXPECT_EQ(Run({"x"}, subject).out, SlotsLine({"[1,2]"}));
}

TEST_F(MatchCliTest, PatternErrorsGoToStandardErrorWithStatusTwo) {
    std::string subject = WriteFile("subject", "abc");
    CliRun bad = Run({"a)", subject});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "EPattern 104 1: TPattern(comp): ParseReg Unmatched () (pos 1)\n");

    CliRun missing = Run({}, subject);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("PATTERN"), std::string::npos);

    CliRun unreadable = Run({"a", scratch_.Path() + "/no-such-file"});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_NE(unreadable.err.find("no-such-file"), std::string::npos);
}

// --limit bounds each search: a pattern that would take hours stops with status 3 after the
// matches found before it.
TEST_F(MatchCliTest, LimitStopsARunawaySearchWithStatusThree) {
    // After the first match, "[^.]+" runs from every "a" to the end of the run and finds ".y".
    const std::string path = WriteFile("subject", "ab.x" + std::string(100000, 'a') + ".y.x");
    CliRun run = Run({"--all", "--limit", "1000000", "[^.]+\\.x", path});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, SlotsLine({"[0,4]"}));
    EXPECT_EQ(run.err,
              "lintaro-cli: a search took more than --limit 1000000 steps and was stopped\n");
    // A count cut short is not printed.
    CliRun counted = Run({"--count", "--limit", "1000000", "[^.]+\\.x", path});
    EXPECT_EQ(counted.status, 3);
    EXPECT_EQ(counted.out, "");
    // Searches within the limit are unchanged.
    CliRun within = Run({"--count", "--limit", "1000000", "a+\\.", path});
    EXPECT_EQ(within.status, 0);
    EXPECT_EQ(within.out, "1\n");
    EXPECT_EQ(Run({"--limit", "x", "a", path}).status, 2);
}

// Matching stops at a NUL byte: the warning names its offset. A subject of 2 GiB is refused
// instead of being matched with offsets that cannot be reported.
TEST_F(MatchCliTest, NulBytesAreNamedAndHugeSubjectsRefused) {
    const std::string path = WriteFile("nul", std::string("ab\0ab", 5));
    CliRun run = Run({"--count", "b", path});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1\n");
    EXPECT_EQ(run.err,
              "lintaro-cli: warning: the subject holds a NUL byte at offset 2; it ends there for "
              "the matcher\n");

    const std::string huge = scratch_.Path() + "/huge";
    { std::ofstream file(huge, std::ios::binary); }
    ASSERT_EQ(truncate(huge.c_str(), (off_t{1} << 31)), 0);  // sparse: no disk used
    CliRun refused = Run({"a", huge});
    std::remove(huge.c_str());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err.rfind("lintaro-cli: Cannot match file " + huge +
                                    ": a subject must be shorter than 2147483648 bytes",
                                0),
              0u)
        << refused.err;
}

}  // namespace
