// Runs our matcher and PCRE2 side by side on generated patterns and subjects, on a table of chosen
// cases and on the first bookmaker's patterns over generated pages, and compares every match that
// Exec and ExecNext visit: whether it matches, the whole match and every capture group's offsets.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "first_page_gen.h"
#include "first_page_patterns.h"
#include "gtest/gtest.h"
#include "pattern_generator.h"
#include "regex/pattern.h"

namespace lintaro::regex {
namespace {

// Matches compared per subject; enough for every short subject, and a guard against a runaway loop.
constexpr size_t kMaxMatches = 40;
constexpr uint32_t kPcre2MatchLimit = 200000;

struct Slot {
    int start = -1;
    int end = -1;
    bool operator==(const Slot&) const = default;
};
using MatchSlots = std::array<Slot, TPattern::kCaptureSlots>;

struct RunResult {
    std::vector<MatchSlots> matches;
    std::string error;     // our engine raised EPattern
    bool gave_up = false;  // PCRE2 hit its backtracking limit: the case proves nothing
    bool operator==(const RunResult& other) const {
        return matches == other.matches && error == other.error;
    }
};

std::string Describe(const RunResult& result) {
    if (!result.error.empty()) return "error: " + result.error;
    if (result.matches.empty()) return "no match";
    std::string out;
    for (const MatchSlots& slots : result.matches) {
        int last = 0;
        for (int n = 0; n < TPattern::kCaptureSlots; ++n) {
            if (slots[n].start >= 0) last = n;
        }
        out += "\n    [";
        for (int n = 0; n <= last; ++n) {
            if (n > 0) out += " ";
            out += slots[n].start < 0
                       ? "-"
                       : std::to_string(slots[n].start) + "," + std::to_string(slots[n].end);
        }
        out += "]";
    }
    return out;
}

std::string ModifierText(const CaseModifiers& m) {
    std::string out;
    out += m.caseless ? "i" : "-i";
    out += m.cyrillic_ranges ? " r" : " -r";
    out += m.dot_all ? " s" : " -s";
    out += m.greedy ? " g" : " -g";
    out += m.multi_line ? " m" : " -m";
    return out;
}

struct Pcre2Deleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};

// One compiled PCRE2 pattern. Start-of-match optimisations and auto-possessification are off, so
// that PCRE2 backtracks the way our engine does and its match limit marks the cases that would
// take our engine long as well.
class Pcre2Pattern {
  public:
    Pcre2Pattern(const std::string& pattern, bool caseless,
                 uint32_t options = PCRE2_NO_START_OPTIMIZE | PCRE2_NO_AUTO_POSSESS,
                 uint32_t match_limit = kPcre2MatchLimit) {
        int error_code = 0;
        PCRE2_SIZE error_offset = 0;
        if (caseless) options |= PCRE2_CASELESS;
        code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                  options, &error_code, &error_offset, nullptr));
        if (!code_) {
            PCRE2_UCHAR text[256];
            pcre2_get_error_message(error_code, text, sizeof text);
            error_ =
                reinterpret_cast<char*>(text) + std::string(" at ") + std::to_string(error_offset);
            return;
        }
        data_.reset(pcre2_match_data_create(TPattern::kCaptureSlots, nullptr));
        context_.reset(pcre2_match_context_create(nullptr));
        pcre2_set_match_limit(context_.get(), match_limit);
    }

    const std::string& error() const { return error_; }

    // Every match in the order our ExecNext visits them: each search starts where the previous
    // match ended, one byte later after an empty match.
    RunResult AllMatches(const std::string& subject, size_t max_matches = kMaxMatches) const {
        RunResult result;
        PCRE2_SIZE start = 0;
        while (result.matches.size() < max_matches) {
            int rc = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()),
                                 subject.size(), start, 0, data_.get(), context_.get());
            if (rc == PCRE2_ERROR_NOMATCH) break;
            if (rc <= 0) {
                result.gave_up = true;
                break;
            }
            const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_.get());
            MatchSlots slots;
            for (int n = 0; n < rc && n < TPattern::kCaptureSlots; ++n) {
                if (ovector[2 * n] != PCRE2_UNSET) {
                    slots[n] = {static_cast<int>(ovector[2 * n]),
                                static_cast<int>(ovector[2 * n + 1])};
                }
            }
            result.matches.push_back(slots);
            start = ovector[1] + (ovector[0] == ovector[1] ? 1 : 0);
            if (start > subject.size()) break;
        }
        return result;
    }

  private:
    std::unique_ptr<pcre2_code, Pcre2Deleter> code_;
    std::unique_ptr<pcre2_match_data, Pcre2Deleter> data_;
    std::unique_ptr<pcre2_match_context, Pcre2Deleter> context_;
    std::string error_;
};

