// The pattern matcher: a backtracking regular-expression engine over 8-bit Windows-1251 text.
// One TPattern object holds one pattern; it is compiled lazily at the first search after the
// expression, the modifiers or the line-separator pair changed. Positions are byte offsets.
// Inside (src/regex): the compiler (compile.cpp) turns the expression into a Program (program.h),
// the search-data analysis (search_data.cpp) adds what searches read, a search picks where to try
// (search.cpp) and the matcher makes each attempt (match.h, match.cpp).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lintaro::regex {

struct PatternState;

// The codes EPattern carries. Below 1000 the pattern does not compile and the error's position
// says where; from 1000 on a setting or a search failed.
enum EPatternCode : int {
    kPatternTooManyGroups = 102,        // more than 19 groups
    kPatternGroupNotClosed = 103,       // "(" without its ")"
    kPatternCloseWithoutOpen = 104,     // ")" without its "("
    kPatternRepeatOfEmpty = 106,        // "*" or "+" over something that can match nothing
    kPatternNestedRepeat = 107,         // a quantifier right after a quantifier
    kPatternBadHexDigit = 108,          //
    kPatternInvalidRange = 109,         // "[z-a]"
    kPatternClassTrailingEscape = 110,  // "\" ends the pattern inside a class
    kPatternNoHexCode = 111,            // "\x" without digits
    kPatternHexCodeTooBig = 112,        // "\x{...}" beyond 255
    kPatternClassNotClosed = 113,       // "[" without its "]"
    kPatternRepeatOfNothing = 115,      // a quantifier with nothing before it
    kPatternTrailingEscape = 116,       // "\" ends the pattern
    kPatternBracesTooBig = 122,         // a count in "{n,m}" of more than 8 digits
    kPatternBracesMinAboveMax = 124,    // "{3,2}"
    kPatternCommentNotClosed = 125,     // "(?#" without its ")"
    kPatternUnknownModifier = 127,      // "(?q)"
    kPatternBadLinePair = 128,          // SetLinePairedSeparator: not two different characters
    kPatternNoExpression = 1003,
    kPatternCorruptProgram = 1004,
    kPatternNoInput = 1005,              // ExecPos without a subject
    kPatternOffsetBelowOne = 1006,       // ExecPos(0) and below
    kPatternExecNextWithoutExec = 1007,  //
    kPatternBadModifierIndex = 1013,     // a modifier index outside 1..6
    kPatternLoopStackExceeded = 1014,    // counted loops nested more than 10 deep
    kPatternLoopWithoutEntry = 1015,     // a corrupt program
    kPatternBacktrackLimit = 1016,       // SetBacktrackLimit's bound was reached
    kPatternSubjectBudget = 1017,        // the subject's work budget is spent
    kPatternSubjectTooLong = 1018,       // a subject of 2 GiB or more (up to its first NUL)
};

// The modifiers by index, as SetModifierByIndex takes them, and their letters in index order (as
// "(?i-s)" and lintaro-cli match --modifiers write them). Modifier n is bit 1 << (n - 1) of a set.
enum PatternModifier : int {
    kModifierI = 1,  // letters match either case
    kModifierR = 2,  // Cyrillic ranges in classes
    kModifierS = 3,  // "." matches line ends too
    kModifierG = 4,  // quantifiers are greedy
    kModifierM = 5,  // "^" and "$" match at line ends
    kModifierX = 6,  // blanks and "#" comments in the pattern are ignored
};
inline constexpr char kModifierLetters[] = "irsgmx";

// A compile or run-time error of the matcher: its code (EPatternCode), and for a compile error the
// position in the pattern where it was found (0 otherwise).
class EPattern : public std::runtime_error {
  public:
    EPattern(const std::string& message, int code, int position)
        : std::runtime_error(message), Code(code), Position(position) {}
    int Code;
    int Position;
};

class TPattern {
  public:
    static constexpr int kCaptureSlots = 20;

    TPattern();
    ~TPattern();
    TPattern(const TPattern&) = delete;
    TPattern& operator=(const TPattern&) = delete;

    // The pattern text; it ends at its first NUL byte.
    void SetExpression(std::string_view expression);
    const std::string& Expression() const;

    // Modifiers by index: 1 i, 2 r, 3 s, 4 g, 5 m, 6 x. Any other index throws EPattern 1013.
    void SetModifierByIndex(int index, bool on);
    bool GetModifierByIndex(int index) const;

    // A two-character line break ("" clears it); throws EPattern 128 for anything else.
    void SetLinePairedSeparator(std::string_view pair);

    // Stores the subject (clearing every capture) without searching. A subject ends at its first
    // NUL byte; one of 2 GiB or more is refused with EPattern 1018, leaving no subject stored.
    void SetInputString(std::string_view subject);

    // Searches `subject` from its start. Throws EPattern for a pattern that does not compile.
    bool Exec(std::string_view subject);
    // Searches on from where the last match ended (one byte later after an empty match).
    bool ExecNext();
    // Searches the stored subject from the 1-based offset.
    bool ExecPos(int offset = 1);

    // The text of capture slot n (0 = the whole match); empty when the slot is unset or n is out
    // of range 0..19.
    std::string Match(int n) const;
    // 0-based byte offset of the start of slot n in the subject, or -1 when the slot has none.
    int MatchPos(int n) const;
    // Length of slot n in bytes, or -1 when the slot has no start or no end.
    int MatchLen(int n) const;

    // Bounds the work of one search: after `limit` steps it stops with EPattern 1016. A step is a
    // node of the program visited, a return to an earlier choice, a pass of a counted loop, a start
    // position tried or a character scanned by a repetition, so a search's time is bounded by its
    // steps. 0, the default, sets no bound. (A search also stops with 1016 when it would keep
    // more choices at once than one per program byte per subject character, which only a counted
    // loop repeating an empty pass millions of times reaches.) Patterns such as "(x+)*y" take
    // time exponential in the subject's length on subjects they do not match; a caller that runs
    // patterns it does not control sets a bound.
    void SetBacktrackLimit(unsigned long long limit);

    // Bounds the work of all searches of one subject together: Exec and every ExecNext after it
    // spend steps (as above) from one budget of `steps`, filled again whenever a subject is
    // stored. A search that exhausts it stops with EPattern 1017, its captures cleared. A caller
    // that walks every match of a text it does not control gives a budget proportional to the
    // text, which bounds the whole walk however many matches it finds. 0, the default, sets none.
    void SetWorkBudget(unsigned long long steps);
    // Steps spent from the budget since the subject was stored (0 without a budget).
    unsigned long long WorkSpent() const;

    // Inspection of the compiled form, for tests and tools. Compile() compiles now when the
    // expression, the modifiers or the line pair changed (throwing EPattern as a search would);
    // the accessors describe the program of the last successful compile (empty when none).
    void Compile();
    std::string_view ProgramBytes() const;
    // The first character of a case-sensitive leading literal, 0 when none.
    unsigned char StartChar() const;
    // Whether the pattern begins with a subject-start anchor.
    bool Anchored() const;
    // A literal every match contains, empty when none.
    std::string_view RequiredLiteral() const;
    // Whether a match can begin with character ch (0 stands for the subject end).
    bool InStartCharSet(unsigned char ch) const;

  private:
    void EnsureCompiled();
    std::unique_ptr<PatternState> state_;  // keeps the engine's internals out of this header
};

}  // namespace lintaro::regex
