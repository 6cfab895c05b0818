// The inside of a TPattern: settings, the compiled program with its search data, the stored
// subject and the captures, shared by the face (pattern.cpp), the compiler (compile.cpp) and the
// matcher (match.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "regex/pattern.h"
#include "regex/program.h"

namespace lintaro::regex {

inline constexpr int64_t kNoPosition = -1;

// One saved value of a matcher slot, restored when the search backtracks past it.
struct TrailEntry {
    int64_t old_value;
    uint32_t old_stamp;
    uint32_t slot;
};

// A point the search can come back to. `kind` says what to try next there.
struct ChoicePoint {
    uint32_t node;     // program offset the choice belongs to
    uint32_t kind;     // ChoiceKind in match.cpp
    int64_t position;  // subject position to return to
    size_t trail;      // trail height to unwind to
    int64_t a;         // kind-specific: the count last tried by a repetition
    int64_t b;         // kind-specific: the longest count of a lazy repetition
};

// A greedy "x*" or "x+" whose operand always consumes the same number of characters and holds
// no choice, such as "(ab)*" or "." without line separators: the matcher counts its passes in
// one go and keeps one choice point for all of them, as for a repeated single character.
struct FixedLoop {
    int64_t width = 0;                              // characters one pass consumes
    std::vector<std::pair<size_t, int64_t>> steps;  // character tests: node, offset in a pass
    std::vector<std::pair<int, int64_t>> writes;    // capture slots set: slot, offset in a pass
};

// Matcher slots: capture starts 0..19, capture ends 20..39, loop counters 40..50 (index 1..10
// used), and the loop index.
inline constexpr int kSlotCaptureStart = 0;
inline constexpr int kSlotCaptureEnd = TPattern::kCaptureSlots;
inline constexpr int kSlotLoopCount = 2 * TPattern::kCaptureSlots;
inline constexpr int kSlotLoopIndex = kSlotLoopCount + kLoopStackDepth + 1;
inline constexpr int kSlotCount = kSlotLoopIndex + 1;

struct PatternState {
    // Settings.
    std::string expression;  // empty: no expression
    int modifiers = kModR | kModS | kModG;
    int program_modifiers = 0;
    std::string space_characters = " \t\n\r\f";
    std::string word_characters = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
    std::string line_separator_characters = "\r\n";
    bool pair_assigned = true;
    unsigned char pair_first = '\r';
    unsigned char pair_second = '\n';
    CharSet line_separator_set;

    // The compiled program (empty: none) and its search data.
    bool compiled = false;
    std::vector<unsigned char> program;
    unsigned char start_char = 0;
    bool anchored = false;
    size_t required_offset = 0;  // offset of the required literal's text in the program
    size_t required_length = 0;  // 0: no required literal
    CharSet start_set;
    bool start_table[256] = {};
    // A character every match has at a fixed distance from its start, when the pattern begins
    // with pieces of fixed width followed by a literal (as "([0-9\s]{6})<b" has "<" at 6): the
    // search looks for that character and tries only the starts that distance before it.
    int64_t probe_offset = -1;  // -1: none
    unsigned char probe_one = 0;
    unsigned char probe_other = 0;  // the other-case form for a case-insensitive literal

    // The subject and the result of the last search.
    bool has_input = false;
    std::string input;
    int64_t captures[2 * TPattern::kCaptureSlots];  // starts, then ends; kNoPosition for none

    unsigned long long backtrack_limit = 0;  // steps one search may take; 0: none
    // Steps all searches of the stored subject may take together (0: none), and what is left of
    // them; storing a subject fills the budget again.
    unsigned long long work_budget = 0;
    unsigned long long work_left = 0;

    // Where the required literal was last found: a later search from at or before that position
    // needs no new scan.
    bool required_cache_valid = false;
    size_t required_cache_from = 0;
    size_t required_cache_at = 0;
    // The same for the two forms of the probe character: scanning ahead for the rarer form on
    // every search would make iterating over many matches quadratic.
    struct Occurrence {
        bool valid = false;
        size_t from = 0;
        size_t at = 0;
    };
    Occurrence probe_cache[2];
    void ForgetOccurrences() {
        required_cache_valid = false;
        probe_cache[0].valid = probe_cache[1].valid = false;
    }

    // Matcher working memory, kept between searches to avoid allocations per attempt.
    // The slots of the running search, and for each the choice-stack depth at which its old
    // value was last saved: a slot written again under the same newest choice needs no second
    // save, which keeps the trail short in long deterministic stretches.
    int64_t slots[kSlotCount];
    uint32_t stamps[kSlotCount];
    std::vector<ChoicePoint> choices;
    std::vector<TrailEntry> trail;

    // Membership tables of the word and line-separator characters, for the matcher's tests.
    bool word_table[256] = {};
    bool separator_table[256] = {};

    PatternState() {
        ClearCaptures();
        for (unsigned char ch : word_characters) word_table[ch] = true;
        for (unsigned char ch : line_separator_characters) separator_table[ch] = true;
    }
    void ClearCaptures() {
        for (int64_t& c : captures) c = kNoPosition;
    }
    // Per program offset of a Branch: -2 not yet examined, -1 no fixed loop, else an index into
    // fixed_loops. Filled by the matcher as it meets the Branches.
    std::vector<int32_t> fixed_loop_of;
    std::vector<FixedLoop> fixed_loops;

    void DiscardProgram() {
        program.clear();
        fixed_loop_of.clear();
        fixed_loops.clear();
        compiled = false;
        ForgetOccurrences();
    }
};

// Builds the message of error `code` and throws EPattern; compile errors (below 1000) carry the
// position in their text.
[[noreturn]] void RaiseError(int code, int position);

// Compiles state.expression under state.modifiers into state.program and derives the search data
// (compile.cpp). Throws EPattern for a pattern that does not compile.
void CompileExpression(PatternState& state);

// Searches the stored subject from the 0-based position `start` (match.cpp); fills
// state.captures. Throws EPattern for a run-time error of the program.
bool SearchFrom(PatternState& state, size_t start);

}  // namespace lintaro::regex
