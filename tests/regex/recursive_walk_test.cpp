// The matcher against a plain recursive walk of the same compiled program, on many small random
// patterns and subjects. The recursive walk is the matching algorithm in its most direct form:
// one call per node choice, every count of a repetition tried in order, and all state restored
// when a call fails. It tries every start position, so the matcher's start-position filters are
// checked too. Cases where the walk recurses without end (loops repeating empty passes) are
// skipped: there the matcher's own rule decides.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "regex/pattern.h"

namespace lintaro::regex {
namespace {

unsigned char Toggle(unsigned char ch) {
    if (ch >= 'a' && ch <= 'z') return ch - 32;
    if (ch >= 'A' && ch <= 'Z') return ch + 32;
    return ch;
}

int32_t Int(const unsigned char* at) {
    return static_cast<int32_t>(uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 |
                                uint32_t(at[3]) << 24);
}

struct TooDeep {};

class RecursiveWalk {
  public:
    RecursiveWalk(std::string_view program, std::string subject)
        : p_(reinterpret_cast<const unsigned char*>(program.data())),
          s_(std::move(subject)),
          len_(static_cast<int64_t>(s_.size())) {}

    // The matches found from 0-based `start` on, as Exec/ExecNext would visit them.
    std::vector<std::vector<int64_t>> AllMatches() {
        std::vector<std::vector<int64_t>> out;
        int64_t start = 0;
        while (start <= len_ && out.size() < 50) {
            bool found = false;
            for (int64_t at = start; at <= len_ && !found; ++at) {
                for (auto& c : cap_) c = -1;
                loop_index_ = 0;
                pos_ = at;
                if (Walk(1)) {
                    cap_[0] = at;
                    cap_[20] = pos_;
                    out.emplace_back(cap_, cap_ + 40);
                    found = true;
                }
            }
            if (!found) break;
            const auto& last = out.back();
            start = last[20] + (last[0] == last[20] ? 1 : 0);
        }
        return out;
    }

  private:
    struct Saved {
        int64_t cap[40];
        int loop_index;
        int loop_count[11];
        int64_t pos;
    };
    Saved Save() const {
        Saved s;
        std::memcpy(s.cap, cap_, sizeof cap_);
        std::memcpy(s.loop_count, loop_count_, sizeof loop_count_);
        s.loop_index = loop_index_;
        s.pos = pos_;
        return s;
    }
    void Restore(const Saved& s) {
        std::memcpy(cap_, s.cap, sizeof cap_);
        std::memcpy(loop_count_, s.loop_count, sizeof loop_count_);
        loop_index_ = s.loop_index;
        pos_ = s.pos;
    }

    size_t Next(size_t node) const {
        int32_t link = Int(p_ + node + 1);
        return link == 0 ? 0 : node + link;
    }
    unsigned char At(int64_t i) const { return i < len_ ? s_[i] : 0; }
    bool Sep(unsigned char c) const { return c == '\r' || c == '\n'; }
    bool Word(unsigned char c) const {
        return c && std::strchr("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_",
                                c) != nullptr;
    }

    // One character against a single-character node.
    bool One(size_t op, int64_t at) const {
        if (at >= len_) return false;
        unsigned char c = s_[at];
        const unsigned char* o = p_ + op + 5;
        switch (p_[op]) {
            case 3:
                return true;
            case 8:
                return c == o[0];
            case 20:
                return c == o[0] || c == Toggle(o[0]);
            case 12:
                return c >= '0' && c <= '9';
            case 13:
                return !(c >= '0' && c <= '9');
            case 25:
                return c == o[0] || c == o[1] || c == o[2];
            case 26:
                return c != o[0] && c != o[1] && c != o[2];
            case 27:
                return (o[c / 8] >> (c % 8)) & 1;
        }
        return false;
    }

    bool BackRefAt(size_t op, int64_t at) const {
        int g = p_[op + 5];
        int64_t from = cap_[g], to = cap_[20 + g];
        if (at + (to - from) > len_) return false;
        for (int64_t i = 0; i < to - from; ++i) {
            unsigned char want = s_[from + i], got = s_[at + i];
            if (got != want && !(p_[op] == 29 && got == Toggle(want))) return false;
        }
        return true;
    }

    bool Walk(size_t node) {
        if (++depth_ > 1000) throw TooDeep();
        Saved entry = Save();
        bool result = WalkFrom(node);
        if (!result) Restore(entry);
        --depth_;
        return result;
    }

