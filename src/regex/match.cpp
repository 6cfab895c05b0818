// One attempt at a match (the Matcher, match.h): the forward walk over the program's nodes and the
// returns to the choices it kept. Where attempts are made is in search.cpp.
//
// Run walks forward over the pre-decoded records (program.h), one kind of record at a time (a Step
// function each); Backtrack resumes the newest choice (a Resume function per kind of choice). Each
// returns the record, or for the families walked from the node bytes the node, the walk goes on
// with, or kFail.
//
// A repetition of a single-character node keeps one ChoicePoint for the whole run and updates it
// in place, so its memory does not grow with the run's length; so does any loop, greedy, lazy or
// counted, over a group of fixed width without choices inside ("(ab)*", "(ab){2,}?", "." without
// line separators). A loop without an upper bound whose last pass over its group consumed nothing
// is not passed again (once its minimum is reached), which is how loops that could repeat an empty
// match forever come to an end; bounded loops run their passes as written.
//
// The matcher writes only the SearchState; the Program is shared and read-only.
#include "regex/match.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lintaro::regex {

using base::kCp1251ToggleCase;

namespace {

// Offset 0 is the signature, never a node, and record 0 stands for no node: a step or a resumed
// choice that returns it fails.
constexpr size_t kFail = 0;

}  // namespace

Matcher::Matcher(const Program& program, SearchState& state)
    : program_(program),
      state_(state),
      p_(program.bytes.data()),
      ops_(program.ops.data()),
      literal_forms_(program.literal_forms.data()),
      subject_(reinterpret_cast<const unsigned char*>(state.input.c_str())),
      length_(static_cast<int64_t>(state.input.size())),
      slots_(state.slots),
      stamps_(state.stamps),
      choices_(state.choices),
      trail_(state.trail) {
    // A search stops after the smaller of the per-search step limit and what is left of the
    // subject's work budget; ~Matcher charges the steps taken to the budget.
    constexpr unsigned long long kNoLimit = ~0ULL;
    search_limit_ = state.backtrack_limit != 0 ? state.backtrack_limit : kNoLimit;
    budget_left_ = state.work_budget != 0 ? state.work_left : kNoLimit;
    stop_at_ = std::min(search_limit_, budget_left_);
    // Along one path, a node is passed again without consuming only by a counted loop whose
    // body can pass empty, so a search keeps at most one choice per node per subject
    // character otherwise. Beyond that bound, plus a margin, a pattern such as
    // "(a{0,1}|b){99999999}" would only exhaust memory: the search stops with an error.
    choice_cap_ = program.bytes.size() * (state.input.size() + 1) + (size_t(1) << 20);
    std::memset(stamps_, 0, sizeof(state.stamps));
    choices_.clear();
    trail_.clear();
}

Matcher::~Matcher() {
    if (state_.work_budget != 0) {
        state_.work_left = steps_ >= state_.work_left ? 0 : state_.work_left - steps_;
    }
}

bool Matcher::TryAt(int64_t start) {
    Charge(1);
    for (int i = 0; i < 2 * TPattern::kCaptureSlots; ++i) slots_[i] = kNoPosition;
    slots_[kSlotLoopIndex] = 0;
    choices_.clear();
    trail_.clear();
    position_ = start;
    if (!Run()) return false;
    for (int i = 0; i < 2 * TPattern::kCaptureSlots; ++i) state_.captures[i] = slots_[i];
    state_.captures[0] = start;
    state_.captures[TPattern::kCaptureSlots] = position_;
    return true;
}

// --- Runs of a repeated operand, and which counts to try. ---

// The length one repetition of the operand consumes: 1, or for a back reference the length of
// its capture (-1 when the capture is missing).
inline int64_t Matcher::StepOf(size_t op) const {
    unsigned char code = p_[op];
    if (code != kBackRef && code != kBackRefCI) return 1;
    int group = BackRefGroup(p_, op);
    int64_t from = slots_[kSlotCaptureStart + group];
    int64_t to = slots_[kSlotCaptureEnd + group];
    if (from < 0 || to < from) return -1;
    return to - from;
}

