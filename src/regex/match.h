// One attempt at a match: the Matcher walks a compiled program over the stored subject from one
// start position, with backtracking (match.cpp). Which start positions are worth an attempt is
// the search's business (search.cpp); the program's layout and its node readers are in program.h,
// the subject and the matcher's working memory in search_state.h.
//
// The walk never recurses. Every place with a choice left (an alternative, a repetition count, a
// counted loop's exit or next iteration) is a ChoicePoint on a heap stack, and every slot write
// (capture starts and ends, loop counters, loop index) is undone from a trail when the walk backs
// up past it, so a long subject costs heap memory, never call stack. The order in which choices are
// tried is the depth-first order of the node walk: alternatives as written, greedy counts from the
// largest down, lazy counts from the smallest up.
//
// One Matcher serves one search: it counts the work of all the attempts the search makes, against
// the per-search step limit and the subject's work budget, and charges it to the budget when done.
#pragma once

#include <cstdint>
#include <vector>

#include "regex/program.h"
#include "regex/search_state.h"

// The matcher's small helpers run once per node or per character: they are inlined whatever the
// compiler's size heuristics say, since a call there costs as much as the work itself.
#define LINTARO_HOT [[gnu::always_inline]] inline

namespace lintaro::regex {

[[noreturn]] void RaiseError(int code, int position);

class Matcher {
  public:
    // Clears the working memory of `state` for a new search of its subject with `program`.
    Matcher(const Program& program, SearchState& state);
    // Charges the steps taken to the subject's work budget.
    ~Matcher();
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;

    // One attempt at `start`: true when a match begins there, its captures then in
    // state.captures. Throws EPattern when the search runs past its work limits.
    bool TryAt(int64_t start);

  private:
    // Which end of a range of counts a candidate search begins at.
    enum class CountOrder { kLargestFirst, kSmallestFirst };

    // --- Slots, the trail, the choice stack and the work count. ---

    LINTARO_HOT void Set(int slot, int64_t value) {
        uint32_t depth = static_cast<uint32_t>(choices_.size());
        if (depth != 0 && stamps_[slot] != depth) {
            trail_.push_back(
                {static_cast<int32_t>(slots_[slot]), stamps_[slot], static_cast<uint32_t>(slot)});
            stamps_[slot] = depth;
        }
        slots_[slot] = value;
    }

    void Unwind(size_t height) {
        while (trail_.size() > height) {
            const TrailEntry& e = trail_.back();
            slots_[e.slot] = e.old_value;
            stamps_[e.slot] = e.old_stamp;
            trail_.pop_back();
        }
    }

    // Adds `steps` of work and stops the search when it is past its limit. A step is a node
    // visited, a return to a choice, a counted loop's pass, a start position tried or a character
    // scanned by a repetition, so the time a search takes is bounded by its steps.
    LINTARO_HOT void Charge(unsigned long long steps) {
        steps_ += steps;
        if (steps_ > stop_at_)
            RunTimeError(steps_ > search_limit_ ? kPatternBacktrackLimit : kPatternSubjectBudget);
    }

    // Counts a stretch's steps: those its records would have checked against the limits, then
    // the rest.
    LINTARO_HOT void Spend(StretchSteps steps) {
        if (steps.checked != 0) Charge(steps.checked);
        steps_ += steps.unchecked;
    }

    LINTARO_HOT void Push(ChoiceKind kind, size_t node, int64_t position, int64_t count_tried = 0,
                          int64_t longest_count = 0) {
        // The trail's height is kept in 32 bits too: a search that saved 4 Gi slot values would
        // have exhausted memory long before.
        if (choices_.size() >= choice_cap_ || trail_.size() > UINT32_MAX) {
            RunTimeError(kPatternBacktrackLimit);
        }
        Charge(0);
        choices_.push_back({static_cast<uint32_t>(node), kind, static_cast<uint32_t>(position),
                            static_cast<uint32_t>(trail_.size()), static_cast<int32_t>(count_tried),
                            static_cast<int32_t>(longest_count)});
    }

    [[noreturn]] void RunTimeError(int code) {
        choices_.clear();
        trail_.clear();
        RaiseError(code, 0);
    }

    // --- Links and single characters. ---

    LINTARO_HOT size_t Next(size_t node) const { return program_.next_of[node]; }
    // Where the walk goes on once `node` matched, or arriving at `node`: nodes that do nothing
    // when passed are stepped over. Next is for the program's structure; these are for walking.
    LINTARO_HOT size_t Forward(size_t node) const { return program_.forward_of[node]; }
    LINTARO_HOT size_t PassTo(size_t node) const { return program_.pass_to[node]; }

    LINTARO_HOT bool StartsLinePair(int64_t at) const {
        return program_.pair_assigned && subject_[at] == program_.pair_first &&
               subject_[at + 1] == program_.pair_second;
    }
    LINTARO_HOT bool NotLineSeparatorAt(int64_t at) const {
        return at < length_ && !program_.separator_table[subject_[at]] && !StartsLinePair(at);
    }