    bool WalkFrom(size_t node) {
        while (node != 0) {
            unsigned char code = p_[node];
            const unsigned char* o = p_ + node + 5;
            size_t next = Next(node);
            switch (code) {
                case 0:
                    return true;
                case 1:
                    if (pos_ != 0) return false;
                    break;
                case 2:
                    if (pos_ != len_) return false;
                    break;
                case 34:
                    if (pos_ > 0) {
                        unsigned char b = At(pos_ - 1);
                        if (b == '\n' && pos_ >= 2 && At(pos_ - 2) == '\r') break;
                        if (b == '\r' && At(pos_) == '\n') return false;
                        if (!Sep(b)) return false;
                    }
                    break;
                case 35:
                    if (pos_ < len_) {
                        unsigned char c = At(pos_);
                        if (c == '\r' && At(pos_ + 1) == '\n') break;
                        if (c == '\n' && pos_ >= 1 && At(pos_ - 1) == '\r') return false;
                        if (!Sep(c)) return false;
                    }
                    break;
                case 36:
                    if (pos_ >= len_ || Sep(At(pos_))) return false;
                    ++pos_;
                    break;
                case 3:
                case 12:
                case 13:
                case 25:
                case 26:
                case 27:
                    if (!One(node, pos_)) return false;
                    ++pos_;
                    break;
                case 8:
                case 20: {
                    if (o[0] == 0) return false;
                    for (const unsigned char* l = o; *l; ++l, ++pos_) {
                        if (pos_ >= len_ ||
                            !(s_[pos_] == *l || (code == 20 && s_[pos_] == Toggle(*l)))) {
                            return false;
                        }
                    }
                    break;
                }
                case 28:
                case 29: {
                    int g = o[0];
                    if (cap_[g] < 0 || cap_[20 + g] < cap_[g] || !BackRefAt(node, pos_))
                        return false;
                    pos_ += cap_[20 + g] - cap_[g];
                    break;
                }
                case 37:
                case 38: {
                    bool b = (pos_ > 0 && Word(At(pos_ - 1))) != (pos_ < len_ && Word(At(pos_)));
                    if (b != (code == 37)) return false;
                    break;
                }
                case 7:
                case 9:
                case 19:
                    break;
                case 6: {
                    if (next == 0 || p_[next] != 6) {
                        next = node + 5;
                        break;
                    }
                    for (size_t alt = node; alt != 0 && p_[alt] == 6; alt = Next(alt)) {
                        if (Walk(alt + 5)) return true;
                    }
                    return false;
                }
                case 10:
                case 11:
                case 18:
                case 30:
                case 31:
                case 32: {
                    bool braces = code == 18 || code == 32;
                    bool lazy = code >= 30;
                    int64_t min = braces ? Int(o) : (code == 11 || code == 31) ? 1 : 0;
                    int64_t max = braces ? Int(o + 4) : 2147483647;
                    size_t op = node + (braces ? 13 : 5);
                    int64_t start = pos_;
                    int64_t step = 1;
                    int64_t count = 0;
                    if (p_[op] == 28 || p_[op] == 29) {
                        int g = p_[op + 5];
                        if (cap_[g] >= 0 && cap_[20 + g] >= cap_[g]) {
                            step = cap_[20 + g] - cap_[g];
                            if (step == 0) {
                                count = std::min(max, len_ - start);
                            } else {
                                while (count < max && BackRefAt(op, start + count * step)) ++count;
                            }
                        }
                    } else {
                        while (count < max && One(op, start + count)) ++count;
                    }
                    if (count < min) return false;
                    for (int64_t i = 0; i <= count - min; ++i) {
                        int64_t k = lazy ? min + i : count - i;
                        pos_ = start + k * step;
                        if (Walk(next)) return true;
                    }
                    return false;
                }
                case 23: {
                    if (loop_index_ + 1 > 10) throw EPattern("", 1014, 0);
                    ++loop_index_;
                    loop_count_[loop_index_] = 0;
                    return Walk(next);
                }
                case 24:
                case 33: {
                    int index = loop_index_;
                    int min = Int(o), max = Int(o + 4);
                    size_t body = node + Int(o + 8);
                    int n = loop_count_[index];
                    if (n < min) {
                        loop_count_[index] = n + 1;
                        return Walk(body);
                    }
                    if (code == 24) {
                        if (n < max) {
                            loop_count_[index] = n + 1;
                            if (Walk(body)) return true;
                            loop_count_[index] = n;
                        }
                        loop_index_ = index - 1;
                        return Walk(next);
                    }
                    loop_index_ = index - 1;
                    if (Walk(next)) return true;
                    loop_index_ = index;
                    if (n < max) {
                        loop_count_[index] = n + 1;
                        if (Walk(body)) return true;
                    }
                    return false;
                }
                default:
                    if (code >= 40 && code <= 58) {
                        cap_[code - 39] = pos_;
                    } else if (code >= 60 && code <= 78) {
                        cap_[20 + code - 59] = pos_;
                    } else {
                        return false;
                    }
                    break;
            }
            node = next;
        }
        return false;
    }