inline bool Matcher::BackRefAt(size_t op, int64_t at) const {
    int group = BackRefGroup(p_, op);
    int64_t from = slots_[kSlotCaptureStart + group];
    int64_t to = slots_[kSlotCaptureEnd + group];
    int64_t len = to - from;
    if (at + len > length_) return false;
    if (p_[op] == kBackRef) return std::memcmp(subject_ + from, subject_ + at, len) == 0;
    for (int64_t i = 0; i < len; ++i) {
        unsigned char want = subject_[from + i];
        unsigned char got = subject_[at + i];
        if (got != want && got != kCp1251ToggleCase[want]) return false;
    }
    return true;
}

// How many times in a row the simple operand matches from `start`, at most `maximum`.
inline int64_t Matcher::RegRepeat(size_t op, int64_t maximum, int64_t start, int64_t step) const {
    int64_t limit = length_ - start;
    if (maximum < limit) limit = maximum;
    const unsigned char* s = subject_ + start;
    switch (p_[op]) {
        case kAnyChar:
            return limit;
        case kBackRef:
        case kBackRefCI: {
            if (step < 0) return 0;
            if (step == 0) return limit;  // an empty capture repeats without moving
            int64_t count = 0;
            while (count < maximum && BackRefAt(op, start + count * step)) ++count;
            return count;
        }
        case kAnyButTiny: {
            // A negated class of one character, as "[^<]": the run ends at its next
            // occurrence.
            const unsigned char* t = p_ + OperandOf(op);
            if (t[0] == t[1] && t[1] == t[2]) {
                const void* hit = std::memchr(s, t[0], static_cast<size_t>(limit));
                return hit == nullptr ? limit : static_cast<const unsigned char*>(hit) - s;
            }
            break;
        }
        default:
            break;
    }
    const bool* table = program_.CharTableAt(op);
    int64_t count = 0;
    while (count < limit && table[s[count]]) ++count;
    return count;
}

// The count in [low, high] nearest to the end `order` begins at whose end position holds what
// must follow, or -1: the largest such count for a greedy repetition, the smallest for a lazy
// one. The counts looked at are charged as work. A count whose end cannot start what follows
// would fail at once, so the rest of the pattern is not even tried there.
template <Matcher::CountOrder order>
inline int64_t Matcher::Candidate(int64_t start, int64_t low, int64_t high, int64_t step,
                                  const FixedRun* follow) {
    constexpr bool kDown = order == CountOrder::kLargestFirst;
    if (high < low) return -1;
    const int64_t first = kDown ? high : low;
    if (follow == nullptr) return first;
    if (step == 0) return FollowsAt(follow, start) ? first : -1;
    int64_t k = -1;
    if (step == 1 && follow->first_is_char && follow->first_one == follow->first_other) {
        // Only the places of the text's first character need a look.
        const unsigned char ch = follow->first_one;
        const unsigned char* base = subject_ + start;
        for (int64_t bottom = low, top = high; bottom <= top;) {
            const size_t span = static_cast<size_t>(top - bottom + 1);
            const void* hit =
                kDown ? memrchr(base + bottom, ch, span) : std::memchr(base + bottom, ch, span);
            if (hit == nullptr) break;
            int64_t at = static_cast<const unsigned char*>(hit) - base;
            if (FollowsAt(follow, start + at)) {
                k = at;
                break;
            }
            if (kDown) {
                top = at - 1;
            } else {
                bottom = at + 1;
            }
        }
    } else {
        for (int64_t at = first; kDown ? at >= low : at <= high; at += kDown ? -1 : 1) {
            if (FollowsAt(follow, start + at * step)) {
                k = at;
                break;
            }
        }
    }
    // Every count from `first` up to the one found, or to the other end, was looked at.
    const int64_t last = k >= 0 ? k : kDown ? low : high;
    Charge(static_cast<unsigned long long>(kDown ? first - last + 1 : last - first + 1));
    return k;
}

// --- Loops over a fixed-width pass. ---

