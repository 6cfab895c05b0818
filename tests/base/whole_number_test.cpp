// Whole numbers: signs, the edges of the 64-bit range, and what is not a number.
#include "base/whole_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace lintaro::base {
namespace {

TEST(WholeNumberTest, ReadsSignedDigitsUpToTheEdgesOfTheRange) {
    struct Case {
        const char* text;
        int64_t value;
    };
    for (const Case c : {Case{"0", 0},
                         {"+42", 42},
                         {"-42", -42},
                         {"007", 7},
                         {"0000000000000000000000123", 123},
                         {"9223372036854775807", std::numeric_limits<int64_t>::max()},
                         {"-9223372036854775808", std::numeric_limits<int64_t>::min()}}) {
        SCOPED_TRACE(c.text);
        int64_t value = -1;
        EXPECT_TRUE(ParseWholeNumber(c.text, value));
        EXPECT_EQ(value, c.value);
    }
}

TEST(WholeNumberTest, RefusesEverythingElseAndLeavesTheValue) {
    for (const char* bad :
         {"", "+", "-", " 1", "1 ", "1.0", "1e3", "0x10", "--1", "+-1", "12a",
          "9223372036854775808", "-9223372036854775809", "99999999999999999999"}) {
        SCOPED_TRACE(bad);
        int64_t value = 5;
        EXPECT_FALSE(ParseWholeNumber(bad, value));
        EXPECT_EQ(value, 5);
    }
}

}  // namespace
}  // namespace lintaro::base