void SetModifiers(TPattern& pattern, const CaseModifiers& m) {
    pattern.SetModifierByIndex(1, m.caseless);
    pattern.SetModifierByIndex(2, m.cyrillic_ranges);
    pattern.SetModifierByIndex(3, m.dot_all);
    pattern.SetModifierByIndex(4, m.greedy);
    pattern.SetModifierByIndex(5, m.multi_line);
    pattern.SetModifierByIndex(6, false);
}

RunResult OurMatches(TPattern& pattern, const std::string& subject,
                     size_t max_matches = kMaxMatches) {
    RunResult result;
    try {
        bool found = pattern.Exec(subject);
        while (found && result.matches.size() < max_matches) {
            MatchSlots slots;
            for (int n = 0; n < TPattern::kCaptureSlots; ++n) {
                int start = pattern.MatchPos(n);
                int length = pattern.MatchLen(n);
                if (start >= 0 && length >= 0) slots[n] = {start, start + length};
            }
            result.matches.push_back(slots);
            found = pattern.ExecNext();
        }
    } catch (const EPattern& e) {
        result.error = std::to_string(e.Code) + " " + e.what();
    }
    return result;
}

// Tallies one family of cases and reports the first few differences in full.
class DiffReport {
  public:
    void Compare(const std::string& ours, const std::string& pcre2, const CaseModifiers& m,
                 const std::string& subject, const RunResult& expected, const RunResult& actual) {
        ++cases_;
        Matched(expected);
        if (expected == actual) return;
        ++differences_;
        if (details_.size() >= 8) return;
        details_.push_back("pattern  " + Printable(ours) + "\n  pcre2    " + Printable(pcre2) +
                           "\n  modifiers " + ModifierText(m) + "\n  subject  \"" +
                           Printable(subject) + "\"\n  PCRE2:   " + Describe(expected) +
                           "\n  ours:    " + Describe(actual));
    }
    void GaveUp() { ++gave_up_; }
    void Matched(const RunResult& expected) {
        if (!expected.matches.empty()) ++matched_;
        if (expected.matches.size() > 1) ++several_;
    }

    void Check(const char* family) const {
        std::string all;
        for (const std::string& d : details_) all += "\n" + d;
        EXPECT_EQ(differences_, 0) << family << ": " << differences_ << " of " << cases_
                                   << " cases differ from PCRE2 (first ones below)" << all;
        // The family must really exercise the engine, not be eaten by PCRE2's limit.
        EXPECT_LT(gave_up_ * 20, cases_ + 1) << family << ": too many cases beyond PCRE2's limit";
        std::printf("%s: %d cases, %d with a match, %d with several, %d beyond PCRE2's limit\n",
                    family, cases_, matched_, several_, gave_up_);
    }

  private:
    int cases_ = 0;
    int differences_ = 0;
    int gave_up_ = 0;
    int matched_ = 0;
    int several_ = 0;
    std::vector<std::string> details_;
};