// For a lazy counted loop over a fixed pass: the smallest count from `from` on, at most
// `maximum`, whose end fits the peek, given that the first `verified` passes are known to
// match; -1 when the passes stop matching first.
inline int64_t Matcher::LazyPasses(const FixedLoop& loop, int64_t start, int64_t verified,
                                   int64_t from, int64_t maximum, const FixedRun* follow) {
    for (int64_t j = from;; ++j) {
        if (j > maximum) return -1;
        Charge(1);
        if (j > verified) {
            Charge(static_cast<unsigned long long>(loop.width));
            int64_t at = start + (j - 1) * loop.width;
            if (at + loop.width > length_ || !PassMatches(loop, at)) return -1;
            verified = j;
        }
        if (FollowsAt(follow, start + j * loop.width)) return j;
    }
}

// How many passes in a row match from `start`, at most `maximum`; the passes scanned are
// charged as work.
inline int64_t Matcher::CountPasses(const FixedLoop& loop, int64_t start, int64_t maximum) {
    int64_t passes = 0;
    for (int64_t at = start;
         passes < maximum && at + loop.width <= length_ && PassMatches(loop, at);
         at += loop.width) {
        ++passes;
    }
    Charge(static_cast<unsigned long long>((passes + 1) * loop.width));
    return passes;
}

// Whether one pass of the loop matches at `at`; the caller has checked that a whole pass fits
// before the subject end.
inline bool Matcher::PassMatches(const FixedLoop& loop, int64_t at) const {
    for (const auto& [node, offset] : loop.steps) {
        int64_t q = at + offset;
        switch (p_[node]) {
            case kLiteral:
                for (const unsigned char* l = LiteralText(p_, node); *l != 0; ++l, ++q) {
                    if (subject_[q] != *l) return false;
                }
                break;
            case kLiteralCI:
                for (const unsigned char* l = LiteralText(p_, node); *l != 0; ++l, ++q) {
                    if (subject_[q] != *l && subject_[q] != kCp1251ToggleCase[*l]) return false;
                }
                break;
            case kAnyNotLineSep:
                if (!NotLineSeparatorAt(q)) return false;
                break;
            default:
                if (!OneMatches(node, subject_[q])) return false;
                break;
        }
    }
    return true;
}

// Puts the loop after `passes` passes from `start`: the position, and the captures of the
// last pass (none set for no pass, which leaves them as they were before the loop).
inline void Matcher::EnterFixedLoopCount(const FixedLoop& loop, int64_t start, int64_t passes) {
    position_ = start + passes * loop.width;
    if (passes == 0) return;
    int64_t last = start + (passes - 1) * loop.width;
    for (const auto& [slot, offset] : loop.writes) Set(slot, last + offset);
}

// --- The forward walk: one Step per node family. ---

