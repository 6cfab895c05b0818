// Fuzz target of the pattern matcher: compiles an arbitrary pattern under arbitrary modifiers and
// walks every match over an arbitrary subject, checking that captures stay inside the subject.
// Input: one byte of modifier bits (bit k switches modifier k+1; bit 6 clears the line pair),
// then the pattern up to the first NUL byte, then the subject.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "regex/pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t nul = rest.find('\0');
    std::string_view pattern = rest.substr(0, nul);
    std::string_view subject =
        nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);

    lintaro::regex::TPattern matcher;
    matcher.SetExpression(pattern);
    for (int index = 1; index <= 6; ++index) {
        matcher.SetModifierByIndex(index, (flags >> (index - 1)) & 1);
    }
    if (flags & 0x40) matcher.SetLinePairedSeparator("");
    // Nested repetitions take exponential time on subjects they do not match, as in any
    // backtracking matcher; the bound keeps each input short and is itself exercised.
    matcher.SetBacktrackLimit(50000);
    try {
        bool found = matcher.Exec(subject);
        // Every match starts at or after the previous one's end, so this ends; the cap keeps one
        // input short.
        for (int round = 0; found && round < 200; ++round) {
            for (int n = 0; n < lintaro::regex::TPattern::kCaptureSlots; ++n) {
                int pos = matcher.MatchPos(n);
                int len = matcher.MatchLen(n);
                if (pos >= 0 && len >= 0 && static_cast<size_t>(pos) + len > subject.size()) {
                    std::abort();
                }
                if (matcher.Match(n).size() != static_cast<size_t>(len < 0 ? 0 : len)) {
                    if (pos >= 0) std::abort();
                }
            }
            found = matcher.ExecNext();
        }
    } catch (const lintaro::regex::EPattern&) {
        // Compile errors and the loop-stack limit are ordinary outcomes.
    }
    return 0;
}
