// Windows-1251 <-> UTF-8 through one table of the code page's upper half.
#include "table/cp1251_text.h"

#include <array>
#include <cstdint>

namespace lintaro::table {
namespace {

// Unicode code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char32_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t ToUnicode(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
    return kHighHalf[byte - 0x80];
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char FromUnicode(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(0xC0 + (cp - 0x0410));
    for (size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] == cp && cp != 0xFFFD) return static_cast<char>(0x80 + i);
    }
    return '?';
}

// The UTF-8 bytes of each Windows-1251 byte, built once: converting is then one table look-up and
// a copy of at most three bytes per character.
struct Utf8Table {
    std::array<std::array<char, 3>, 256> bytes{};
    std::array<uint8_t, 256> length{};
    Utf8Table() {
        for (int b = 0; b < 256; ++b) {
            std::string utf8;
            AppendUtf8(utf8, ToUnicode(static_cast<unsigned char>(b)));
            length[b] = static_cast<uint8_t>(utf8.size());
            for (size_t k = 0; k < utf8.size(); ++k) bytes[b][k] = utf8[k];
        }
    }
};

}  // namespace

std::string Cp1251ToUtf8(std::string_view cp1251) {
    static const Utf8Table table;
    std::string out(cp1251.size() * 3, '\0');
    char* dest = out.data();
    for (char c : cp1251) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            *dest++ = c;
        } else {
            const auto& utf8 = table.bytes[byte];
            dest[0] = utf8[0];
            dest[1] = utf8[1];
            dest[2] = utf8[2];
            dest += table.length[byte];
        }
    }
    out.resize(dest - out.data());
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = lead < 0x80           ? 0
                    : (lead >> 5) == 0x6  ? 1
                    : (lead >> 4) == 0xE  ? 2
                    : (lead >> 3) == 0x1E ? 3
                                          : -1;
        if (extra < 0 || i + extra >= utf8.size() + (extra == 0 ? 1 : 0)) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            auto cont = static_cast<unsigned char>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cont & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += FromUnicode(cp);
        i += extra + 1;
    }
    return out;
}

}  // namespace lintaro::table