// Runs the program from its first record at position_; true when it reaches End.
bool Matcher::Run() {
    // Each kind of record has its own dispatch to the next one at the end of its code (a
    // computed goto): an interpreter's shared dispatch jump is mispredicted most of the time,
    // while one jump per kind learns which kind tends to follow it. Each step is counted
    // without a check: a forward walk cannot go on for long without passing a choice, a loop
    // node or a scan, which check.
    static const void* const kOpCode[] = {
        &&fail,       &&end,  &&assertion, &&single,     &&not_line_sep, &&literal,
        &&literal_ci, &&open, &&close,     &&run,        &&branch,       &&back,
        &&back_ref,   &&pass, &&repeat,    &&loop_entry, &&loop_node,    &&stretch,
    };
    static_assert(sizeof(kOpCode) / sizeof(kOpCode[0]) == kOpStretch + 1);
    const Op* const ops = ops_;
    uint32_t i = program_.first_op;
#define LINTARO_GO_ON(step)                         \
    i = (step);                                     \
    if (i == kFail && !Backtrack(&i)) return false; \
    ++steps_;                                       \
    goto* kOpCode[ops[i].kind]

    ++steps_;
    goto* kOpCode[ops[i].kind];
fail:
    LINTARO_GO_ON(kFail);
end:
    return true;
assertion:
    LINTARO_GO_ON(AssertionHolds(ops[i].code) ? ops[i].next : kFail);
single:
    LINTARO_GO_ON(StepOneOf(ops[i]));
not_line_sep:
    if (!NotLineSeparatorAt(position_)) {
        LINTARO_GO_ON(kFail);
    }
    ++position_;
    LINTARO_GO_ON(ops[i].next);
literal:
    LINTARO_GO_ON(StepText<false>(ops[i]));
literal_ci:
    LINTARO_GO_ON(StepText<true>(ops[i]));
open:
close:
    Set(ops[i].arg, position_);
    LINTARO_GO_ON(ops[i].next);
run:
    LINTARO_GO_ON(StepRun(ops[i]));
branch:
    LINTARO_GO_ON(OpAt(StepBranch(ops[i].node)));
back:
    LINTARO_GO_ON(OpAt(StepBack(ops[i].node)));
back_ref:
    LINTARO_GO_ON(OpAt(StepBackRef(ops[i].node)));
pass:
    LINTARO_GO_ON(OpAt(Next(ops[i].node)));
repeat:
    LINTARO_GO_ON(OpAt(StepRepetition(ops[i].node)));
loop_entry:
    LINTARO_GO_ON(OpAt(StepLoopEntry(ops[i].node)));
loop_node:
    LINTARO_GO_ON(OpAt(StepLoop(ops[i].node)));
stretch:
    LINTARO_GO_ON(StepStretch(ops[i]));
#undef LINTARO_GO_ON
}

// One character through its table.
inline uint32_t Matcher::StepOneOf(const Op& op) {
    if (position_ >= length_ || !op.table[subject_[position_]]) return kFail;
    ++position_;
    return op.next;
}

// Literal text, exact or in either case. The subject copy ends in a 0 byte and holds none
// before it, and no form of a literal character is 0, so a compare stops at the end by itself.
template <bool either_case>
inline uint32_t Matcher::StepText(const Op& op) {
    const unsigned char* lit = literal_forms_ + op.text;
    const unsigned char* s = subject_ + position_;
    const int32_t n = op.minimum;
    for (int32_t j = 0; j < n; ++j) {
        if (s[j] != lit[j] && (!either_case || s[j] != lit[n + j])) return kFail;
    }
    position_ += n;
    return op.next;
}

// A one-pass stretch: every position checked in one loop, then its group marks written. The
// steps counted are its records', as if walked one by one.
inline uint32_t Matcher::StepStretch(const Op& op) {
    const Stretch& stretch = program_.stretches[op.text];
    const int64_t at = position_;
    const int64_t width = stretch.width;
    const int64_t fits = std::min(width, length_ - at);
    const unsigned char* s = subject_ + at;
    const bool* const* tables = stretch.tables.data();
    int64_t j = 0;
    while (j < fits && tables[j][s[j]]) ++j;
    if (j < width) {
        // The first position that failed, or the subject end inside the stretch.
        Spend(stretch.failed[static_cast<size_t>(j)]);
        return kFail;
    }
    Spend(stretch.matched);
    if (choices_.empty()) {
        // No choice to come back to: nothing to save for one.
        for (const auto& [offset, slot] : stretch.writes) slots_[slot] = at + offset;
    } else {
        for (const auto& [offset, slot] : stretch.writes) Set(slot, at + offset);
    }
    position_ = at + width;
    return op.next;
}

// How many characters in a row from `start` the run's character matches, at most its maximum.
inline int64_t Matcher::ScanRun(const Op& op, int64_t start) const {
    int64_t limit = length_ - start;
    if (op.maximum < limit) limit = op.maximum;
    const unsigned char* s = subject_ + start;
    switch (op.arg) {
        case kScanAll:
            return limit;
        case kScanUntil: {
            const void* hit = std::memchr(s, static_cast<int>(op.text), static_cast<size_t>(limit));
            return hit == nullptr ? limit : static_cast<const unsigned char*>(hit) - s;
        }
        default: {
            const bool* table = op.table;
            int64_t count = 0;
            while (count < limit && table[s[count]]) ++count;
            return count;
        }
    }
}