    // Whether the single-character node `op` (or a one-character literal) matches `ch`, a
    // character before the subject end. AnyNotLineSep needs the next character too: see
    // NotLineSeparatorAt.
    LINTARO_HOT bool OneMatches(size_t op, unsigned char ch) const {
        return program_.CharTableAt(op)[ch];
    }

    // Whether what must follow a repetition fits at `at` (nothing known: anything does).
    LINTARO_HOT bool FollowsAt(const FixedRun* follow, int64_t at) const {
        return follow == nullptr || follow->FitsAt(subject_, length_, at);
    }

    // Whether the loop body starting at `body` is a group whose last pass consumed nothing.
    LINTARO_HOT bool EmptyIteration(size_t body) const {
        unsigned char code = p_[body];
        return IsOpen(code) && slots_[kSlotCaptureStart + (code - kOpenBase)] == position_;
    }

    // --- Defined in match.cpp. ---
    //
    // The compiler is told where to inline rather than left to guess: every step and resume is
    // folded into Run or Backtrack, so that the walk is one function with one dispatch per node
    // family; Backtrack and StepLoop, which most walks reach rarely, stay out of Run's way.

    // Repetitions and loops over a fixed pass.
    LINTARO_HOT int64_t StepOf(size_t op) const;
    LINTARO_HOT bool BackRefAt(size_t op, int64_t at) const;
    LINTARO_HOT int64_t RegRepeat(size_t op, int64_t maximum, int64_t start, int64_t step) const;
    template <CountOrder order>
    LINTARO_HOT int64_t Candidate(int64_t start, int64_t low, int64_t high, int64_t step,
                                  const FixedRun* follow);
    LINTARO_HOT int64_t LazyPasses(const FixedLoop& loop, int64_t start, int64_t verified,
                                   int64_t from, int64_t maximum, const FixedRun* follow);
    LINTARO_HOT int64_t CountPasses(const FixedLoop& loop, int64_t start, int64_t maximum);
    LINTARO_HOT bool PassMatches(const FixedLoop& loop, int64_t at) const;
    LINTARO_HOT void EnterFixedLoopCount(const FixedLoop& loop, int64_t start, int64_t passes);

    // The forward walk over the pre-decoded records: one Step per kind of record. The steps of
    // the families walked from the node bytes return a node offset, which OpAt turns into its
    // record; the others return the record directly.
    bool Run();
    LINTARO_HOT uint32_t OpAt(size_t node) const { return program_.op_at[node]; }
    LINTARO_HOT uint32_t StepOneOf(const Op& op);
    template <bool either_case>
    LINTARO_HOT uint32_t StepText(const Op& op);
    LINTARO_HOT int64_t ScanRun(const Op& op, int64_t start) const;
    LINTARO_HOT uint32_t StepRun(const Op& op);
    LINTARO_HOT uint32_t StepStretch(const Op& op);
    LINTARO_HOT bool AssertionHolds(unsigned char code) const;
    LINTARO_HOT size_t StepBackRef(size_t node);
    LINTARO_HOT size_t StepBack(size_t node);
    LINTARO_HOT size_t StepBranch(size_t node);
    LINTARO_HOT size_t StepRepetition(size_t node);
    LINTARO_HOT size_t StepLoopEntry(size_t node);
    [[gnu::noinline]] size_t StepLoop(size_t node);
    LINTARO_HOT size_t EnterFixedCountedLoop(size_t node, const FixedLoop& loop, int64_t index,
                                             int64_t minimum, int64_t maximum);

    // Backtracking: one Resume per kind of choice.
    [[gnu::noinline]] bool Backtrack(uint32_t* op_out);
    LINTARO_HOT size_t ResumeAlternative(ChoicePoint& c);
    LINTARO_HOT size_t ResumeFixedLoop(ChoicePoint& c);
    LINTARO_HOT size_t ResumeRepetition(ChoicePoint& c);
    LINTARO_HOT size_t ResumeFixedCountedLoop(ChoicePoint& c);
    LINTARO_HOT size_t ResumeLoopExit(ChoicePoint& c);
    LINTARO_HOT size_t ResumeLoopMore(ChoicePoint& c);

    const Program& program_;
    SearchState& state_;
    const unsigned char* p_;
    const Op* ops_;
    const unsigned char* literal_forms_;
    const unsigned char* subject_;
    int64_t length_;
    int64_t* slots_;
    uint32_t* stamps_;
    std::vector<ChoicePoint>& choices_;
    std::vector<TrailEntry>& trail_;
    int64_t position_ = 0;
    unsigned long long steps_ = 0;         // work done by this search
    unsigned long long search_limit_ = 0;  // the per-search step limit (all ones: none)
    unsigned long long budget_left_ = 0;   // what the subject's budget had left (all ones: none)
    unsigned long long stop_at_ = 0;       // the smaller of the two
    size_t choice_cap_ = 0;
};

}  // namespace lintaro::regex
