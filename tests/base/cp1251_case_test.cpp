// The Windows-1251 case tables: every pair in all three tables, and nothing else folded.
#include "base/cp1251_case.h"

#include <gtest/gtest.h>

namespace lintaro::base {
namespace {

TEST(Cp1251CaseTest, TablesAgreeOnEveryPairAndLeaveOtherBytesAlone) {
    int pairs = 0;
    for (int ch = 0; ch < 256; ++ch) {
        SCOPED_TRACE(ch);
        const unsigned char byte = static_cast<unsigned char>(ch);
        const unsigned char other = Cp1251ToggleCase(byte);
        EXPECT_EQ(Cp1251ToggleCase(other), byte);
        if (other == byte) {
            EXPECT_EQ(Cp1251LowerCase(byte), byte);
            EXPECT_EQ(Cp1251UpperCase(byte), byte);
        } else if (Cp1251LowerCase(byte) == other) {  // a capital
            EXPECT_EQ(Cp1251UpperCase(byte), byte);
            EXPECT_EQ(Cp1251UpperCase(other), byte);
            ++pairs;
        } else {  // a small letter
            EXPECT_EQ(Cp1251UpperCase(byte), other);
            EXPECT_EQ(Cp1251LowerCase(byte), byte);
        }
    }
    EXPECT_EQ(pairs, 26 + 32 + 15);
}

TEST(Cp1251CaseTest, CyrillicLettersOutsideTheAlphabetBlock) {
    struct Case {
        unsigned char upper, lower;
    };
    // А/а, Я/я, Ё/ё, Ї/ї, Ґ/ґ, Ў/ў, Ђ/ђ, Ѓ/ѓ, A/a.
    for (const Case c : {Case{0xC0, 0xE0},
                         {0xDF, 0xFF},
                         {0xA8, 0xB8},
                         {0xAF, 0xBF},
                         {0xA5, 0xB4},
                         {0xA1, 0xA2},
                         {0x80, 0x90},
                         {0x81, 0x83},
                         {'A', 'a'}}) {
        SCOPED_TRACE(int{c.upper});
        EXPECT_EQ(Cp1251LowerCase(c.upper), c.lower);
        EXPECT_EQ(Cp1251UpperCase(c.lower), c.upper);
    }
    // Signs beside the letters stay: the no-break space, the numero sign, the quotes.
    for (unsigned char sign : {0xA0, 0xB9, 0xAB, 0xBB, 0x98}) {
        EXPECT_EQ(Cp1251ToggleCase(sign), sign);
    }
}

}  // namespace
}  // namespace lintaro::base