// A repetition of one character: the run is counted at once, and one choice point keeps the
// counts left to try.
inline uint32_t Matcher::StepRun(const Op& op) {
    const int64_t start = position_;
    const int64_t count = ScanRun(op, start);
    // A run of "." is taken without looking at it; every other run was scanned, up to the
    // character that ended it.
    if (op.arg != kScanAll) Charge(static_cast<unsigned long long>(count + 1));
    if (count < op.minimum) return kFail;
    const FixedRun* peek = op.follow;
    int64_t k;
    if (op.flags & kOpExclusive) {
        // Every shorter run ends on a character of the run, which cannot start what follows:
        // the whole run is the one count to try, and what follows checks itself.
        k = count;
    } else if (op.flags & kOpOneCount) {
        // Bounds that admit one count: what follows checks itself too. Its look ahead is
        // counted as if made here, so that a match costs the steps it always did.
        if (peek != nullptr) Charge(1);
        k = count;
    } else if (!(op.flags & kOpLazy)) {
        k = Candidate<CountOrder::kLargestFirst>(start, op.minimum, count, 1, peek);
        if (k < 0) return kFail;
        if (k > op.minimum) {
            // A choice is kept only when a smaller count is left that what follows could
            // start after; a choice that can only fail would make every capture written
            // after it go on the trail.
            int64_t below = peek == nullptr ? k - 1
                                            : Candidate<CountOrder::kLargestFirst>(
                                                  start, op.minimum, k - 1, 1, peek);
            if (below >= 0) Push(kGreedyChoice, op.node, start, below + 1);
        }
    } else {
        k = Candidate<CountOrder::kSmallestFirst>(start, op.minimum, count, 1, peek);
        if (k < 0) return kFail;
        if (k < count) Push(kLazyChoice, op.node, start, k, count);
    }
    position_ = start + k;
    return op.next;
}

// Anchors and boundaries: whether the position passes the test; they consume nothing.
inline bool Matcher::AssertionHolds(unsigned char code) const {
    const unsigned char* s = subject_;
    switch (code) {
        case kInputStart:
            return position_ == 0;
        case kInputEnd:
            return position_ == length_;
        case kLineStart: {
            // After a separator, or after the whole pair; never between its two characters.
            if (position_ == 0) return true;
            unsigned char before = s[position_ - 1];
            if (program_.pair_assigned && before == program_.pair_second && position_ >= 2 &&
                s[position_ - 2] == program_.pair_first) {
                return true;
            }
            if (program_.pair_assigned && before == program_.pair_first &&
                s[position_] == program_.pair_second) {
                return false;
            }
            return program_.separator_table[before];
        }
        case kLineEnd: {
            // Before a separator, or before the whole pair; never between its two characters.
            if (position_ == length_) return true;
            unsigned char ch = s[position_];
            if (StartsLinePair(position_)) return true;
            if (program_.pair_assigned && ch == program_.pair_second && position_ >= 1 &&
                s[position_ - 1] == program_.pair_first) {
                return false;
            }
            return program_.separator_table[ch];
        }
        default: {  // kWordBound, kNotWordBound
            bool before = position_ > 0 && program_.word_table[s[position_ - 1]];
            bool after = position_ < length_ && program_.word_table[s[position_]];
            return (before != after) == (code == kWordBound);
        }
    }
}

// The text a group captured, again.
inline size_t Matcher::StepBackRef(size_t node) {
    int64_t step = StepOf(node);
    if (step < 0) return kFail;
    Charge(static_cast<unsigned long long>(step));
    if (!BackRefAt(node, position_)) return kFail;
    position_ += step;
    return Forward(node);
}

// The end of a pass of a greedy "x*" or "x+" over a group: back to the choice between another
// pass and the rest, unless the pass consumed nothing.
inline size_t Matcher::StepBack(size_t node) {
    size_t target = Next(node);
    if (target == 0) return kFail;
    if (p_[target] == kBranch) {
        // End of a pass of x*: an empty pass ends the loop.
        if (EmptyIteration(OperandOf(target))) {
            size_t rest = Next(target);
            return rest == 0 ? kFail : OperandOf(rest);
        }
    } else if (EmptyIteration(target)) {
        return kFail;  // x+ after an empty pass: no further pass
    }
    return target;
}

