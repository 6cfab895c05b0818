// The protocol text helpers: the one reader of written-out IPv4 addresses, which both the socket's
// host lookup and the cookie store's host rules go through.
#include "http/net_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace lintaro::http {
namespace {

TEST(DottedQuadTest, ReadsFourNumbersOfOneToThreeDigits) {
    struct Case {
        const char* text;
        std::uint32_t address;
    };
    for (const Case c : {Case{"127.0.0.1", 0x7F000001u},
                         {"0.0.0.0", 0},
                         {"255.255.255.255", 0xFFFFFFFFu},
                         {"010.001.000.9", 0x0A010009u}}) {
        SCOPED_TRACE(c.text);
        std::uint32_t address = 0;
        EXPECT_TRUE(ParseDottedQuad(c.text, address));
        EXPECT_EQ(address, c.address);
    }
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.", "1.2.3.4.5", "256.0.0.1", "0001.2.3.4", "+1.2.3.4", "1.2.3.-4",
          " 1.2.3.4", "1.2.3.4 ", "1..2.3", "a.b.c.d", "example.com"}) {
        SCOPED_TRACE(bad);
        std::uint32_t address = 7;
        EXPECT_FALSE(ParseDottedQuad(bad, address));
        EXPECT_EQ(address, 7u);
    }
}

}  // namespace
}  // namespace lintaro::http
