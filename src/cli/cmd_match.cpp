// lintaro-cli match: runs one pattern over a file or standard input and prints the capture slots of
// each match as a JSON array of [start,end] byte offsets (null for a slot without both ends), or
// with --count only the number of matches.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "regex/pattern.h"

namespace lintaro::cli {

using regex::TPattern;

const char kMatchUsage[] =
    R"(usage: lintaro-cli match [--modifiers MODS] [--all] [--count] [--pattern-file F]
                         [--limit STEPS] [--] [PATTERN] [FILE]

Runs PATTERN over the raw bytes of FILE (standard input without FILE) and prints one line per
match: a JSON array of the 20 capture slots, each [start,end] as 0-based byte offsets, or null for
a slot without both ends. Without --all only the first match is printed. Matching stops at the
subject's first NUL byte (a warning names its offset); a subject must be shorter than 2 GiB.

options:
  --modifiers MODS    letters of i r s g m x to switch on, and after a "-" letters to switch off,
                      over the defaults (for example "ir", "-s", "i-g")
  --all               print every match, in the order they are found
  --count             go through every match and print only their number
  --pattern-file F    take the pattern from the raw bytes of file F instead of PATTERN
  --limit STEPS       let each search (for the first match, and for each next one) take at most
                      STEPS steps of work (nodes visited, returns to a choice, characters
                      scanned), so a pattern that would run for hours stops (default and 0: none)
  --help              show this help and exit

exit status: 0 whether or not anything matched; 1 a file cannot be read or the subject is 2 GiB or
longer; 2 a usage mistake or a pattern error ("EPattern CODE POSITION: MESSAGE" on standard error);
3 a search reached --limit (the matches found before it are printed, without --count).
)";

namespace {

// Applies "ir", "-s", "i-g": letters before a "-" switch on, letters after it switch off.
void ApplyModifiers(TPattern& pattern, const std::string& modifiers) {
    const std::string_view letters = regex::kModifierLetters;
    bool on = true;
    for (char letter : modifiers) {
        if (letter == '-') {
            on = false;
            continue;
        }
        size_t index = letters.find(letter);
        if (index == std::string_view::npos) {
            throw UsageError("unknown modifier '" + std::string(1, letter) + "' in --modifiers " +
                             modifiers + " (letters: " + regex::kModifierLetters +
                             ", '-' before those to switch off)");
        }
        pattern.SetModifierByIndex(static_cast<int>(index) + 1, on);
    }
}

// The longest subject a match can report offsets in: they are ints.
constexpr std::size_t kMaxSubject = INT_MAX;

[[noreturn]] void SubjectTooLong(const std::string& source) {
    throw std::runtime_error("Cannot match " + source + ": a subject must be shorter than " +
                             std::to_string(kMaxSubject + std::size_t{1}) +
                             " bytes (2 GiB), or offsets past that could not be reported");
}

// The subject: FILE's bytes, or standard input's. A file that is too long is refused before it
// is read; standard input is read up to one byte past the limit.
std::string ReadSubject(const std::vector<std::string>& positional, size_t at) {
    if (positional.size() > at) {
        const std::string& path = positional[at];
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<std::uint64_t>(info.st_size) > kMaxSubject) {
            SubjectTooLong("file " + path);
        }
        std::string bytes = ReadFileBytes(path);
        if (bytes.size() > kMaxSubject) SubjectTooLong("file " + path);
        return bytes;
    }
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        bytes.append(buffer, got);
        if (bytes.size() > kMaxSubject) SubjectTooLong("standard input");
    }
    if (std::ferror(stdin)) {
        throw std::runtime_error(std::string("Cannot read standard input: ") +
                                 std::strerror(errno));
    }
    return bytes;
}

// Matching stops at the first NUL byte of the subject, and a pattern ends at its first: say so
// rather than let a search end there unannounced.
void WarnOfNul(const std::string& bytes, const char* what) {
    const size_t nul = bytes.find('\0');
    if (nul == std::string::npos) return;
    std::cerr << "lintaro-cli: warning: the " << what << " holds a NUL byte at offset " << nul
              << "; it ends there for the matcher" << std::endl;
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
    Args args =
        ParseArgs(raw_args, {"--modifiers", "--pattern-file", "--limit"}, {"--all", "--count"});
    const long long limit = WholeNumberOption(args, "--limit", 0, LLONG_MAX, 0);
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
    const std::string subject = ReadSubject(args.positional, next);
    WarnOfNul(expression, "pattern");
    WarnOfNul(subject, "subject");
    const bool count_only = args.Has("--count");
    const bool all = args.Has("--all") || count_only;

    TPattern pattern;
    pattern.SetExpression(expression);
    ApplyModifiers(pattern, args.Value("--modifiers"));
    pattern.SetBacktrackLimit(static_cast<unsigned long long>(limit));
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
    } catch (const regex::EPattern& e) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
        if (e.Code == regex::kPatternBacktrackLimit && limit > 0) {
            // A count cut short would pass for the whole one: only the matches themselves are
            // printed.
            std::cerr << "lintaro-cli: a search took more than --limit " << limit
                      << " steps and was stopped" << std::endl;
            return 3;
        }
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