// An alternative: a lone Branch is no choice; a loop over a fixed pass counts its passes at
// once; otherwise the next alternative is kept for later.
inline size_t Matcher::StepBranch(size_t node) {
    size_t next = Next(node);
    if (next == 0 || p_[next] != kBranch) return PassTo(OperandOf(node));
    if (const FixedLoop* loop = program_.FixedLoopAt(node); loop != nullptr) {
        int64_t start = position_;
        int64_t passes = CountPasses(*loop, start, INT64_MAX);
        int64_t k = Candidate<CountOrder::kLargestFirst>(start, 0, passes, loop->width,
                                                         program_.FollowAt(node));
        if (k < 0) return kFail;
        if (k > 0) Push(kFixedLoopChoice, node, start, k);
        EnterFixedLoopCount(*loop, start, k);
        return OperandOf(next);
    }
    // The later alternatives are kept for a return only when one of them can begin here.
    if (program_.alternatives_start_at[node][subject_[position_]]) {
        Push(kAltChoice, next, position_);
    }
    return OperandOf(node);
}

// A repetition of a simple operand: the run is counted at once, and one choice point keeps
// the counts left to try.
inline size_t Matcher::StepRepetition(size_t node) {
    Repetition rep = ReadRepetition(p_, node);
    int64_t start = position_;
    int64_t step = StepOf(rep.operand);
    int64_t count = RegRepeat(rep.operand, rep.maximum, start, step);
    // A run of "." or of an empty back reference is taken without looking at it; every other
    // run was scanned, up to the character that ended it.
    if (p_[rep.operand] != kAnyChar && step > 0) {
        Charge(static_cast<unsigned long long>((count + 1) * step));
    }
    if (count < rep.minimum) return kFail;
    size_t next = Forward(node);
    const FixedRun* peek = program_.FollowAt(node);
    int64_t k;
    if (!rep.lazy && peek != nullptr && peek->exclusive) {
        // Every shorter run ends on a character of the run, which cannot start what follows:
        // the whole run is the one count to try, and what follows checks itself.
        k = count;
    } else if (!rep.lazy) {
        k = Candidate<CountOrder::kLargestFirst>(start, rep.minimum, count, step, peek);
        if (k < 0) return kFail;
        if (k > rep.minimum && step != 0) {
            // A choice is kept only when a smaller count is left that what follows could
            // start after; a choice that can only fail would make every capture written
            // after it go on the trail.
            int64_t below = peek == nullptr ? k - 1
                                            : Candidate<CountOrder::kLargestFirst>(
                                                  start, rep.minimum, k - 1, step, peek);
            if (below >= 0) Push(kGreedyChoice, node, start, below + 1);
        }
    } else {
        k = Candidate<CountOrder::kSmallestFirst>(start, rep.minimum, count, step, peek);
        if (k < 0) return kFail;
        if (k < count && step != 0) Push(kLazyChoice, node, start, k, count);
    }
    position_ = start + k * (step < 0 ? 0 : step);
    return next;
}

// The start of a counted loop: a new counter on the loop stack.
inline size_t Matcher::StepLoopEntry(size_t node) {
    int64_t index = slots_[kSlotLoopIndex] + 1;
    if (index > kLoopStackDepth) RunTimeError(kPatternLoopStackExceeded);
    Set(kSlotLoopIndex, index);
    Set(kSlotLoopCount + static_cast<int>(index), 0);
    return Forward(node);
}