void RunFamily(const char* family, const GeneratorProfile& profile, uint64_t seed, int patterns,
               int subjects_per_pattern) {
    PatternGenerator generator(profile, seed);
    DiffReport report;
    TPattern shared;
    for (int p = 0; p < patterns; ++p) {
        GeneratedPattern generated = generator.NextPattern();
        Pcre2Pattern reference(generated.pcre2, generated.modifiers.caseless);
        ASSERT_EQ(reference.error(), "")
            << "generator wrote a pattern PCRE2 refuses: " << Printable(generated.pcre2);
        // Every subject of a pattern goes to the same object, as the readers reuse theirs; every
        // other pattern goes to one long-lived object, so that a new expression or new modifiers
        // must replace the program compiled before.
        TPattern fresh;
        TPattern& ours = p % 2 == 0 ? fresh : shared;
        ours.SetExpression(generated.ours);
        SetModifiers(ours, generated.modifiers);
        for (int s = 0; s < subjects_per_pattern; ++s) {
            std::string subject = generator.NextSubject(generated);
            RunResult expected = reference.AllMatches(subject);
            if (expected.gave_up) {
                report.GaveUp();
                continue;
            }
            report.Compare(generated.ours, generated.pcre2, generated.modifiers, subject, expected,
                           OurMatches(ours, subject));
        }
    }
    report.Check(family);
}

TEST(PatternVersusPcre2, LiteralsClassesGroupsAndRepetition) {
    GeneratorProfile profile;
    profile.cyrillic_percent = 30;
    RunFamily("plain", profile, 1, 4000, 6);
}

TEST(PatternVersusPcre2, CaseInsensitiveAsciiLetters) {
    GeneratorProfile profile;
    profile.caseless_percent = 100;
    profile.backref_percent = 8;
    RunFamily("caseless", profile, 2, 2500, 6);
}

TEST(PatternVersusPcre2, LineAnchorsAndDotAcrossLineBreaks) {
    GeneratorProfile profile;
    profile.multi_line_percent = 60;
    profile.dot_all_percent = 50;
    profile.anchor_percent = 22;
    profile.line_break_percent = 22;
    profile.caseless_percent = 20;
    RunFamily("lines", profile, 3, 3000, 6);
}

TEST(PatternVersusPcre2, EveryQuantifierLazyWithoutG) {
    GeneratorProfile profile;
    profile.greedy_percent = 0;
    profile.dot_all_percent = 70;
    profile.caseless_percent = 20;
    RunFamily("lazy", profile, 4, 2500, 6);
}

TEST(PatternVersusPcre2, BackReferencesAndNestedGroups) {
    GeneratorProfile profile;
    profile.group_percent = 30;
    profile.backref_percent = 18;
    profile.caseless_percent = 30;
    profile.greedy_percent = 80;
    profile.max_depth = 4;
    RunFamily("groups", profile, 5, 2500, 6);
}

TEST(PatternVersusPcre2, CyrillicLiteralsAndRanges) {
    GeneratorProfile profile;
    profile.cyrillic_percent = 100;
    profile.class_percent = 35;
    RunFamily("cyrillic", profile, 6, 2000, 6);
}

// Longer subjects: repetitions of groups and of "." without s run through hundreds of iterations,
// where the engine keeps its backtracking state off the call stack.
TEST(PatternVersusPcre2, LongSubjects) {
    GeneratorProfile profile;
    profile.max_subject_length = 400;
    profile.max_depth = 2;
    profile.dot_all_percent = 50;
    profile.multi_line_percent = 30;
    profile.caseless_percent = 20;
    profile.group_percent = 25;
    RunFamily("long", profile, 7, 600, 4);
}

// Patterns that open like the readers' event patterns: fixed-width runs, then a literal.
TEST(PatternVersusPcre2, FixedWidthRunsBeforeALiteral) {
    GeneratorProfile profile;
    profile.fixed_prefix_percent = 100;
    profile.caseless_percent = 40;
    profile.dot_all_percent = 70;
    profile.line_break_percent = 12;
    profile.max_subject_length = 60;
    RunFamily("fixed runs", profile, 8, 2000, 6);
}

// Chosen cases: our spelling, the PCRE2 spelling of the same meaning, modifiers, subject.
struct ChosenCase {
    const char* ours;
    const char* pcre2;
    CaseModifiers modifiers;
    const char* subject;
};

