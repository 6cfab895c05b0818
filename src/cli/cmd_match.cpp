// lintaro-cli match: runs one pattern over a file or standard input and prints the capture slots of
// each match as a JSON array of [start,end] byte offsets (null for a slot without both ends), or
// with --count only the number of matches.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "regex/pattern.h"

namespace lintaro::cli {

const char kMatchUsage[] =
    R"(usage: lintaro-cli match [--modifiers MODS] [--all] [--count] [--pattern-file F] [--]
                         [PATTERN] [FILE]

Runs PATTERN over the raw bytes of FILE (standard input without FILE) and prints one line per
match: a JSON array of the 20 capture slots, each [start,end] as 0-based byte offsets, or null for
a slot without both ends. Without --all only the first match is printed.

options:
  --modifiers MODS    letters of i r s g m x to switch on, and after a "-" letters to switch off,
                      over the defaults (for example "ir", "-s", "i-g")
  --all               print every match, in the order they are found
  --count             go through every match and print only their number
  --pattern-file F    take the pattern from the raw bytes of file F instead of PATTERN
  --help              show this help and exit

exit status: 0 whether or not anything matched; 1 a file cannot be read; 2 a usage mistake or a
pattern error ("EPattern CODE POSITION: MESSAGE" on standard error).
)";

namespace {

// Applies "ir", "-s", "i-g": letters before a "-" switch on, letters after it switch off.
void ApplyModifiers(TPattern& pattern, const std::string& modifiers) {
    const std::string_view letters = kModifierLetters;
    bool on = true;
    for (char letter : modifiers) {
        if (letter == '-') {
            on = false;
            continue;
        }
        size_t index = letters.find(letter);
        if (index == std::string_view::npos) {
            throw UsageError("unknown modifier '" + std::string(1, letter) + "' in --modifiers " +
                             modifiers + " (letters: " + kModifierLetters +
                             ", '-' before those to switch off)");
        }
        pattern.SetModifierByIndex(static_cast<int>(index) + 1, on);
    }
}

void AppendSlots(const TPattern& pattern, std::string& out) {
    out += '[';
    for (int n = 0; n < TPattern::kCaptureSlots; ++n) {
        if (n > 0) out += ',';
        int pos = pattern.MatchPos(n);
        int len = pattern.MatchLen(n);
        if (pos < 0 || len < 0) {
            out += "null";
        } else {
            out += '[' + std::to_string(pos) + ',' + std::to_string(pos + len) + ']';
        }
    }
    out += "]\n";
}

}  // namespace

int RunMatch(const std::vector<std::string>& raw_args) {
    Args args = ParseArgs(raw_args, {"--modifiers", "--pattern-file"}, {"--all", "--count"});
    std::string expression;
    size_t next = 0;
    if (args.Has("--pattern-file")) {
        expression = ReadFileBytes(args.Value("--pattern-file"));
    } else {
        if (args.positional.empty()) throw UsageError("match needs a PATTERN or --pattern-file");
        expression = args.positional[next++];
    }
    if (args.positional.size() > next + 1) {
        throw UsageError("match takes at most one FILE, got an extra argument " +
                         args.positional[next + 1]);
    }
    std::string subject =
        args.positional.size() > next ? ReadFileBytes(args.positional[next]) : ReadStdinBytes();
    const bool count_only = args.Has("--count");
    const bool all = args.Has("--all") || count_only;

    TPattern pattern;
    pattern.SetExpression(expression);
    ApplyModifiers(pattern, args.Value("--modifiers"));
    std::string out;
    long long count = 0;
    try {
        for (bool found = pattern.Exec(subject); found; found = all && pattern.ExecNext()) {
            ++count;
            if (!count_only) {
                AppendSlots(pattern, out);
                if (out.size() >= (1u << 16)) {
                    std::fwrite(out.data(), 1, out.size(), stdout);
                    out.clear();
                }
            }
            if (!all) break;
        }
    } catch (const EPattern& e) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
        std::cerr << "EPattern " << e.Code << ' ' << e.Position << ": " << OneLine(e.what())
                  << std::endl;
        return 2;
    }
    if (count_only) out = std::to_string(count) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return 0;
}

}  // namespace lintaro::cli
