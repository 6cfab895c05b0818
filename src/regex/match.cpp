// The matcher: walks the compiled program over the stored subject with backtracking.
//
// The walk never recurses. Every place with a choice left (an alternative, a repetition count, a
// counted loop's exit or next iteration) is a ChoicePoint on a heap stack, and every slot write
// (capture starts and ends, loop counters, loop index) is undone from a trail when the search
// backs up past it, so a long subject costs heap memory, never call stack. The order in which
// choices are tried is the depth-first order of the node walk: alternatives as written, greedy
// counts from the largest down, lazy counts from the smallest up.
//
// A repetition of a single-character node keeps one ChoicePoint for the whole run and updates it
// in place, so its memory does not grow with the run's length; so does any loop, greedy, lazy or
// counted, over a group of fixed width without choices inside ("(ab)*", "(ab){2,}?", "." without
// line separators). A loop without an upper bound whose last pass over its group consumed nothing
// is not passed again (once its minimum is reached), which is how loops that could repeat an empty
// match forever come to an end; bounded loops run their passes as written.
#include <algorithm>
#include <cstring>

#include "regex/pattern_state.h"

namespace lintaro::regex {
namespace {

enum ChoiceKind : uint32_t {
    kAltChoice,         // node: the Branch of the next alternative
    kGreedyChoice,      // node: a Star, Plus or Braces node; a: the count last tried
    kLazyChoice,        // node: a StarLazy, PlusLazy or BracesLazy node; a: last count, b: longest
    kFixedLoopChoice,   // node: the Branch of a FixedLoop; a: the number of passes last tried
    kFixedCountChoice,  // node: a Loop over a FixedLoop body; a: the number of passes last tried
    kFixedLazyChoice,   // node: a LoopLazy over a FixedLoop body; a: the passes last tried
    kLoopExitChoice,    // node: a Loop node whose next iteration is being tried
    kLoopMoreChoice,    // node: a LoopLazy node whose continuation is being tried
};

class Matcher {
  public:
    explicit Matcher(PatternState& state)
        : state_(state),
          program_(state.program.data()),
          subject_(reinterpret_cast<const unsigned char*>(state.input.c_str())),
          length_(static_cast<int64_t>(state.input.size())),
          slots_(state.slots),
          stamps_(state.stamps),
          choices_(state.choices),
          trail_(state.trail) {
        word_ = state.word_table;
        separator_ = state.separator_table;
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
        choice_cap_ = state.program.size() * (state.input.size() + 1) + (size_t(1) << 20);
        pair_ = state.pair_assigned;
        pair_first_ = state.pair_first;
        pair_second_ = state.pair_second;
        std::memset(stamps_, 0, sizeof(state.stamps));
        choices_.clear();
        trail_.clear();
    }

    ~Matcher() {
        if (state_.work_budget != 0) {
            state_.work_left = steps_ >= state_.work_left ? 0 : state_.work_left - steps_;
        }
    }

    bool Search(int64_t start) {
        const unsigned char* s = subject_;
        if (state_.required_length > 0 && !RequiredLiteralFrom(start)) return false;
        if (state_.anchored) return TryAt(start);
        if (state_.probe_offset >= 0) {
            const int64_t offset = state_.probe_offset;
            const unsigned char one = state_.probe_one;
            const unsigned char other = state_.probe_other;
            const bool* table = state_.start_table;
            // Next occurrences of each form of the probe character, merged in order.
            int64_t next_one = -1;
            int64_t next_other = -1;
            for (int64_t from = start + offset; from < length_;) {
                if (next_one < from) next_one = Find(one, from, state_.probe_cache[0]);
                if (one == other) {
                    next_other = next_one;
                } else if (next_other < from) {
                    next_other = Find(other, from, state_.probe_cache[1]);
                }
                int64_t at = std::min(next_one, next_other);
                if (at >= length_) return false;
                int64_t candidate = at - offset;
                if (table[s[candidate]] && TryAt(candidate)) return true;
                from = at + 1;
            }
            return false;
        }
        if (state_.start_char != 0) {
            int64_t from = start;
            while (from < length_) {
                const void* hit = std::memchr(s + from, state_.start_char, length_ - from);
                if (hit == nullptr) return false;
                int64_t at = static_cast<const unsigned char*>(hit) - s;
                if (TryAt(at)) return true;
                from = at + 1;
            }
            return false;
        }
        const bool* table = state_.start_table;
        for (int64_t at = start; at <= length_; ++at) {
            if (table[s[at]] && TryAt(at)) return true;
        }
        return false;
    }