// The end of a pass of a counted loop (and its first arrival, from the LoopEntry): another
// pass while below the minimum; then, greedy, another pass with leaving kept as the choice,
// or, lazy, leaving with another pass kept as the choice.
size_t Matcher::StepLoop(size_t node) {
    int64_t index = slots_[kSlotLoopIndex];
    if (index <= 0) RunTimeError(kPatternLoopWithoutEntry);
    // Passes of a counted loop count against the bound too: nested loops with huge minimums
    // over bodies that can pass empty do that much work without ever backing up.
    Charge(1);
    int counter = kSlotLoopCount + static_cast<int>(index);
    CountedLoop bounds = ReadCountedLoop(p_, node);
    int64_t n = slots_[counter];
    if (n == 0) {
        if (const FixedLoop* loop = program_.FixedLoopAt(node); loop != nullptr) {
            return EnterFixedCountedLoop(node, *loop, index, bounds.minimum, bounds.maximum);
        }
    }
    if (n < bounds.minimum) {
        Set(counter, n + 1);
        return bounds.body;
    }
    if (p_[node] == kLoop) {
        bool stop = bounds.maximum == kInfiniteCount && n > 0 && EmptyIteration(bounds.body);
        if (n < bounds.maximum && !stop) {
            Push(kLoopExitChoice, node, position_);
            Set(counter, n + 1);
            return bounds.body;
        }
        Set(kSlotLoopIndex, index - 1);
        return Next(node);
    }
    Push(kLoopMoreChoice, node, position_);
    Set(kSlotLoopIndex, index - 1);
    return Next(node);
}

// A counted loop over a fixed pass, first arrived at: all its passes are counted here, with
// one choice point for the counts left to try.
inline size_t Matcher::EnterFixedCountedLoop(size_t node, const FixedLoop& loop, int64_t index,
                                             int64_t minimum, int64_t maximum) {
    int64_t start = position_;
    size_t next = Next(node);
    const FixedRun* peek = program_.FollowAt(node);
    int64_t k;
    if (p_[node] == kLoop) {
        int64_t passes = CountPasses(loop, start, maximum);
        if (passes < minimum) return kFail;
        k = Candidate<CountOrder::kLargestFirst>(start, minimum, passes, loop.width, peek);
        if (k < 0) return kFail;
        if (k > minimum) Push(kFixedCountChoice, node, start, k);
    } else {
        for (int64_t j = 0; j < minimum; ++j) {
            Charge(static_cast<unsigned long long>(loop.width));
            int64_t at = start + j * loop.width;
            if (at + loop.width > length_ || !PassMatches(loop, at)) return kFail;
        }
        k = LazyPasses(loop, start, minimum, minimum, maximum, peek);
        if (k < 0) return kFail;
        if (k < maximum) Push(kFixedLazyChoice, node, start, k);
    }
    EnterFixedLoopCount(loop, start, k);
    Set(kSlotLoopIndex, index - 1);
    return next;
}

// --- Backtracking: one Resume per kind of choice. ---

// Resumes the newest choice that has something left to try; false when none has.
bool Matcher::Backtrack(uint32_t* op_out) {
    while (!choices_.empty()) {
        Charge(1);
        ChoicePoint& c = choices_.back();
        Unwind(c.trail_height);
        position_ = c.position;
        size_t node = kFail;
        switch (c.kind) {
            case kAltChoice:
                node = ResumeAlternative(c);
                break;
            case kFixedLoopChoice:
                node = ResumeFixedLoop(c);
                break;
            case kGreedyChoice:
            case kLazyChoice:
                node = ResumeRepetition(c);
                break;
            case kFixedCountChoice:
            case kFixedLazyChoice:
                node = ResumeFixedCountedLoop(c);
                break;
            case kLoopExitChoice:
                node = ResumeLoopExit(c);
                break;
            case kLoopMoreChoice:
                node = ResumeLoopMore(c);
                break;
        }
        if (node != kFail) {
            *op_out = OpAt(node);
            return true;
        }
    }
    return false;
}

// The next alternative; the choice stays while more follow.
inline size_t Matcher::ResumeAlternative(ChoicePoint& c) {
    size_t node = c.node;
    size_t after = Next(node);
    if (after != 0 && p_[after] == kBranch) {
        c.node = static_cast<uint32_t>(after);
    } else {
        choices_.pop_back();
    }
    return OperandOf(node);
}

