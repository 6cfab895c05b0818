// Escaping control bytes: runs of printable bytes are copied whole, so plain text costs one copy.
#include "base/control_bytes.h"

namespace lintaro::base {

void AppendEscapingControlBytes(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    size_t plain_from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != 0x7F) continue;
        out.append(text, plain_from, i - plain_from);
        plain_from = i + 1;
        if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\n') {
            out += "\\n";
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    out.append(text, plain_from);
}

std::string EscapeControlBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEscapingControlBytes(out, text);
    return out;
}

}  // namespace lintaro::base
