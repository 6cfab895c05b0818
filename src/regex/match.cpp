// The matcher: walks a compiled program over the stored subject with backtracking.
//
// The walk never recurses. Every place with a choice left (an alternative, a repetition count, a
// counted loop's exit or next iteration) is a ChoicePoint on a heap stack, and every slot write
// (capture starts and ends, loop counters, loop index) is undone from a trail when the search
// backs up past it, so a long subject costs heap memory, never call stack. The order in which
// choices are tried is the depth-first order of the node walk: alternatives as written, greedy
// counts from the largest down, lazy counts from the smallest up.
//
// Run walks forward one node family at a time (a Step function each); Backtrack resumes the
// newest choice (a Resume function per kind of choice). Each returns the node the walk goes on
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
#include <algorithm>
#include <array>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "regex/search_state.h"

// The matcher's small helpers run once per node or per character: they are inlined whatever the
// compiler's size heuristics say, since a call there costs as much as the work itself.
#define LINTARO_HOT [[gnu::always_inline]] inline

namespace lintaro::regex {

[[noreturn]] void RaiseError(int code, int position);

namespace {

// Offset 0 is the signature, never a node: a step or a resumed choice that returns it fails.
constexpr size_t kFail = 0;

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

// The node families the forward walk dispatches on (Matcher::Run), by node code.
enum NodeFamily : uint8_t {
    kFamilyEnd,
    kFamilyAssertion,
    kFamilySingle,
    kFamilyLiteral,
    kFamilyBackRef,
    kFamilyPass,
    kFamilyBack,
    kFamilyBranch,
    kFamilyRepetition,
    kFamilyLoopEntry,
    kFamilyLoop,
    kFamilyGroup,  // group openings and closings; any other code fails there
};

constexpr NodeFamily FamilyOfCode(unsigned char code) {
    if (IsSingleCharacterNode(code)) return kFamilySingle;
    switch (code) {
        case kEnd:
            return kFamilyEnd;
        case kInputStart:
        case kInputEnd:
        case kLineStart:
        case kLineEnd:
        case kWordBound:
        case kNotWordBound:
            return kFamilyAssertion;
        case kLiteral:
        case kLiteralCI:
            return kFamilyLiteral;
        case kBackRef:
        case kBackRefCI:
            return kFamilyBackRef;
        case kNothing:
        case kComment:
            return kFamilyPass;
        case kBack:
            return kFamilyBack;
        case kBranch:
            return kFamilyBranch;
        case kStar:
        case kPlus:
        case kBraces:
        case kStarLazy:
        case kPlusLazy:
        case kBracesLazy:
            return kFamilyRepetition;
        case kLoopEntry:
            return kFamilyLoopEntry;
        case kLoop:
        case kLoopLazy:
            return kFamilyLoop;
        default:
            return kFamilyGroup;
    }
}

constexpr std::array<uint8_t, 256> kFamilyOf = [] {
    std::array<uint8_t, 256> families{};
    for (int code = 0; code < 256; ++code) {
        families[static_cast<size_t>(code)] = FamilyOfCode(static_cast<unsigned char>(code));
    }
    return families;
}();

// The bounds and operand of a repetition of a simple operand.
struct Repetition {
    int64_t minimum;
    int64_t maximum;
    size_t operand;
    bool lazy;
};

class Matcher {
  public:
    Matcher(const Program& program, SearchState& state)
        : program_(program),
          state_(state),
          p_(program.bytes.data()),
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

    ~Matcher() {
        if (state_.work_budget != 0) {
            state_.work_left = steps_ >= state_.work_left ? 0 : state_.work_left - steps_;
        }
    }

    // The leftmost match from `start`, trying only the start positions the search data allows.
    bool Search(int64_t start) {
        if (program_.required_length > 0 && !RequiredLiteralFrom(start)) return false;
        if (program_.anchored) return TryAt(start);
        if (program_.screen_second != 0) return SearchByPair(start);
        if (program_.probe_offset >= 0) return SearchByProbe(start);
        if (program_.start_char != 0) return SearchByStartChar(start);
        const bool* table = program_.start_table;
        for (int64_t at = start; at <= length_; ++at) {
            if (table[subject_[at]] && PrefixFits(at) && TryAt(at)) return true;
        }
        return false;
    }

  private:
    // --- Start positions. ---

