// Where to try: the start positions a search gives an attempt. The required literal must occur
// from the start on at all; then the search data chooses the cheapest screen that passes over the
// places where no match can begin (the pair of characters of the fixed beginning, 16 places at a
// time; the probe character; the start character; the table of first characters), and each place
// left whose fixed beginning fits gets one attempt (match.cpp) until one matches.
//
// The screens only read the program and the subject; the occurrences they find are cached in the
// SearchState, so that a walk over many matches scans the subject ahead once in total.
#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "regex/match.h"

namespace lintaro::regex {
namespace {

class StartScreens {
  public:
    StartScreens(const Program& program, SearchState& state, Matcher& matcher)
        : program_(program),
          state_(state),
          matcher_(matcher),
          p_(program.bytes.data()),
          subject_(reinterpret_cast<const unsigned char*>(state.input.c_str())),
          length_(static_cast<int64_t>(state.input.size())) {}

    // The leftmost match from `start`, trying only the start positions the search data allows.
    bool Search(int64_t start) {
        if (program_.required_length > 0 && !RequiredLiteralFrom(start)) return false;
        if (program_.anchored) return matcher_.TryAt(start);
        if (program_.screen_second != 0) return SearchByPair(start);
        if (program_.probe_offset >= 0) return SearchByProbe(start);
        if (program_.start_char != 0) return SearchByStartChar(start);
        const bool* table = program_.start_table;
        for (int64_t at = start; at <= length_; ++at) {
            if (table[subject_[at]] && PrefixFits(at) && matcher_.TryAt(at)) return true;
        }
        return false;
    }

  private:
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
                if (PrefixFits(candidate) && matcher_.TryAt(candidate)) return true;
            }
        }
#endif
        for (; at <= last; ++at) {
            unsigned char x = s[at + first_at];
            unsigned char y = s[at + second_at];
            if ((x == a1 || x == a2) && (y == b1 || y == b2) && PrefixFits(at) &&
                matcher_.TryAt(at)) {
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
            if (table[subject_[candidate]] && PrefixFits(candidate) && matcher_.TryAt(candidate)) {
                return true;
            }
            from = at + 1;
        }
        return false;
    }

    // Whether the fixed-width start of the pattern can stand at `at`: a cheap test of each of its
    // characters, which turns away most starts before an attempt is set up.
    LINTARO_HOT bool PrefixFits(int64_t at) const {
        return program_.prefix.FitsAt(subject_, length_, at);
    }

    // Tries each occurrence of the start character in order.
    bool SearchByStartChar(int64_t start) {
        for (int64_t from = start; from < length_;) {
            const void* hit = std::memchr(subject_ + from, program_.start_char, length_ - from);
            if (hit == nullptr) return false;
            int64_t at = static_cast<const unsigned char*>(hit) - subject_;
            if (PrefixFits(at) && matcher_.TryAt(at)) return true;
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

    const Program& program_;
    SearchState& state_;
    Matcher& matcher_;
    const unsigned char* p_;
    const unsigned char* subject_;
    int64_t length_;
};

}  // namespace

bool SearchFrom(const Program& program, SearchState& state, size_t start) {
    Matcher matcher(program, state);
    return StartScreens(program, state, matcher).Search(static_cast<int64_t>(start));
}

}  // namespace lintaro::regex
