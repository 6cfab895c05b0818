// The readers' text primitives: 1-based positions, trimming, the two lower-casings, number reading
// without a locale, and line normalisation.
#include "readers/text_conversions.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "table/cp1251_text.h"

namespace lintaro::readers {

using table::Utf8ToCp1251;

namespace {

using namespace std::string_literals;

TEST(CopyUntilCharTest, StopsBeforeStopCharacterFromOneBasedStart) {
    struct Case {
        std::string text;
        int start;
        std::string expected;
    };
    const Case cases[] = {
        {"abc&def", 1, "abc"}, {"abc&def", 4, ""},    {"abc&def", 5, "def"},
        {"abc&def", 9, ""},    {"abc&def", 0, "abc"}, {"abc&def", -7, "abc"},
        {"abc", 2, "bc"},      {"", 1, ""},           {"", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " from " + std::to_string(c.start));
        EXPECT_EQ(CopyUntilChar(c.text, c.start, '&'), c.expected);
    }
}

TEST(StrToFloatOrNullTest, AcceptsOnlyTheDottedDecimalForm) {
    struct Case {
        std::string text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"1.85", 1.85},
        {"+0.5", 0.5},
        {"-1.5", -1.5},
        {"2", 2.0},
        {"1e2", 100.0},
        {"1E+2", 100.0},
        {"2.5e-1", 0.25},
        {".", 0.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"  1.85  ", 1.85},
        {"1e-400", 0.0},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"1,85", std::nullopt},
        {"2.0x", std::nullopt},
        {"1 850", std::nullopt},
        {"1e", std::nullopt},
        {"e5", std::nullopt},
        {"1.2.3", std::nullopt},
        {"\t1.5", std::nullopt},
        {"1e400", std::nullopt},
        {"0x10", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"--1", std::nullopt},
        {"1\0"s
         "2",
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        EXPECT_EQ(StrToFloatOrNull(c.text), c.expected);
    }
}

// Short decimals take a quicker path than long ones; both must give the double nearest to the
// decimal, as std::from_chars does, at the edges of the quick path too.
TEST(StrToFloatOrNullTest, ShortAndLongDecimalsRoundAlike) {
    std::vector<std::string> texts = {"0.1",
                                      "-0",
                                      "0.000000000000001",
                                      "999999999999999",
                                      "9999999999999999",
                                      "0.3000000000000001",
                                      "123456789.123456",
                                      "1234567.89012345",
                                      "9007199254740993",
                                      "00000000000001.5"};
    uint64_t seed = 42;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const int int_length = static_cast<int>((seed >> 33) % 9);
        const int frac_length = static_cast<int>((seed >> 40) % 12);
        std::string text;
        uint64_t bits = seed;
        for (int d = 0; d < int_length + frac_length; ++d) {
            if (d == int_length) text += '.';
            bits = bits * 6364136223846793005ULL + 1;
            text += static_cast<char>('0' + (bits >> 60) % 10);
        }
        if (text.empty() || text == ".") continue;
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        std::string plain = text[0] == '.' ? "0" + text : text;
        if (plain[0] == '-') plain.erase(0, 1);
        double expected = 0;
        std::from_chars(plain.data(), plain.data() + plain.size(), expected);
        if (text[0] == '-') expected = -expected;
        const std::optional<double> got = StrToFloatOrNull(text);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(std::memcmp(&*got, &expected, sizeof(double)), 0) << *got << " " << expected;
    }
}

TEST(TextPrimitivesTest, TrimRemovesControlBytesButKeepsNoBreakSpace) {
    EXPECT_EQ(Trim("\r\n 1.85 \t"), "1.85");
    EXPECT_EQ(Trim("  \r\n\r\n  "), "");
    EXPECT_EQ(Trim("\0\x1f"
                   "a\x01"s),
              "a");
    EXPECT_EQ(Trim("\xA0"
                   "1.85 "),
              "\xA0"
              "1.85");
}

TEST(TextPrimitivesTest, LowerCasings) {
    EXPECT_EQ(Cp1251Lower(Utf8ToCp1251("ФУТБОЛ")), Utf8ToCp1251("футбол"));
    EXPECT_EQ(Cp1251Lower(Utf8ToCp1251("Ёж")), Utf8ToCp1251("ёж"));
    EXPECT_EQ(Cp1251Lower(Utf8ToCp1251("ЂЃЉЊЌЋЏЎЈҐЄЇІЅ Soccer")),
              Utf8ToCp1251("ђѓљњќћџўјґєїіѕ soccer"));
    EXPECT_EQ(AsciiLower(Utf8ToCp1251("ФУТБОЛ")), Utf8ToCp1251("ФУТБОЛ"));
    EXPECT_EQ(AsciiLower("Soccer"), "soccer");
}

TEST(TextPrimitivesTest, FindAndCopyUseOneBasedPositions) {
    EXPECT_EQ(Find("abcabc", "ca"), 3);
    EXPECT_EQ(Find("abc", "C"), 0);
    EXPECT_EQ(Find("", "a"), 0);
    EXPECT_EQ(Find("abc", ""), 0);
    EXPECT_EQ(Copy("abcdef", 0, 7), "abcdef");
    EXPECT_EQ(Copy("abc", -1, 2), "ab");
    EXPECT_EQ(Copy("abc", 4, 2), "");
    EXPECT_EQ(Copy("abc", 2, -1), "");
    EXPECT_EQ(Copy("abc", 2, 1), "b");
}

TEST(TextPrimitivesTest, ReplaceAllDoesNotRescanInsertedText) {
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("abab", "aba", "x"), "xb");
    EXPECT_EQ(ReplaceAll("A&amp;B", "&AMP;", "&"), "A&amp;B");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(TextPrimitivesTest, ReadIntegerAcceptsLeadingSpacesAndSignOnly) {
    EXPECT_EQ(ReadInteger("12"), 12);
    EXPECT_EQ(ReadInteger("  -7"), -7);
    EXPECT_EQ(ReadInteger("+05"), 5);
    EXPECT_EQ(ReadInteger("2147483647"), 2147483647);
    EXPECT_EQ(ReadInteger("-2147483648"), -2147483647 - 1);
    for (const char* bad :
         {"", " ", "-", "8:", "1 2", "12 ", "2147483648", "0x1F", "99999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ReadInteger(bad), std::nullopt);
    }
}

TEST(TextPrimitivesTest, ReplaceNbspHandlesBothFormsCaseSensitively) {
    EXPECT_EQ(ReplaceNbsp("A&nbsp;B&nbspC"), "A B C");
    EXPECT_EQ(ReplaceNbsp("&nbsp;&nbsp;"), "  ");
    EXPECT_EQ(ReplaceNbsp("&NBSP;"), "&NBSP;");
    EXPECT_EQ(ReplaceNbsp("&#160;\xA0"), "&#160;\xA0");
}

TEST(NormalizeLinesTest, EveryLineEndsInCrLf) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"a\nb", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\n\rb", "a\r\n\r\nb\r\n"},
        {"a\rb\r", "a\r\nb\r\n"},
        {"a\0b\r\n"s, "a b\r\n"},
        {"\0abc"s, " abc\r\n"},
        {"a\0\0\nb"s, "a  \r\nb\r\n"},
        {"", ""},
        {"\n", "\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        EXPECT_EQ(NormalizeLines(c.text), c.expected);
    }
}

}  // namespace
}  // namespace lintaro::readers