    // Tries the starts where both characters of the pair stand at their distances, then the rest
    // of the fixed start fits: 16 starts are screened at once.
    bool SearchByPair(int64_t start) {
        const int64_t last = length_ - static_cast<int64_t>(program_.prefix.tables.size());
        const int64_t first_at = static_cast<int64_t>(program_.screen_first);
        const int64_t second_at = static_cast<int64_t>(program_.screen_second);
        const unsigned char a1 = program_.screen_first_one, a2 = program_.screen_first_other;
        const unsigned char b1 = program_.screen_second_one, b2 = program_.screen_second_other;
        const unsigned char* s = subject_;
        int64_t at = start;
#ifdef __SSE2__
        // Every load ends before the subject end: a block's last start is at most `last`, and
        // its second position lies inside the start of a match that fits.
        const __m128i va1 = _mm_set1_epi8(static_cast<char>(a1));
        const __m128i va2 = _mm_set1_epi8(static_cast<char>(a2));
        const __m128i vb1 = _mm_set1_epi8(static_cast<char>(b1));
        const __m128i vb2 = _mm_set1_epi8(static_cast<char>(b2));
        for (; at + 15 <= last; at += 16) {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + first_at));
            __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at + second_at));
            __m128i fx = _mm_or_si128(_mm_cmpeq_epi8(x, va1), _mm_cmpeq_epi8(x, va2));
            __m128i fy = _mm_or_si128(_mm_cmpeq_epi8(y, vb1), _mm_cmpeq_epi8(y, vb2));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(fx, fy)));
            while (mask != 0) {
                int64_t candidate = at + __builtin_ctz(mask);
                mask &= mask - 1;
                if (PrefixFits(candidate) && TryAt(candidate)) return true;
            }
        }
