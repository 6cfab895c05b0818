// What searching one subject needs besides the compiled program: the subject, the captures of the
// last search, the matcher's working memory (slots, choice stack, trail), the caches of where the
// required literal and the probe character were found, and the work budget. One TPattern owns one;
// the Program it searches with is shared and never written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "regex/pattern.h"
#include "regex/program.h"

namespace lintaro::regex {

inline constexpr int64_t kNoPosition = -1;

// One saved value of a matcher slot, restored when the search backtracks past it. Every slot
// value (a position, a loop count or index, or kNoPosition) fits in 32 bits.
struct TrailEntry {
    int32_t old_value;
    uint32_t old_stamp;
    uint32_t slot;
};
static_assert(sizeof(TrailEntry) == 12);

// Subjects are refused from this length on, so that every position, count and 1-based offset of
// one fits in 32 bits (and MatchPos's int).
inline constexpr size_t kMaxSubjectLength = 0x7FFFFFFE;

// What a choice point keeps for later, and so what returning to it tries next.
enum ChoiceKind : uint32_t {
    kAltChoice,         // the next alternative of a Branch
    kGreedyChoice,      // a smaller count of a greedy Star, Plus or Braces
    kLazyChoice,        // a larger count of a lazy StarLazy, PlusLazy or BracesLazy
    kFixedLoopChoice,   // fewer passes of a greedy "x*" or "x+" over a fixed-width pass
    kFixedCountChoice,  // fewer passes of a greedy counted loop over a fixed-width pass
    kFixedLazyChoice,   // more passes of a lazy counted loop over a fixed-width pass
    kLoopExitChoice,    // leaving a greedy counted loop instead of its next pass
    kLoopMoreChoice,    // another pass of a lazy counted loop instead of leaving it
};

// A point the search can come back to. Positions and counts fit in 32 bits (see
// kMaxSubjectLength), which keeps a choice at 24 bytes: a loop over a group with alternatives may
// keep one per pass.
struct ChoicePoint {
    // The node the choice belongs to: for kAltChoice the Branch of the next alternative; for the
    // repetitions their Star, Plus or Braces node; for the loops over a fixed pass the Branch
    // heading the loop or its Loop node; for kLoopExitChoice and kLoopMoreChoice the Loop node.
    uint32_t node;
    ChoiceKind kind;
    // The subject position the walk returns to: where the repetition or loop began, for the
    // others where the alternative, the loop's exit or its next pass is tried.
    uint32_t position;
    uint32_t trail_height;  // the trail is unwound to this height on returning
    // Repetitions and loops over a fixed pass: the count (repetitions of the operand, or passes)
    // last tried from `position`, which the next try moves away from.
    int32_t count_tried;
    // kLazyChoice: the longest run the operand matched from `position`, the last count to try.
    int32_t longest_count;
};
static_assert(sizeof(ChoicePoint) == 24);

// Where a character or a literal was last found in the subject, for a later search from at or
// before `from`: scanning ahead again on every search would make a walk over many matches
// quadratic.
struct Occurrence {
    bool valid = false;
    size_t from = 0;
    size_t at = 0;  // SIZE_MAX: none from `from` on
};

struct SearchState {
    // The subject and the result of the last search.
    bool has_input = false;
    std::string input;
    int64_t captures[2 * TPattern::kCaptureSlots];  // starts, then ends; kNoPosition for none

    unsigned long long backtrack_limit = 0;  // steps one search may take; 0: none
    // Steps all searches of the stored subject may take together (0: none), and what is left of
    // them; storing a subject fills the budget again.
    unsigned long long work_budget = 0;
    unsigned long long work_left = 0;

    // The required literal, and each form of the probe character.
    Occurrence required_cache;
    Occurrence probe_cache[2];

    // Matcher working memory, kept between searches to avoid allocations per attempt. The slots of
    // the running search, and for each the choice-stack depth at which its old value was last
    // saved: a slot written again under the same newest choice needs no second save, which keeps
    // the trail short in long deterministic stretches.
    int64_t slots[kSlotCount];
    uint32_t stamps[kSlotCount];
    std::vector<ChoicePoint> choices;
    std::vector<TrailEntry> trail;

    SearchState() { ClearCaptures(); }
    void ClearCaptures() {
        for (int64_t& c : captures) c = kNoPosition;
    }
    // The caches describe one subject under one program.
    void ForgetOccurrences() {
        required_cache.valid = false;
        probe_cache[0].valid = probe_cache[1].valid = false;
    }
};

// Searches the stored subject from the 0-based position `start` with `program`: the start
// positions the search data leaves (search.cpp), one attempt at each (match.cpp) until one
// matches; fills state.captures. Throws EPattern for a run-time error of the program.
bool SearchFrom(const Program& program, SearchState& state, size_t start);

}  // namespace lintaro::regex
