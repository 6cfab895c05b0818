// lintaro-cli's option plumbing, in process.
#include <gtest/gtest.h>

#include "cli/cli_args.h"

namespace lintaro::cli {
namespace {

TEST(RowFormatTest, FormatNames) {
    EXPECT_EQ(ParseRowFormat("jsonl"), RowFormat::kJsonl);
    EXPECT_EQ(ParseRowFormat("csv"), RowFormat::kCsv);
    for (const char* bad : {"", "JSONL", "json", "csv ", "xls"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseRowFormat(bad), UsageError);
    }
}

// parse, load and serve-demo read --today through this one rule.
TEST(TodayOptionTest, TakesOnlyARealDayWrittenAsYyyyMmDd) {
    EXPECT_EQ(TodayOption(ParseArgs({"--today", "2028-02-29"}, {"--today"}, {})),
              (CivilDate{2028, 2, 29}));
    for (const char* bad : {" 202-01-01", "2026-02-30", "2026-1-05", "10.12.2026", "2026-01-05 ",
                            "+2026-01-05", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(TodayOption(ParseArgs({"--today", bad}, {"--today"}, {})), UsageError);
    }
}

}  // namespace
}  // namespace lintaro::cli