#endif
        for (; at <= last; ++at) {
            unsigned char x = s[at + first_at];
            unsigned char y = s[at + second_at];
            if ((x == a1 || x == a2) && (y == b1 || y == b2) && PrefixFits(at) && TryAt(at)) {
                return true;
            }
        }
        return false;
    }

    // Tries the starts the probe's distance before each occurrence of either form of the probe
    // character, merged in order.
    bool SearchByProbe(int64_t start) {
        const int64_t offset = program_.probe_offset;
        const unsigned char one = program_.probe_one;
        const unsigned char other = program_.probe_other;
        const bool* table = program_.start_table;
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
            if (table[subject_[candidate]] && PrefixFits(candidate) && TryAt(candidate)) {
                return true;
            }
            from = at + 1;
        }
        return false;
    }

    // Whether the fixed-width start of the pattern can stand at `at`: a cheap test of each of its
    // characters, which turns away most starts before an attempt is set up.
    LINTARO_HOT bool PrefixFits(int64_t at) const { return RunFits(program_.prefix, at); }

    // Tries each occurrence of the start character in order.
    bool SearchByStartChar(int64_t start) {
        for (int64_t from = start; from < length_;) {
            const void* hit = std::memchr(subject_ + from, program_.start_char, length_ - from);
            if (hit == nullptr) return false;
            int64_t at = static_cast<const unsigned char*>(hit) - subject_;
            if (PrefixFits(at) && TryAt(at)) return true;
            from = at + 1;
        }
        return false;
    }

    // The first position at or after `from` holding `ch`, or length_ when there is none;
    // `cache` remembers the last answer for later searches of the same subject.
    int64_t Find(unsigned char ch, int64_t from, Occurrence& cache) const {
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
        Occurrence& cache = state_.required_cache;
        if (cache.valid && cache.from <= from && from <= cache.at) return cache.at != SIZE_MAX;
        const void* hit = memmem(subject_ + from, static_cast<size_t>(length_) - from,
                                 p_ + program_.required_offset, program_.required_length);
        cache = {true, from,
                 hit == nullptr
                     ? SIZE_MAX
                     : static_cast<size_t>(static_cast<const unsigned char*>(hit) - subject_)};
        return hit != nullptr;
    }

    // One attempt at `start`; on success the captures of the match are the search's result.
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

    // --- Slots, the trail, the choice stack and the work count. ---

    LINTARO_HOT void Set(int slot, int64_t value) {
        uint32_t depth = static_cast<uint32_t>(choices_.size());
        if (depth != 0 && stamps_[slot] != depth) {
            trail_.push_back({static_cast<int32_t>(slots_[slot]), stamps_[slot],
                              static_cast<uint32_t>(slot)});
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

    LINTARO_HOT void Push(ChoiceKind kind, size_t node, int64_t position, int64_t a = 0,
                          int64_t b = 0) {
        // The trail's height is kept in 32 bits too: a search that saved 4 Gi slot values would
        // have exhausted memory long before.
        if (choices_.size() >= choice_cap_ || trail_.size() > UINT32_MAX) {
            RunTimeError(kPatternBacktrackLimit);
        }
        Charge(0);
        choices_.push_back({static_cast<uint32_t>(node), kind, static_cast<uint32_t>(position),
                            static_cast<uint32_t>(trail_.size()), static_cast<int32_t>(a),
                            static_cast<int32_t>(b)});
    }

    [[noreturn]] void RunTimeError(int code) {
        choices_.clear();
        trail_.clear();
        RaiseError(code, 0);
    }

    // --- Single characters. ---

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

    // The length one repetition of the operand consumes: 1, or for a back reference the length of
    // its capture (-1 when the capture is missing).
    LINTARO_HOT int64_t StepOf(size_t op) const {
        unsigned char code = p_[op];
        if (code != kBackRef && code != kBackRefCI) return 1;
        int group = p_[op + kNodeHeaderSize];
        int64_t from = slots_[kSlotCaptureStart + group];
        int64_t to = slots_[kSlotCaptureEnd + group];
        if (from < 0 || to < from) return -1;
        return to - from;
    }

    bool BackRefAt(size_t op, int64_t at) const {
        int group = p_[op + kNodeHeaderSize];
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
    int64_t RegRepeat(size_t op, int64_t maximum, int64_t start, int64_t step) const {
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
                const unsigned char* t = p_ + op + kNodeHeaderSize;
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

    // --- Repetitions: which counts to try. ---

    // Whether what must follow a repetition fits at `at` (nothing known: anything does). Every
    // position of the run consumes a character, so the whole run must lie before the subject end.
    LINTARO_HOT bool FollowsAt(const FixedRun* follow, int64_t at) const {
        if (follow == nullptr) return true;
        return RunFits(*follow, at);
    }

    LINTARO_HOT bool RunFits(const FixedRun& run, int64_t at) const {
        const size_t n = run.tables.size();
        if (at + static_cast<int64_t>(n) > length_) return false;
        const unsigned char* s = subject_ + at;
        const bool* const* tables = run.tables.data();
        for (size_t i = 0; i < n; ++i) {
            if (!tables[i][s[i]]) return false;
        }
        return true;
    }

    // The largest count in [low, high] whose end position holds the following text, or -1. The
    // counts passed over are charged as work. Counts whose end cannot start what follows would
    // fail at once: the rest of the pattern is not even tried at them.
    int64_t GreedyCandidate(int64_t start, int64_t low, int64_t high, int64_t step,
                            const FixedRun* follow) {
        if (high < low) return -1;
        if (follow == nullptr) return high;
        if (step == 0) return FollowsAt(follow, start) ? high : -1;
        int64_t k = -1;
        if (step == 1 && follow->first_is_char && follow->first_one == follow->first_other) {
            // Only the places of the text's first character need a look.
            const unsigned char* base = subject_ + start;
            for (int64_t top = high; top >= low;) {
                const void* hit = memrchr(base + low, follow->first_one, top - low + 1);
                if (hit == nullptr) break;
                int64_t at = static_cast<const unsigned char*>(hit) - base;
                if (FollowsAt(follow, start + at)) {
                    k = at;
                    break;
                }
                top = at - 1;
            }
        } else {
            for (int64_t at = high; at >= low; --at) {
                if (FollowsAt(follow, start + at * step)) {
                    k = at;
                    break;
                }
            }
        }
        Charge(static_cast<unsigned long long>(high - (k < 0 ? low : k) + 1));
        return k;
    }

    // The smallest count in [low, high] whose end position holds the following text, or -1. The
    // counts passed over are charged as work.
    int64_t LazyCandidate(int64_t start, int64_t low, int64_t high, int64_t step,
                          const FixedRun* follow) {
        if (high < low) return -1;
        if (follow == nullptr) return low;
        if (step == 0) return FollowsAt(follow, start) ? low : -1;
        int64_t k = -1;
        if (step == 1 && follow->first_is_char && follow->first_one == follow->first_other) {
            const unsigned char* base = subject_ + start;
            for (int64_t bottom = low; bottom <= high;) {
                const void* hit = std::memchr(base + bottom, follow->first_one, high - bottom + 1);
                if (hit == nullptr) break;
                int64_t at = static_cast<const unsigned char*>(hit) - base;
                if (FollowsAt(follow, start + at)) {
                    k = at;
                    break;
                }
                bottom = at + 1;
            }
        } else {
            for (int64_t at = low; at <= high; ++at) {
                if (FollowsAt(follow, start + at * step)) {
                    k = at;
                    break;
                }
            }
        }
        Charge(static_cast<unsigned long long>((k < 0 ? high : k) - low + 1));
        return k;
    }

    LINTARO_HOT Repetition RepetitionOf(size_t node) const {
        const unsigned char* operand = p_ + node + kNodeHeaderSize;
        switch (p_[node]) {
            case kStar:
                return {0, kInfiniteCount, node + kNodeHeaderSize, false};
            case kPlus:
                return {1, kInfiniteCount, node + kNodeHeaderSize, false};
            case kStarLazy:
                return {0, kInfiniteCount, node + kNodeHeaderSize, true};
            case kPlusLazy:
                return {1, kInfiniteCount, node + kNodeHeaderSize, true};
            case kBraces:
                return {ReadInt32(operand), ReadInt32(operand + 4), node + kBracesHeaderSize,
                        false};
            default:  // kBracesLazy
                return {ReadInt32(operand), ReadInt32(operand + 4), node + kBracesHeaderSize, true};
        }
    }

    // Whether the loop body starting at `body` is a group whose last pass consumed nothing.
    LINTARO_HOT bool EmptyIteration(size_t body) const {
        unsigned char code = p_[body];
        return IsOpen(code) && slots_[kSlotCaptureStart + (code - kOpenBase)] == position_;
    }

    size_t LoopBody(size_t loop) const {
        return static_cast<size_t>(static_cast<int64_t>(loop) +
                                   ReadInt32(p_ + loop + kNodeHeaderSize + 8));
    }

    // --- Loops over a fixed-width pass. ---

    // For a lazy counted loop over a fixed pass: the smallest count from `from` on, at most
    // `maximum`, whose end fits the peek, given that the first `verified` passes are known to
    // match; -1 when the passes stop matching first.
    int64_t LazyPasses(const FixedLoop& loop, int64_t start, int64_t verified, int64_t from,
                       int64_t maximum, const FixedRun* follow) {
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
    int64_t CountPasses(const FixedLoop& loop, int64_t start, int64_t maximum) {
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
    bool PassMatches(const FixedLoop& loop, int64_t at) const {
        for (const auto& [node, offset] : loop.steps) {
            int64_t q = at + offset;
            const unsigned char* operand = p_ + node + kNodeHeaderSize;
            switch (p_[node]) {
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

    // --- The forward walk: one Step per node family. ---

    // Runs the program from its first node at position_; true when it reaches End.
    bool Run() {
        // Each node family has its own dispatch to the next node at the end of its code (a
        // computed goto): an interpreter's shared dispatch jump is mispredicted most of the time,
        // while one jump per family learns which family tends to follow it. Each step is counted
        // without a check: a forward walk cannot go on for long without passing a choice, a loop
        // node or a scan, which check.
        static const void* const kFamilyCode[] = {
            &&end,    &&assertion, &&single,     &&literal,    &&back_ref,  &&pass,
            &&back,   &&branch,    &&repetition, &&loop_entry, &&loop_node, &&group,
        };
        size_t node = PassTo(1);
#define LINTARO_GO_ON(step)                                           \
    node = (step);                                                    \
    if (node == kFail && !Backtrack(&node)) return false;             \
    ++steps_;                                                         \
    goto* kFamilyCode[kFamilyOf[p_[node]]]

        ++steps_;
        goto* kFamilyCode[kFamilyOf[p_[node]]];
    end:
        return true;
    assertion:
        LINTARO_GO_ON(AssertionHolds(p_[node]) ? Forward(node) : kFail);
    single:
        LINTARO_GO_ON(StepSingle(node));
    literal:
        LINTARO_GO_ON(StepLiteral(node));
    back_ref:
        LINTARO_GO_ON(StepBackRef(node));
    pass:
        LINTARO_GO_ON(Next(node));
    back:
        LINTARO_GO_ON(StepBack(node));
    branch:
        LINTARO_GO_ON(StepBranch(node));
    repetition:
        LINTARO_GO_ON(StepRepetition(node));
    loop_entry:
        LINTARO_GO_ON(StepLoopEntry(node));
    loop_node:
        LINTARO_GO_ON(StepLoop(node));
    group:
        LINTARO_GO_ON(StepGroup(node));
#undef LINTARO_GO_ON
    }

    // Anchors and boundaries: whether the position passes the test; they consume nothing.
    bool AssertionHolds(unsigned char code) const {
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

    // One character of a class, a digit test or a dot.
    size_t StepSingle(size_t node) {
        if (p_[node] == kAnyNotLineSep) {
            if (!NotLineSeparatorAt(position_)) return kFail;
        } else if (position_ >= length_ || !OneMatches(node, subject_[position_])) {
            return kFail;
        }
        ++position_;
        return Forward(node);
    }

    // Literal text, exact or in either case. The subject copy ends in a 0 byte and holds none
    // before it, so a compare against the literal's non-zero bytes stops at the end by itself.
    size_t StepLiteral(size_t node) {
        const unsigned char* lit = p_ + node + kNodeHeaderSize;
        if (*lit == 0) return kFail;  // "\x00": no subject holds that character
        const unsigned char* s = subject_;
        int64_t at = position_;
        if (p_[node] == kLiteral) {
            for (; *lit != 0; ++at, ++lit) {
                if (s[at] != *lit) return kFail;
            }
        } else {
            for (; *lit != 0; ++at, ++lit) {
                if (s[at] != *lit && s[at] != kCp1251ToggleCase[*lit]) return kFail;
            }
        }
        position_ = at;
        return Forward(node);
    }

    // The text a group captured, again.
    size_t StepBackRef(size_t node) {
        int64_t step = StepOf(node);
        if (step < 0) return kFail;
        Charge(static_cast<unsigned long long>(step));
        if (!BackRefAt(node, position_)) return kFail;
        position_ += step;
        return Forward(node);
    }

    // The end of a pass of a greedy "x*" or "x+" over a group: back to the choice between another
    // pass and the rest, unless the pass consumed nothing.
    size_t StepBack(size_t node) {
        size_t target = Next(node);
        if (target == 0) return kFail;
        if (p_[target] == kBranch) {
            // End of a pass of x*: an empty pass ends the loop.
            if (EmptyIteration(target + kNodeHeaderSize)) {
                size_t rest = Next(target);
                return rest == 0 ? kFail : rest + kNodeHeaderSize;
            }
        } else if (EmptyIteration(target)) {
            return kFail;  // x+ after an empty pass: no further pass
        }
        return target;
    }

    // An alternative: a lone Branch is no choice; a loop over a fixed pass counts its passes at
    // once; otherwise the next alternative is kept for later.
    size_t StepBranch(size_t node) {
        size_t next = Next(node);
        if (next == 0 || p_[next] != kBranch) return PassTo(node + kNodeHeaderSize);
        if (const FixedLoop* loop = program_.FixedLoopAt(node); loop != nullptr) {
            int64_t start = position_;
            int64_t passes = CountPasses(*loop, start, INT64_MAX);
            int64_t k = GreedyCandidate(start, 0, passes, loop->width, program_.FollowAt(node));
            if (k < 0) return kFail;
            if (k > 0) Push(kFixedLoopChoice, node, start, k);
            EnterFixedLoopCount(*loop, start, k);
            return next + kNodeHeaderSize;
        }
        // The later alternatives are kept for a return only when one of them can begin here.
        if (program_.alternatives_start_at[node][subject_[position_]]) {
            Push(kAltChoice, next, position_);
        }
        return node + kNodeHeaderSize;
    }

    // A repetition of a simple operand: the run is counted at once, and one choice point keeps
    // the counts left to try.
    size_t StepRepetition(size_t node) {
        Repetition rep = RepetitionOf(node);
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
            k = GreedyCandidate(start, rep.minimum, count, step, peek);
            if (k < 0) return kFail;
            if (k > rep.minimum && step != 0) {
                // A choice is kept only when a smaller count is left that what follows could
                // start after; a choice that can only fail would make every capture written
                // after it go on the trail.
                int64_t below = peek == nullptr
                                    ? k - 1
                                    : GreedyCandidate(start, rep.minimum, k - 1, step, peek);
                if (below >= 0) Push(kGreedyChoice, node, start, below + 1);
            }
        } else {
            k = LazyCandidate(start, rep.minimum, count, step, peek);
            if (k < 0) return kFail;
            if (k < count && step != 0) Push(kLazyChoice, node, start, k, count);
        }
        position_ = start + k * (step < 0 ? 0 : step);
        return next;
    }

    // The start of a counted loop: a new counter on the loop stack.
    size_t StepLoopEntry(size_t node) {
        int64_t index = slots_[kSlotLoopIndex] + 1;
        if (index > kLoopStackDepth) RunTimeError(kPatternLoopStackExceeded);
        Set(kSlotLoopIndex, index);
        Set(kSlotLoopCount + static_cast<int>(index), 0);
        return Forward(node);
    }

    // The end of a pass of a counted loop (and its first arrival, from the LoopEntry): another
    // pass while below the minimum; then, greedy, another pass with leaving kept as the choice,
    // or, lazy, leaving with another pass kept as the choice.
    size_t StepLoop(size_t node) {
        int64_t index = slots_[kSlotLoopIndex];
        if (index <= 0) RunTimeError(kPatternLoopWithoutEntry);
        // Passes of a counted loop count against the bound too: nested loops with huge minimums
        // over bodies that can pass empty do that much work without ever backing up.
        Charge(1);
        const unsigned char* operand = p_ + node + kNodeHeaderSize;
        int counter = kSlotLoopCount + static_cast<int>(index);
        int64_t minimum = ReadInt32(operand);
        int64_t maximum = ReadInt32(operand + 4);
        size_t body = LoopBody(node);
        int64_t n = slots_[counter];
        if (n == 0) {
            if (const FixedLoop* loop = program_.FixedLoopAt(node); loop != nullptr) {
                return EnterFixedCountedLoop(node, *loop, index, minimum, maximum);
            }
        }
        if (n < minimum) {
            Set(counter, n + 1);
            return body;
        }
        if (p_[node] == kLoop) {
            bool stop = maximum == kInfiniteCount && n > 0 && EmptyIteration(body);
            if (n < maximum && !stop) {
                Push(kLoopExitChoice, node, position_);
                Set(counter, n + 1);
                return body;
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
    size_t EnterFixedCountedLoop(size_t node, const FixedLoop& loop, int64_t index, int64_t minimum,
                                 int64_t maximum) {
        int64_t start = position_;
        size_t next = Next(node);
        const FixedRun* peek = program_.FollowAt(node);
        int64_t k;
        if (p_[node] == kLoop) {
            int64_t passes = CountPasses(loop, start, maximum);
            if (passes < minimum) return kFail;
            k = GreedyCandidate(start, minimum, passes, loop.width, peek);
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

    // A group's opening or closing: records the position in its capture slot.
    size_t StepGroup(size_t node) {
        unsigned char code = p_[node];
        if (IsOpen(code)) {
            Set(kSlotCaptureStart + (code - kOpenBase), position_);
        } else if (IsClose(code)) {
            Set(kSlotCaptureEnd + (code - kCloseBase), position_);
        } else {
            return kFail;  // no other code is ever emitted
        }
        return Forward(node);
    }

    // --- Backtracking: one Resume per kind of choice. ---

    // Resumes the newest choice that has something left to try; false when none has.
    [[gnu::noinline]] bool Backtrack(size_t* node_out) {
        while (!choices_.empty()) {
            Charge(1);
            ChoicePoint& c = choices_.back();
            Unwind(c.trail);
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
                *node_out = node;
                return true;
            }
        }
        return false;
    }

    // The next alternative; the choice stays while more follow.
    size_t ResumeAlternative(ChoicePoint& c) {
        size_t node = c.node;
        size_t after = Next(node);
        if (after != 0 && p_[after] == kBranch) {
            c.node = static_cast<uint32_t>(after);
        } else {
            choices_.pop_back();
        }
        return node + kNodeHeaderSize;
    }

    // A greedy "x*" or "x+" over a fixed pass: one pass fewer.
    size_t ResumeFixedLoop(ChoicePoint& c) {
        const FixedLoop& loop = *program_.FixedLoopAt(c.node);
        size_t rest = Next(c.node) + kNodeHeaderSize;
        int64_t start = c.position;
        int64_t k = GreedyCandidate(start, 0, c.a - 1, loop.width, program_.FollowAt(c.node));
        if (k <= 0) {
            choices_.pop_back();
        } else {
            c.a = static_cast<int32_t>(k);
        }
        if (k < 0) return kFail;
        EnterFixedLoopCount(loop, start, k);
        return rest;
    }

    // A repetition of a simple operand: the next smaller (greedy) or larger (lazy) count.
    size_t ResumeRepetition(ChoicePoint& c) {
        Repetition rep = RepetitionOf(c.node);
        int64_t step = StepOf(rep.operand);
        size_t next = Next(c.node);
        const FixedRun* peek = program_.FollowAt(c.node);
        int64_t start = c.position;
        int64_t k;
        if (c.kind == kGreedyChoice) {
            k = GreedyCandidate(start, rep.minimum, c.a - 1, step, peek);
            if (k < 0 || k == rep.minimum) {
                choices_.pop_back();
            } else {
                c.a = static_cast<int32_t>(k);
            }
        } else {
            k = LazyCandidate(start, c.a + 1, c.b, step, peek);
            if (k < 0 || k == c.b) {
                choices_.pop_back();
            } else {
                c.a = static_cast<int32_t>(k);
            }
        }
        if (k < 0) return kFail;
        position_ = start + k * step;
        return next;
    }

    // A counted loop over a fixed pass: one pass fewer (greedy) or more (lazy).
    size_t ResumeFixedCountedLoop(ChoicePoint& c) {
        size_t node = c.node;
        const FixedLoop& loop = *program_.FixedLoopAt(node);
        const unsigned char* operand = p_ + node + kNodeHeaderSize;
        int64_t minimum = ReadInt32(operand);
        int64_t maximum = ReadInt32(operand + 4);
        size_t next = Next(node);
        const FixedRun* peek = program_.FollowAt(node);
        int64_t start = c.position;
        int64_t k;
        if (c.kind == kFixedCountChoice) {
            k = GreedyCandidate(start, minimum, c.a - 1, loop.width, peek);
            if (k < 0 || k == minimum) {
                choices_.pop_back();
            } else {
                c.a = static_cast<int32_t>(k);
            }
        } else {
            k = LazyPasses(loop, start, c.a, c.a + 1, maximum, peek);
            if (k < 0 || k >= maximum) {
                choices_.pop_back();
            } else {
                c.a = static_cast<int32_t>(k);
            }
        }
        if (k < 0 || next == 0) return kFail;
        EnterFixedLoopCount(loop, start, k);
        Set(kSlotLoopIndex, slots_[kSlotLoopIndex] - 1);
        return next;
    }

    // A greedy counted loop whose next pass failed: leave the loop here instead.
    size_t ResumeLoopExit(ChoicePoint& c) {
        size_t node = c.node;
        choices_.pop_back();
        Set(kSlotLoopIndex, slots_[kSlotLoopIndex] - 1);
        return Next(node);
    }

    // A lazy counted loop whose continuation failed: try one more pass.
    size_t ResumeLoopMore(ChoicePoint& c) {
        size_t node = c.node;
        choices_.pop_back();
        const unsigned char* operand = p_ + node + kNodeHeaderSize;
        int64_t index = slots_[kSlotLoopIndex];
        int counter = kSlotLoopCount + static_cast<int>(index);
        int64_t maximum = ReadInt32(operand + 4);
        size_t body = LoopBody(node);
        int64_t n = slots_[counter];
        if (n >= maximum) return kFail;
        if (maximum == kInfiniteCount && n > 0 && EmptyIteration(body)) return kFail;
        Set(counter, n + 1);
        return body;
    }

    const Program& program_;
    SearchState& state_;
    const unsigned char* p_;
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

}  // namespace

bool SearchFrom(const Program& program, SearchState& state, size_t start) {
    Matcher matcher(program, state);
    return matcher.Search(static_cast<int64_t>(start));
}

}  // namespace lintaro::regex