constexpr CaseModifiers kDefault{};
constexpr CaseModifiers kCaseless{true, true, true, true, false};
constexpr CaseModifiers kMultiLine{false, true, true, true, true};
constexpr CaseModifiers kNoDotAll{false, true, false, true, false};
constexpr CaseModifiers kLazy{false, true, true, false, false};
constexpr CaseModifiers kPlainRanges{false, false, true, true, false};

// Line anchors under m, spelled for PCRE2 with the CR LF pair as one break.
#define LINE_START "(?:\\A|(?<=\\n)|(?<=\\r)(?!\\n))"
#define LINE_END "(?:\\z|(?=\\r)|(?<!\\r)(?=\\n))"

const ChosenCase kChosenCases[] = {
    {"a*", "a*", kDefault, "baaa"},
    {"(a)|(b)", "(a)|(b)", kDefault, "b"},
    {"(a)b|ac", "(a)b|ac", kDefault, "ac"},
    {"(a)*", "(a)*", kDefault, "aaa"},
    {"a|ab", "a|ab", kDefault, "ab"},
    {"ab??", "ab??", kDefault, "ab"},
    {".{0,10}b", "[\\x00-\\xff]{0,10}b", kDefault, "aaab"},
    {"ab*c", "ab*c", kDefault, "ac abc abbbc"},
    {"$", "\\z", kDefault, "ab\r\n"},
    {"^", LINE_START, kMultiLine, "a\nb\rc\r\nd\r\n"},
    {"$", LINE_END, kMultiLine, "a\nb\rc\r\nd\r\n"},
    {"^\\w+$", LINE_START "\\w+" LINE_END, kMultiLine, "ab\r\ncd\n\rde\r"},
    {".+", "[^\\r\\n]+", kNoDotAll, "ab\r\ncd\rx\ny"},
    {".+", "[\\x00-\\xff]+", kDefault, "ab\r\ncd"},
    {"\\s+", "[ \\t\\n\\r\\f]+", kDefault,
     "a \t\x0b\f\r\n\xA0"
     "b"},
    {"\\w+", "\\w+", kDefault, "ab\xE0\xE1_9"},
    {"\\bab\\B", "\\bab\\B", kDefault, "ab abc xab abd"},
    {"class=cap>", "class=cap>", kCaseless, "<div CLASS=Cap>"},
    {"[^\\<]+", "[^<]+", kCaseless, "abc<def<"},
    {"[]a]+", "[\\]a]+", kDefault, "x]a]b"},
    {"[a-]+|[-b]+", "[a\\-]+|[\\-b]+", kDefault, "a-b-"},
    {"[a-\\d]+", "[a\\-0-9]+", kDefault, "za-9x"},
    {"[\\D\\S\\W\\b]+", "[DSWb]+", kDefault, "xDSWbd"},
    {"\\x41\\x{42}\\x{0043}", "ABC", kDefault, "xABC"},
    {"\\0\\t\\e\\a", "0\\t\\x1b\\x07", kDefault, "0\t\x1b\x07"},
    {"(a)(b)?\\2", "(a)(b)?\\2", kDefault, "aab"},
    {"(a+)b\\1", "(a+)b\\1", kCaseless, "AaBa aabAA"},
    {"([ab])\\1*", "([ab])\\1*", kDefault, "aabbbab"},
    {"(ab)*c", "(ab)*c", kDefault, "ababcabc"},
    {"(ab){2,3}", "(ab){2,3}", kDefault, "abababab"},
    {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)(o)(p)(q)(r)(s)",
     "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)(o)(p)(q)(r)(s)", kDefault,
     "xabcdefghijklmnopqrsabcdefghijklmnopqrs"},
    {"((a)|(b)|(c))+(d)?\\4", "((a)|(b)|(c))+(d)?\\4", kDefault, "abcac cbacc"},
    {"(ab){2,3}?", "(ab){2,3}?", kDefault, "abababab"},
    {"a{0}b|(c){0,0}d", "a{0}b|(c){0,0}d", kDefault, "abcd"},
    {"(a|ab)(c|bcd)(d*)", "(a|ab)(c|bcd)(d*)", kDefault, "abcd"},
    {"a+b*?", "a+?b*?", kLazy, "aabb"},
    {"(a|b)+c", "(a|b)+?c", kLazy, "abac"},
    {"\xE0-\xFF", "\\xe0-\\xff", kDefault, "\xE0-\xFF"},
    {"[\xE0-\xFF]+", "[\\xe0-\\xff\\xb8]+", kDefault, "\xE0\xB8\xFF\xC0"},
    {"[\xE0-\xFF]+", "[\\xe0-\\xff]+", kPlainRanges, "\xE0\xB8\xFF\xC0"},
    {"[\xE0-\xDF]+", "[\\xc0-\\xff\\xa8\\xb8]+", kDefault, "\xA8\xE0\xB8\xDF!"},
};