  private:
    // The first position at or after `from` holding `ch`, or length_ when there is none;
    // `cache` remembers the last answer for later searches of the same subject.
    int64_t Find(unsigned char ch, int64_t from, PatternState::Occurrence& cache) const {
        size_t f = static_cast<size_t>(from);
        if (cache.valid && cache.from <= f && f <= cache.at) return static_cast<int64_t>(cache.at);
        const void* hit = std::memchr(subject_ + from, ch, length_ - from);
        int64_t at = hit == nullptr ? length_ : static_cast<const unsigned char*>(hit) - subject_;
        cache = {true, f, static_cast<size_t>(at)};
        return at;
    }

    // Whether the required literal occurs at or after `start`. Remembers the occurrence found,
    // so that iterating over many matches scans the subject for it only once in total.
    bool RequiredLiteralFrom(int64_t start) {
        size_t from = static_cast<size_t>(start);
        if (state_.required_cache_valid && state_.required_cache_from <= from &&
            from <= state_.required_cache_at) {
            return true;
        }
        if (state_.required_cache_valid && state_.required_cache_from <= from &&
            state_.required_cache_at == SIZE_MAX) {
            return false;
        }
        const void* hit = memmem(subject_ + from, static_cast<size_t>(length_) - from,
                                 program_ + state_.required_offset, state_.required_length);
        state_.required_cache_valid = true;
        state_.required_cache_from = from;
        state_.required_cache_at =
            hit == nullptr ? SIZE_MAX
                           : static_cast<size_t>(static_cast<const unsigned char*>(hit) - subject_);
        return hit != nullptr;
    }

