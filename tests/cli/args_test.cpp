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

}  // namespace
}  // namespace lintaro::cli