TEST(PatternVersusPcre2, ChosenCases) {
    DiffReport report;
    for (const ChosenCase& c : kChosenCases) {
        Pcre2Pattern reference(c.pcre2, c.modifiers.caseless);
        ASSERT_EQ(reference.error(), "") << c.pcre2;
        TPattern ours;
        ours.SetExpression(c.ours);
        SetModifiers(ours, c.modifiers);
        report.Compare(c.ours, c.pcre2, c.modifiers, c.subject, reference.AllMatches(c.subject),
                       OurMatches(ours, c.subject));
    }
    report.Check("chosen");
}

// The reader's own patterns with its modifiers (i and r) on generated pages: first over the whole
// page, then each event pattern over every section body the section pattern cuts out, as the
// reader runs them. The page patterns have no Cyrillic letter, so caseless PCRE2 agrees with us.
TEST(PatternVersusPcre2, ReaderPatternsOnGeneratedPages) {
    constexpr uint32_t kPageOptions = PCRE2_DOTALL;
    constexpr size_t kAll = 1000000;
    CaseModifiers reader_modifiers{true, true, true, true, false};
    DiffReport report;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        std::string page = GenerateFirstBookmakerPage(120 * 1024, seed);
        for (const ReaderPattern& p : kFirstBookmakerPatterns) {
            Pcre2Pattern reference(p.text, true, kPageOptions, 100000000);
            ASSERT_EQ(reference.error(), "") << p.name;
            TPattern ours;
            ours.SetExpression(p.text);
            ours.SetModifierByIndex(1, true);
            ours.SetModifierByIndex(2, true);
            RunResult expected = reference.AllMatches(page, kAll);
            ASSERT_FALSE(expected.gave_up) << p.name;
            ASSERT_FALSE(expected.matches.empty()) << p.name << " finds nothing on the page";
            report.Compare(p.name, p.text, reader_modifiers, "<page " + std::to_string(seed) + ">",
                           expected, OurMatches(ours, page, kAll));
        }
        Pcre2Pattern sections(kFirstBookmakerPatterns[0].text, true, kPageOptions, 100000000);
        for (const MatchSlots& section : sections.AllMatches(page, kAll).matches) {
            std::string body = page.substr(section[3].start, section[3].end - section[3].start);
            for (size_t k = 1; k < std::size(kFirstBookmakerPatterns); ++k) {
                const ReaderPattern& p = kFirstBookmakerPatterns[k];
                Pcre2Pattern reference(p.text, true, kPageOptions, 100000000);
                TPattern ours;
                ours.SetExpression(p.text);
                ours.SetModifierByIndex(1, true);
                ours.SetModifierByIndex(2, true);
                report.Compare(p.name, p.text, reader_modifiers, body.substr(0, 200) + "...",
                               reference.AllMatches(body, kAll), OurMatches(ours, body, kAll));
            }
        }
    }
    report.Check("reader patterns");
}

}  // namespace
}  // namespace lintaro::regex