// A greedy "x*" or "x+" over a fixed pass: one pass fewer.
inline size_t Matcher::ResumeFixedLoop(ChoicePoint& c) {
    const FixedLoop& loop = *program_.FixedLoopAt(c.node);
    size_t rest = OperandOf(Next(c.node));
    int64_t start = c.position;
    int64_t k = Candidate<CountOrder::kLargestFirst>(start, 0, c.count_tried - 1, loop.width,
                                                     program_.FollowAt(c.node));
    if (k <= 0) {
        choices_.pop_back();
    } else {
        c.count_tried = static_cast<int32_t>(k);
    }
    if (k < 0) return kFail;
    EnterFixedLoopCount(loop, start, k);
    return rest;
}

// A repetition of a simple operand: the next smaller (greedy) or larger (lazy) count.
inline size_t Matcher::ResumeRepetition(ChoicePoint& c) {
    Repetition rep = ReadRepetition(p_, c.node);
    int64_t step = StepOf(rep.operand);
    size_t next = Next(c.node);
    const FixedRun* peek = program_.FollowAt(c.node);
    int64_t start = c.position;
    int64_t k;
    if (c.kind == kGreedyChoice) {
        k = Candidate<CountOrder::kLargestFirst>(start, rep.minimum, c.count_tried - 1, step, peek);
        if (k < 0 || k == rep.minimum) {
            choices_.pop_back();
        } else {
            c.count_tried = static_cast<int32_t>(k);
        }
    } else {
        k = Candidate<CountOrder::kSmallestFirst>(start, c.count_tried + 1, c.longest_count, step,
                                                  peek);
        if (k < 0 || k == c.longest_count) {
            choices_.pop_back();
        } else {
            c.count_tried = static_cast<int32_t>(k);
        }
    }
    if (k < 0) return kFail;
    position_ = start + k * step;
    return next;
}

// A counted loop over a fixed pass: one pass fewer (greedy) or more (lazy).
inline size_t Matcher::ResumeFixedCountedLoop(ChoicePoint& c) {
    size_t node = c.node;
    const FixedLoop& loop = *program_.FixedLoopAt(node);
    CountedLoop bounds = ReadCountedLoop(p_, node);
    size_t next = Next(node);
    const FixedRun* peek = program_.FollowAt(node);
    int64_t start = c.position;
    int64_t k;
    if (c.kind == kFixedCountChoice) {
        k = Candidate<CountOrder::kLargestFirst>(start, bounds.minimum, c.count_tried - 1,
                                                 loop.width, peek);
        if (k < 0 || k == bounds.minimum) {
            choices_.pop_back();
        } else {
            c.count_tried = static_cast<int32_t>(k);
        }
    } else {
        k = LazyPasses(loop, start, c.count_tried, c.count_tried + 1, bounds.maximum, peek);
        if (k < 0 || k >= bounds.maximum) {
            choices_.pop_back();
        } else {
            c.count_tried = static_cast<int32_t>(k);
        }
    }
    if (k < 0 || next == 0) return kFail;
    EnterFixedLoopCount(loop, start, k);
    Set(kSlotLoopIndex, slots_[kSlotLoopIndex] - 1);
    return next;
}

// A greedy counted loop whose next pass failed: leave the loop here instead.
inline size_t Matcher::ResumeLoopExit(ChoicePoint& c) {
    size_t node = c.node;
    choices_.pop_back();
    Set(kSlotLoopIndex, slots_[kSlotLoopIndex] - 1);
    return Next(node);
}

// A lazy counted loop whose continuation failed: try one more pass.
inline size_t Matcher::ResumeLoopMore(ChoicePoint& c) {
    size_t node = c.node;
    choices_.pop_back();
    CountedLoop bounds = ReadCountedLoop(p_, node);
    int64_t index = slots_[kSlotLoopIndex];
    int counter = kSlotLoopCount + static_cast<int>(index);
    int64_t n = slots_[counter];
    if (n >= bounds.maximum) return kFail;
    if (bounds.maximum == kInfiniteCount && n > 0 && EmptyIteration(bounds.body)) return kFail;
    Set(counter, n + 1);
    return bounds.body;
}

}  // namespace lintaro::regex
