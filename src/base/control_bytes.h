// Text that reaches a person's terminal: control bytes made visible, so that a server's status line
// or a page's text cannot move the cursor, clear the screen, ring the bell or start a new line.
#pragma once

#include <string>
#include <string_view>

namespace lintaro::base {

// CR becomes "\r", LF becomes "\n", every other control byte (below 0x20, and 0x7F) "\xNN" in
// capital hex digits; a backslash stays as it is, and bytes from 0x80 up are kept.
std::string EscapeControlBytes(std::string_view text);

// Appends EscapeControlBytes(text) to `out`.
void AppendEscapingControlBytes(std::string& out, std::string_view text);

}  // namespace lintaro::base
