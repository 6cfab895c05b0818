// Windows-1251 <-> UTF-8: every byte of the code page and the replacements for what it lacks.
#include "table/cp1251_text.h"

#include <gtest/gtest.h>

namespace lintaro::table {
namespace {

TEST(Cp1251TextTest, EveryAssignedByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != 0x98) all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\xB9\x88 A"), "АяЁё№€ A");
    EXPECT_EQ(Cp1251ToUtf8(std::string("\0\x98", 2)), std::string("\0\xEF\xBF\xBD", 4));
}

TEST(Cp1251TextTest, WhatTheCodePageLacksBecomesAQuestionMark) {
    const std::pair<std::string, std::string> cases[] = {
        {"日本", "??"},                 // outside the code page
        {"a\xF0\x9F\x98\x80z", "a?z"},  // a four-byte character
        {"\xD0", "?"},                  // a sequence cut short
        {"\xD0x", "?x"},                // a lead byte without continuation
        {"\x80", "?"},                  // a lone continuation byte
        {"\xEF\xBF\xBD", "?"},          // U+FFFD is no character of the code page
        {"Ёлка — ёж", "\xA8\xEB\xEA\xE0 \x97 \xB8\xE6"},
    };
    for (const auto& [utf8, cp1251] : cases) {
        SCOPED_TRACE(utf8);
        EXPECT_EQ(Utf8ToCp1251(utf8), cp1251);
    }
}

}  // namespace
}  // namespace lintaro::table