    bool TryAt(int64_t start) {
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

    // --- Slots and the trail. ---

    void Set(int slot, int64_t value) {
        uint32_t depth = static_cast<uint32_t>(choices_.size());
        if (depth != 0 && stamps_[slot] != depth) {
            trail_.push_back({slots_[slot], stamps_[slot], static_cast<uint32_t>(slot)});
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
    void Charge(unsigned long long steps) {
        steps_ += steps;
        if (steps_ > stop_at_)
            RunTimeError(steps_ > search_limit_ ? kPatternBacktrackLimit : kPatternSubjectBudget);
    }

    void Push(ChoiceKind kind, size_t node, int64_t position, int64_t a = 0, int64_t b = 0) {
        if (choices_.size() >= choice_cap_) RunTimeError(kPatternBacktrackLimit);
        Charge(0);
        choices_.push_back({static_cast<uint32_t>(node), kind, position, trail_.size(), a, b});
    }

    // --- Single-character tests. ---

    bool StartsLinePair(int64_t at) const {
        return pair_ && subject_[at] == pair_first_ && subject_[at + 1] == pair_second_;
    }
    bool NotLineSeparatorAt(int64_t at) const {
        return at < length_ && !separator_[subject_[at]] && !StartsLinePair(at);
    }

    // Whether the single-character node `op` matches the character at `at` (< length_).
    bool OneMatches(size_t op, unsigned char ch) const {
        const unsigned char* operand = program_ + op + kNodeHeaderSize;
        switch (program_[op]) {
            case kAnyChar:
                return true;
            case kLiteral:
                return ch == operand[0] && ch != 0;
            case kLiteralCI:
                return ch == operand[0] || ch == kCp1251ToggleCase[operand[0]];
            case kDigit:
                return ch >= '0' && ch <= '9';
            case kNotDigit:
                return ch < '0' || ch > '9';
            case kAnyOfTiny:
                return ch == operand[0] || ch == operand[1] || ch == operand[2];
            case kAnyButTiny:
                return ch != operand[0] && ch != operand[1] && ch != operand[2];
            case kAnyOfSet:
                return (operand[ch >> 3] >> (ch & 7)) & 1;
            default:
                return false;
        }
    }

    // The length one repetition of the operand consumes: 1, or for a back reference the length of
    // its capture (-1 when the capture is missing).
    int64_t StepOf(size_t op) const {
        unsigned char code = program_[op];
        if (code != kBackRef && code != kBackRefCI) return 1;
        int group = program_[op + kNodeHeaderSize];
        int64_t from = slots_[kSlotCaptureStart + group];
        int64_t to = slots_[kSlotCaptureEnd + group];
        if (from < 0 || to < from) return -1;
        return to - from;
    }

    bool BackRefAt(size_t op, int64_t at) const {
        int group = program_[op + kNodeHeaderSize];
        int64_t from = slots_[kSlotCaptureStart + group];
        int64_t to = slots_[kSlotCaptureEnd + group];
        int64_t len = to - from;
        if (at + len > length_) return false;
        if (program_[op] == kBackRef) return std::memcmp(subject_ + from, subject_ + at, len) == 0;
        for (int64_t i = 0; i < len; ++i) {
            unsigned char want = subject_[from + i];
            unsigned char got = subject_[at + i];
            if (got != want && got != kCp1251ToggleCase[want]) return false;
        }
        return true;
    }

    // How many times in a row the simple operand matches from `start`, at most `maximum`.
    int64_t RegRepeat(size_t op, int64_t maximum, int64_t start, int64_t step) const {
        int64_t limit = length_ - start;
        if (maximum < limit) limit = maximum;
        const unsigned char* s = subject_ + start;
        switch (program_[op]) {
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
            case kLiteral: {
                unsigned char want = program_[op + kNodeHeaderSize];
                int64_t count = 0;
                while (count < limit && s[count] == want) ++count;
                return count;
            }
            case kAnyOfSet: {
                const unsigned char* set = program_ + op + kNodeHeaderSize;
                int64_t count = 0;
                while (count < limit && ((set[s[count] >> 3] >> (s[count] & 7)) & 1)) ++count;
                return count;
            }
            case kAnyButTiny: {
                const unsigned char* t = program_ + op + kNodeHeaderSize;
                int64_t count = 0;
                while (count < limit && s[count] != t[0] && s[count] != t[1] && s[count] != t[2]) {
                    ++count;
                }
                return count;
            }
            default: {
                int64_t count = 0;
                while (count < limit && OneMatches(op, s[count])) ++count;
                return count;
            }
        }
    }

    // The character the rest after a repetition must start with: the first byte of a literal
    // that follows, looking past group boundaries and comments, which consume nothing. `other`
    // is its other-case form for a case-insensitive literal. Counts whose next character is
    // neither would fail at once and are not tried; `none` when there is no such literal.
    struct Peek {
        bool none = true;
        unsigned char one = 0;
        unsigned char other = 0;
        bool Fits(unsigned char ch) const { return none || ch == one || ch == other; }
    };

    Peek PeekAfter(size_t next) const {
        Peek peek;
        while (next != 0) {
            unsigned char code = program_[next];
            if (code == kLiteral || code == kLiteralCI) {
                unsigned char first = program_[next + kNodeHeaderSize];
                if (first == 0) return peek;
                peek.none = false;
                peek.one = first;
                peek.other = code == kLiteralCI ? kCp1251ToggleCase[first] : first;
                return peek;
            }
            if (!IsOpen(code) && !IsClose(code) && code != kComment && code != kNothing) {
                return peek;
            }
            next = NextNode(program_, next);
        }
        return peek;
    }

    // The largest count in [low, high] whose end position fits the peek, or -1. The counts
    // passed over are charged as work.
    int64_t GreedyCandidate(int64_t start, int64_t low, int64_t high, int64_t step,
                            const Peek& peek) {
        if (high < low) return -1;
        if (peek.none) return high;
        if (step == 0) return peek.Fits(subject_[start]) ? high : -1;
        int64_t k = -1;
        if (step == 1 && peek.one == peek.other) {
            const void* hit = memrchr(subject_ + start + low, peek.one, high - low + 1);
            if (hit != nullptr) k = static_cast<const unsigned char*>(hit) - subject_ - start;
        } else {
            for (int64_t at = high; at >= low; --at) {
                if (peek.Fits(subject_[start + at * step])) {
                    k = at;
                    break;
                }
            }
        }
        Charge(static_cast<unsigned long long>(high - (k < 0 ? low : k) + 1));
        return k;
    }

    // The smallest count in [low, high] whose end position fits the peek, or -1. The counts
    // passed over are charged as work.
    int64_t LazyCandidate(int64_t start, int64_t low, int64_t high, int64_t step,
                          const Peek& peek) {
        if (high < low) return -1;
        if (peek.none) return low;
        if (step == 0) return peek.Fits(subject_[start]) ? low : -1;
        int64_t k = -1;
        if (step == 1 && peek.one == peek.other) {
            const void* hit = std::memchr(subject_ + start + low, peek.one, high - low + 1);
            if (hit != nullptr) k = static_cast<const unsigned char*>(hit) - subject_ - start;
        } else {
            for (int64_t at = low; at <= high; ++at) {
                if (peek.Fits(subject_[start + at * step])) {
                    k = at;
                    break;
                }
            }
        }
        Charge(static_cast<unsigned long long>((k < 0 ? high : k) - low + 1));
        return k;
    }

    struct Repetition {
        int64_t minimum;
        int64_t maximum;
        size_t operand;
        bool lazy;
    };

    Repetition RepetitionOf(size_t node) const {
        const unsigned char* operand = program_ + node + kNodeHeaderSize;
        switch (program_[node]) {
            case kStar:
                return {0, kStarPlusMaximum, node + kNodeHeaderSize, false};
            case kPlus:
                return {1, kStarPlusMaximum, node + kNodeHeaderSize, false};
            case kStarLazy:
                return {0, kStarPlusMaximum, node + kNodeHeaderSize, true};
            case kPlusLazy:
                return {1, kStarPlusMaximum, node + kNodeHeaderSize, true};
            case kBraces:
                return {ReadInt32(operand), ReadInt32(operand + 4), node + kBracesHeaderSize,
                        false};
            default:  // kBracesLazy
                return {ReadInt32(operand), ReadInt32(operand + 4), node + kBracesHeaderSize, true};
        }
    }

    // Whether the loop body starting at `body` is a group whose last pass consumed nothing.
    bool EmptyIteration(size_t body) const {
        unsigned char code = program_[body];
        return IsOpen(code) && slots_[kSlotCaptureStart + (code - kOpenBase)] == position_;
    }

    // The fixed loop a Branch with a second alternative heads, or null. Both the "x*" form
    // (Branch -> x -> Back -> Branch) and the "x+" form (x -> Branch -> Back -> x -> Branch) are
    // recognised; the answer is kept per Branch for the rest of the program's life.
    const FixedLoop* FixedLoopOf(size_t branch) {
        std::vector<int32_t>& index = state_.fixed_loop_of;
        if (index.size() != state_.program.size()) index.assign(state_.program.size(), -2);
        if (index[branch] == -2) {
            FixedLoop loop;
            index[branch] =
                ExamineLoop(branch, &loop) ? static_cast<int32_t>(state_.fixed_loops.size()) : -1;
            if (index[branch] >= 0) state_.fixed_loops.push_back(std::move(loop));
        }
        return index[branch] < 0 ? nullptr : &state_.fixed_loops[index[branch]];
    }

    bool ExamineLoop(size_t head, FixedLoop* loop) const {
        const unsigned char* p = program_;
        if (p[head] == kLoop || p[head] == kLoopLazy) {
            // A counted loop: the body runs from its first node back to the loop node.
            size_t body = static_cast<size_t>(static_cast<int64_t>(head) +
                                              ReadInt32(p + head + kNodeHeaderSize + 8));
            return ExamineChain(body, head, false, loop);
        }
        size_t rest = NextNode(p, head);
        if (rest == 0 || p[rest] != kBranch) return false;
        size_t after_rest = NextNode(p, rest);
        if (after_rest != 0 && p[after_rest] == kBranch) return false;
        size_t node = head + kNodeHeaderSize;
        if (p[node] == kBack) return ExamineChain(NextNode(p, node), head, false, loop);
        return ExamineChain(node, head, true, loop);
    }

    // Walks one pass from `node` to its end: reaching `end` itself, or with `back_to_end` a Back
    // node leading to `end`. True when every node on the way has a fixed width and no choice.
    bool ExamineChain(size_t node, size_t end, bool back_to_end, FixedLoop* loop) const {
        const unsigned char* p = program_;
        for (size_t walked = 0; walked < state_.program.size(); ++walked) {
            if (node == 0) return false;
            unsigned char code = p[node];
            if (!back_to_end && node == end) break;
            if (back_to_end && code == kBack) {
                if (NextNode(p, node) != end) return false;
                break;
            }
            switch (code) {
                case kBranch: {
                    size_t next = NextNode(p, node);
                    if (next != 0 && p[next] == kBranch) return false;  // alternatives
                    node += kNodeHeaderSize;
                    continue;
                }
                case kNothing:
                case kComment:
                    break;
                case kLiteral:
                case kLiteralCI: {
                    size_t length =
                        std::strlen(reinterpret_cast<const char*>(p + node + kNodeHeaderSize));
                    if (length == 0) return false;
                    loop->steps.emplace_back(node, loop->width);
                    loop->width += static_cast<int64_t>(length);
                    break;
                }
                case kAnyChar:
                case kAnyNotLineSep:
                case kDigit:
                case kNotDigit:
                case kAnyOfTiny:
                case kAnyButTiny:
                case kAnyOfSet:
                    loop->steps.emplace_back(node, loop->width);
                    loop->width += 1;
                    break;
                default:
                    if (IsOpen(code)) {
                        loop->writes.emplace_back(kSlotCaptureStart + (code - kOpenBase),
                                                  loop->width);
                    } else if (IsClose(code)) {
                        loop->writes.emplace_back(kSlotCaptureEnd + (code - kCloseBase),
                                                  loop->width);
                    } else {
                        return false;
                    }
                    break;
            }
            node = NextNode(p, node);
        }
        return loop->width > 0;
    }

    // For a lazy counted loop over a fixed pass: the smallest count from `from` on, at most
    // `maximum`, whose end fits the peek, given that the first `verified` passes are known to
    // match; -1 when the passes stop matching first.
    int64_t LazyPasses(const FixedLoop& loop, int64_t start, int64_t verified, int64_t from,
                       int64_t maximum, const Peek& peek) {
        for (int64_t j = from;; ++j) {
            if (j > maximum) return -1;
            Charge(1);
            if (j > verified) {
                Charge(static_cast<unsigned long long>(loop.width));
                int64_t at = start + (j - 1) * loop.width;
                if (at + loop.width > length_ || !PassMatches(loop, at)) return -1;
                verified = j;
            }
            if (peek.Fits(subject_[start + j * loop.width])) return j;
        }
    }

    // Whether one pass of the loop matches at `at`; the caller has checked that a whole pass fits
    // before the subject end.
    bool PassMatches(const FixedLoop& loop, int64_t at) const {
        for (const auto& [node, offset] : loop.steps) {
            int64_t q = at + offset;
            const unsigned char* operand = program_ + node + kNodeHeaderSize;
            switch (program_[node]) {
                case kLiteral:
                    for (const unsigned char* l = operand; *l != 0; ++l, ++q) {
                        if (subject_[q] != *l) return false;
                    }
                    break;
                case kLiteralCI:
                    for (const unsigned char* l = operand; *l != 0; ++l, ++q) {
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
    void EnterFixedLoopCount(const FixedLoop& loop, int64_t start, int64_t passes) {
        position_ = start + passes * loop.width;
        if (passes == 0) return;
        int64_t last = start + (passes - 1) * loop.width;
        for (const auto& [slot, offset] : loop.writes) Set(slot, last + offset);
    }

    [[noreturn]] void RunTimeError(int code) {
        choices_.clear();
        trail_.clear();
        RaiseError(code, 0);
    }

    // Runs the program from its first node at position_; true when it reaches End.
    bool Run() {
        const unsigned char* p = program_;
        const unsigned char* s = subject_;
        size_t node = 1;
        for (;;) {
            // Counted without a check: a forward walk cannot go on for long without passing a
            // choice, a loop node or a scan, which check.
            ++steps_;
            const unsigned char* operand = p + node + kNodeHeaderSize;
            switch (p[node]) {
                case kEnd:
                    return true;
                case kInputStart:
                    if (position_ != 0) goto fail;
                    break;
                case kInputEnd:
                    if (position_ != length_) goto fail;
                    break;
                case kLineStart: {
                    if (position_ == 0) break;
                    unsigned char before = s[position_ - 1];
                    if (pair_ && before == pair_second_ && position_ >= 2 &&
                        s[position_ - 2] == pair_first_) {
                        break;
                    }
                    if (pair_ && before == pair_first_ && s[position_] == pair_second_) goto fail;
                    if (!separator_[before]) goto fail;
                    break;
                }
                case kLineEnd: {
                    if (position_ == length_) break;
                    unsigned char ch = s[position_];
                    if (pair_ && ch == pair_first_ && s[position_ + 1] == pair_second_) break;
                    if (pair_ && ch == pair_second_ && position_ >= 1 &&
                        s[position_ - 1] == pair_first_) {
                        goto fail;
                    }
                    if (!separator_[ch]) goto fail;
                    break;
                }
                case kAnyChar:
                    if (position_ >= length_) goto fail;
                    ++position_;
                    break;
                case kAnyNotLineSep:
                    if (!NotLineSeparatorAt(position_)) goto fail;
                    ++position_;
                    break;
                case kDigit:
                case kNotDigit:
                case kAnyOfTiny:
                case kAnyButTiny:
                case kAnyOfSet:
                    if (position_ >= length_ || !OneMatches(node, s[position_])) goto fail;
                    ++position_;
                    break;
                case kLiteral: {
                    // The subject copy ends in a 0 byte and holds none before it, so a compare
                    // against the literal's non-zero bytes stops at the end by itself.
                    const unsigned char* lit = operand;
                    if (*lit == 0) goto fail;  // "\x00": no subject holds that character
                    int64_t at = position_;
                    while (*lit != 0) {
                        if (s[at] != *lit) goto fail;
                        ++at;
                        ++lit;
                    }
                    position_ = at;
                    break;
                }
                case kLiteralCI: {
                    const unsigned char* lit = operand;
                    if (*lit == 0) goto fail;
                    int64_t at = position_;
                    while (*lit != 0) {
                        if (s[at] != *lit && s[at] != kCp1251ToggleCase[*lit]) goto fail;
                        ++at;
                        ++lit;
                    }
                    position_ = at;
                    break;
                }
                case kBackRef:
                case kBackRefCI: {
                    int64_t step = StepOf(node);
                    if (step < 0) goto fail;
                    Charge(static_cast<unsigned long long>(step));
                    if (!BackRefAt(node, position_)) goto fail;
                    position_ += step;
                    break;
                }
                case kWordBound:
                case kNotWordBound: {
                    bool before = position_ > 0 && word_[s[position_ - 1]];
                    bool after = position_ < length_ && word_[s[position_]];
                    if ((before != after) != (p[node] == kWordBound)) goto fail;
                    break;
                }
                case kNothing:
                case kComment:
                    break;
                case kBack: {
                    size_t target = NextNode(p, node);
                    if (target == 0) goto fail;
                    if (p[target] == kBranch) {
                        // End of a pass of x*: an empty pass ends the loop.
                        if (EmptyIteration(target + kNodeHeaderSize)) {
                            size_t rest = NextNode(p, target);
                            if (rest == 0) goto fail;
                            node = rest + kNodeHeaderSize;
                            continue;
                        }
                    } else if (EmptyIteration(target)) {
                        goto fail;  // x+ after an empty pass: no further pass
                    }
                    node = target;
                    continue;
                }
                case kBranch: {
                    size_t next = NextNode(p, node);
                    if (next == 0 || p[next] != kBranch) {
                        node += kNodeHeaderSize;
                        continue;
                    }
                    if (const FixedLoop* loop = FixedLoopOf(node); loop != nullptr) {
                        int64_t start = position_;
                        int64_t passes = 0;
                        for (int64_t at = start;
                             at + loop->width <= length_ && PassMatches(*loop, at);
                             at += loop->width) {
                            ++passes;
                        }
                        Charge(static_cast<unsigned long long>((passes + 1) * loop->width));
                        Peek peek = PeekAfter(next + kNodeHeaderSize);
                        int64_t k = GreedyCandidate(start, 0, passes, loop->width, peek);
                        if (k < 0) goto fail;
                        if (k > 0) Push(kFixedLoopChoice, node, start, k);
                        EnterFixedLoopCount(*loop, start, k);
                        node = next + kNodeHeaderSize;
                        continue;
                    }
                    Push(kAltChoice, next, position_);
                    node += kNodeHeaderSize;
                    continue;
                }
                case kStar:
                case kPlus:
                case kBraces:
                case kStarLazy:
                case kPlusLazy:
                case kBracesLazy: {
                    Repetition rep = RepetitionOf(node);
                    int64_t start = position_;
                    int64_t step = StepOf(rep.operand);
                    int64_t count = RegRepeat(rep.operand, rep.maximum, start, step);
                    // A run of "." or of an empty back reference is taken without looking at
                    // it; every other run was scanned, up to the character that ended it.
                    if (p[rep.operand] != kAnyChar && step > 0) {
                        Charge(static_cast<unsigned long long>((count + 1) * step));
                    }
                    if (count < rep.minimum) goto fail;
                    size_t next = NextNode(p, node);
                    Peek peek = PeekAfter(next);
                    int64_t k;
                    if (!rep.lazy) {
                        k = GreedyCandidate(start, rep.minimum, count, step, peek);
                        if (k < 0) goto fail;
                        if (k > rep.minimum && step != 0) Push(kGreedyChoice, node, start, k);
                    } else {
                        k = LazyCandidate(start, rep.minimum, count, step, peek);
                        if (k < 0) goto fail;
                        if (k < count && step != 0) Push(kLazyChoice, node, start, k, count);
                    }
                    position_ = start + k * (step < 0 ? 0 : step);
                    node = next;
                    if (node == 0) goto fail;
                    continue;
                }
                case kLoopEntry: {
                    int64_t index = slots_[kSlotLoopIndex] + 1;
                    if (index > kLoopStackDepth) RunTimeError(kPatternLoopStackExceeded);
                    Set(kSlotLoopIndex, index);
                    Set(kSlotLoopCount + static_cast<int>(index), 0);
                    break;
                }
                case kLoop:
                case kLoopLazy: {
                    int64_t index = slots_[kSlotLoopIndex];
                    if (index <= 0) RunTimeError(kPatternLoopWithoutEntry);
                    // Passes of a counted loop count against the bound too: nested loops with
                    // huge minimums over bodies that can pass empty do that much work without
                    // ever backing up.
                    Charge(1);
                    int counter = kSlotLoopCount + static_cast<int>(index);
                    int64_t minimum = ReadInt32(operand);
                    int64_t maximum = ReadInt32(operand + 4);
                    size_t body =
                        static_cast<size_t>(static_cast<int64_t>(node) + ReadInt32(operand + 8));
                    int64_t n = slots_[counter];
                    if (n == 0) {
                        // First arrival, from the LoopEntry: a body of fixed width without
                        // choices has all its passes counted here and one choice point.
                        if (const FixedLoop* loop = FixedLoopOf(node); loop != nullptr) {
                            int64_t start = position_;
                            Peek peek = PeekAfter(NextNode(p, node));
                            int64_t k;
                            if (p[node] == kLoop) {
                                int64_t passes = 0;
                                for (int64_t at = start;
                                     passes < maximum && at + loop->width <= length_ &&
                                     PassMatches(*loop, at);
                                     at += loop->width) {
                                    ++passes;
                                }
                                Charge(static_cast<unsigned long long>((passes + 1) * loop->width));
                                if (passes < minimum) goto fail;
                                k = GreedyCandidate(start, minimum, passes, loop->width, peek);
                                if (k < 0) goto fail;
                                if (k > minimum) Push(kFixedCountChoice, node, start, k);
                            } else {
                                for (int64_t j = 0; j < minimum; ++j) {
                                    Charge(static_cast<unsigned long long>(loop->width));
                                    int64_t at = start + j * loop->width;
                                    if (at + loop->width > length_ || !PassMatches(*loop, at)) {
                                        goto fail;
                                    }
                                }
                                k = LazyPasses(*loop, start, minimum, minimum, maximum, peek);
                                if (k < 0) goto fail;
                                if (k < maximum) Push(kFixedLazyChoice, node, start, k);
                            }
                            EnterFixedLoopCount(*loop, start, k);
                            Set(kSlotLoopIndex, index - 1);
                            break;
                        }
                    }
                    if (n < minimum) {
                        Set(counter, n + 1);
                        node = body;
                        continue;
                    }
                    if (p[node] == kLoop) {
                        bool stop = maximum == kInfiniteCount && n > 0 && EmptyIteration(body);
                        if (n < maximum && !stop) {
                            Push(kLoopExitChoice, node, position_);
                            Set(counter, n + 1);
                            node = body;
                            continue;
                        }
                        Set(kSlotLoopIndex, index - 1);
                        break;
                    }
                    Push(kLoopMoreChoice, node, position_);
                    Set(kSlotLoopIndex, index - 1);
                    break;
                }
                default:
                    if (IsOpen(p[node])) {
                        Set(kSlotCaptureStart + (p[node] - kOpenBase), position_);
                        break;
                    }
                    if (IsClose(p[node])) {
                        Set(kSlotCaptureEnd + (p[node] - kCloseBase), position_);
                        break;
                    }
                    goto fail;  // no other code is ever emitted
            }
            node = NextNode(p, node);
            if (node != 0) continue;
        fail:
            if (!Backtrack(&node)) return false;
        }
    }

    // Resumes the newest choice that has something left to try; false when none has.
    bool Backtrack(size_t* node_out) {
        const unsigned char* p = program_;
        while (!choices_.empty()) {
            Charge(1);
            ChoicePoint& c = choices_.back();
            Unwind(c.trail);
            position_ = c.position;
            size_t node = c.node;
            switch (c.kind) {
                case kAltChoice: {
                    size_t after = NextNode(p, node);
                    if (after != 0 && p[after] == kBranch) {
                        c.node = static_cast<uint32_t>(after);
                    } else {
                        choices_.pop_back();
                    }
                    *node_out = node + kNodeHeaderSize;
                    return true;
                }
                case kFixedLoopChoice: {
                    const FixedLoop& loop = *FixedLoopOf(node);
                    size_t rest = NextNode(p, node) + kNodeHeaderSize;
                    int64_t start = c.position;
                    int64_t k = GreedyCandidate(start, 0, c.a - 1, loop.width, PeekAfter(rest));
                    if (k <= 0) {
                        choices_.pop_back();
                    } else {
                        c.a = k;
                    }
                    if (k < 0) continue;
                    EnterFixedLoopCount(loop, start, k);
                    *node_out = rest;
                    return true;
                }
                case kGreedyChoice:
                case kLazyChoice: {
                    Repetition rep = RepetitionOf(node);
                    int64_t step = StepOf(rep.operand);
                    size_t next = NextNode(p, node);
                    Peek peek = PeekAfter(next);
                    int64_t start = c.position;
                    int64_t k;
                    if (c.kind == kGreedyChoice) {
                        k = GreedyCandidate(start, rep.minimum, c.a - 1, step, peek);
                        if (k < 0 || k == rep.minimum) {
                            choices_.pop_back();
                        } else {
                            c.a = k;
                        }
                    } else {
                        k = LazyCandidate(start, c.a + 1, c.b, step, peek);
                        if (k < 0 || k == c.b) {
                            choices_.pop_back();
                        } else {
                            c.a = k;
                        }
                    }
                    if (k < 0) continue;
                    position_ = start + k * step;
                    *node_out = next;
                    return true;
                }
                case kFixedCountChoice:
                case kFixedLazyChoice: {
                    const FixedLoop& loop = *FixedLoopOf(node);
                    const unsigned char* operand = p + node + kNodeHeaderSize;
                    int64_t minimum = ReadInt32(operand);
                    int64_t maximum = ReadInt32(operand + 4);
                    size_t next = NextNode(p, node);
                    Peek peek = PeekAfter(next);
                    int64_t start = c.position;
                    int64_t k;
                    if (c.kind == kFixedCountChoice) {
                        k = GreedyCandidate(start, minimum, c.a - 1, loop.width, peek);
                        if (k < 0 || k == minimum) {
                            choices_.pop_back();
                        } else {
                            c.a = k;
                        }
                    } else {
                        k = LazyPasses(loop, start, c.a, c.a + 1, maximum, peek);
                        if (k < 0 || k >= maximum) {
                            choices_.pop_back();
                        } else {
                            c.a = k;
                        }
                    }
                    if (k < 0 || next == 0) continue;
                    EnterFixedLoopCount(loop, start, k);
                    Set(kSlotLoopIndex, slots_[kSlotLoopIndex] - 1);
                    *node_out = next;
                    return true;
                }
                case kLoopExitChoice: {
                    // The next iteration failed: leave the loop here instead.
                    choices_.pop_back();
                    Set(kSlotLoopIndex, slots_[kSlotLoopIndex] - 1);
                    size_t next = NextNode(p, node);
                    if (next == 0) continue;
                    *node_out = next;
                    return true;
                }
                case kLoopMoreChoice: {
                    // What follows the lazy loop failed: try one more iteration.
                    choices_.pop_back();
                    const unsigned char* operand = p + node + kNodeHeaderSize;
                    int64_t index = slots_[kSlotLoopIndex];
                    int counter = kSlotLoopCount + static_cast<int>(index);
                    int64_t maximum = ReadInt32(operand + 4);
                    size_t body =
                        static_cast<size_t>(static_cast<int64_t>(node) + ReadInt32(operand + 8));
                    int64_t n = slots_[counter];
                    if (n >= maximum) continue;
                    if (maximum == kInfiniteCount && n > 0 && EmptyIteration(body)) continue;
                    Set(counter, n + 1);
                    *node_out = body;
                    return true;
                }
            }
            choices_.pop_back();
        }
        return false;
    }

    PatternState& state_;
    const unsigned char* program_;
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
    const bool* word_;
    const bool* separator_;
    bool pair_ = false;
    unsigned char pair_first_ = 0;
    unsigned char pair_second_ = 0;
};

}  // namespace

bool SearchFrom(PatternState& state, size_t start) {
    Matcher matcher(state);
    return matcher.Search(static_cast<int64_t>(start));
}

}  // namespace lintaro::regex