    const unsigned char* p_;
    std::string s_;
    int64_t len_;
    int64_t cap_[40];
    int loop_index_ = 0;
    int loop_count_[11] = {};
    int64_t pos_ = 0;
    int depth_ = 0;
};

std::string RandomPattern(std::mt19937& rng) {
    static const std::vector<std::string> atoms = {"a",   "b",   "ab",  ".", "[ab]", "[^a]",
                                                   "\\d", "\\w", "\\s", "^", "$",    "\\b",
                                                   "A",   "\\1", "\\2", "1", "\r",   "\n"};
    static const std::vector<std::string> quantifiers = {
        "", "", "", "*", "+", "?", "*?", "+?", "??", "{2}", "{0,2}", "{1,3}?", "{2,}", "{0,1}"};
    std::string out;
    int open = 0;
    int length = std::uniform_int_distribution<int>(1, 8)(rng);
    for (int i = 0; i < length; ++i) {
        int kind = std::uniform_int_distribution<int>(0, 9)(rng);
        if (kind == 0 && open < 3) {
            out += "(";
            ++open;
            continue;
        }
        if (kind == 1 && open > 0) {
            out += ")";
            --open;
        } else if (kind == 2) {
            out += "|";
            continue;
        } else {
            out += atoms[std::uniform_int_distribution<size_t>(0, atoms.size() - 1)(rng)];
        }
        out += quantifiers[std::uniform_int_distribution<size_t>(0, quantifiers.size() - 1)(rng)];
    }
    while (open-- > 0) out += ")";
    return out;
}

std::string RandomSubject(std::mt19937& rng) {
    static const char alphabet[] = "aabbA1 \r\n";
    std::string s;
    int length = std::uniform_int_distribution<int>(0, 10)(rng);
    for (int i = 0; i < length; ++i) {
        s += alphabet[std::uniform_int_distribution<int>(0, sizeof alphabet - 2)(rng)];
    }
    return s;
}

TEST(PatternRecursiveWalkTest, MatcherAgreesWithARecursiveWalkOfTheProgram) {
    std::mt19937 rng(20261210);
    int compared = 0;
    int skipped = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string pattern = RandomPattern(rng);
        std::string subject = RandomSubject(rng);
        TPattern matcher;
        matcher.SetExpression(pattern);
        int modifiers = std::uniform_int_distribution<int>(0, 15)(rng);
        matcher.SetModifierByIndex(1, modifiers & 1);
        matcher.SetModifierByIndex(3, !(modifiers & 2));
        matcher.SetModifierByIndex(4, !(modifiers & 4));
        matcher.SetModifierByIndex(5, modifiers & 8);
        try {
            matcher.Compile();
        } catch (const EPattern&) {
            continue;
        }
        std::vector<std::vector<int64_t>> expected;
        bool walk_failed = false;
        int walk_code = 0;
        try {
            expected = RecursiveWalk(matcher.ProgramBytes(), subject).AllMatches();
        } catch (const TooDeep&) {
            ++skipped;
            continue;
        } catch (const EPattern& e) {
            walk_failed = true;
            walk_code = e.Code;
        }
        std::vector<std::vector<int64_t>> actual;
        try {
            for (bool found = matcher.Exec(subject); found && actual.size() < 50;
                 found = matcher.ExecNext()) {
                std::vector<int64_t> slots(40, -1);
                for (int n = 0; n < 20; ++n) {
                    slots[n] = matcher.MatchPos(n);
                    if (matcher.MatchLen(n) >= 0) slots[20 + n] = slots[n] + matcher.MatchLen(n);
                }
                actual.push_back(slots);
            }
            ASSERT_FALSE(walk_failed) << pattern;
        } catch (const EPattern& e) {
            ASSERT_TRUE(walk_failed) << pattern << ": " << e.what();
            EXPECT_EQ(e.Code, walk_code);
            continue;
        }
        ASSERT_EQ(actual, expected) << "pattern " << pattern << " modifiers " << modifiers
                                    << " subject [" << subject << "]";
        ++compared;
    }
    EXPECT_GT(compared, 5000);
    std::printf("compared %d cases, skipped %d endless ones\n", compared, skipped);
}

}  // namespace
}  // namespace lintaro::regex
