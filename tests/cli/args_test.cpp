// lintaro-cli's option plumbing, in process.
#include <gtest/gtest.h>

#include "cli/cli_args.h"

namespace lintaro::cli {
namespace {

TEST(RowFormatTest, FormatNames) {
    EXPECT_EQ(ParseRowFormat("jsonl"), worksheet::RowFormat::kJsonl);
    EXPECT_EQ(ParseRowFormat("csv"), worksheet::RowFormat::kCsv);
    for (const char* bad : {"", "JSONL", "json", "csv ", "xls"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseRowFormat(bad), UsageError);
    }
}

// parse, load and serve-demo read --today through this one rule.
TEST(TodayOptionTest, TakesOnlyARealDayWrittenAsYyyyMmDd) {
    EXPECT_EQ(TodayOption(ParseArgs({"--today", "2028-02-29"}, {"--today"}, {})),
              (table::CivilDate{2028, 2, 29}));
    for (const char* bad : {" 202-01-01", "2026-02-30", "2026-1-05", "10.12.2026", "2026-01-05 ",
                            "+2026-01-05", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(TodayOption(ParseArgs({"--today", bad}, {"--today"}, {})), UsageError);
    }
}

// Every message the CLI prints goes through this: one line, no control byte left.
TEST(OneLineTest, EscapesEveryControlByte) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain text", "plain text"},
        {"a\r\nb", "a\\r\\nb"},
        {"HTTP/1.0 404 \x1b[31mNot Found\x07", "HTTP/1.0 404 \\x1B[31mNot Found\\x07"},
        {"tab\there", "tab\\x09here"},
        {std::string("nul\0del\x7f", 8), "nul\\x00del\\x7F"},
        {"back\\slash", "back\\slash"},
        {"\xd4\xf3\xf2 \xc2\x9b", "\xd4\xf3\xf2 \xc2\x9b"},  // bytes from 0x80 up stay
    };
    for (const auto& [message, line] : cases) {
        SCOPED_TRACE(message);
        EXPECT_EQ(OneLine(message), line);
    }
}

}  // namespace
}  // namespace lintaro::cli
