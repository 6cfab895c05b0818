// Builds random patterns as a small tree walk that writes each construct in both syntaxes at once.
// Only constructs whose meaning both engines share are produced; where the spelling differs (line
// anchors, \s, \Z, classes) the PCRE2 side spells out our meaning explicitly.
#include "pattern_generator.h"

#include <array>
#include <bitset>
#include <cstdio>
#include <string_view>

namespace lintaro::regex {
namespace {

constexpr std::string_view kOurMetas = "^$.[()|?+*\\{";
constexpr std::string_view kCore = "abcAB012 _-";
constexpr std::string_view kPunct = ".*()[]{}|?+^$\\<=/";
constexpr std::string_view kControls = "\t\f\x0b\r\n\x1b\x07";
// а б я А Я ё Ё and the no-break space, as Windows-1251 bytes.
constexpr std::string_view kCyrillic = "\xE0\xE1\xFF\xC0\xDF\xB8\xA8\xA0";
constexpr std::string_view kWordChars =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
constexpr std::string_view kSpaceChars = " \t\n\r\f";

using ByteSet = std::bitset<256>;

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsAlnum(unsigned char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9'); }

std::string Hex2(unsigned char c) {
    char buffer[3];
    std::snprintf(buffer, sizeof buffer, "%02X", c);
    return buffer;
}

// A PCRE2 spelling of one byte that means that byte in any context, classes included.
std::string PcreByte(unsigned char c) {
    if (IsAlnum(c)) return std::string(1, static_cast<char>(c));
    return "\\x{" + Hex2(c) + "}";
}

// A PCRE2 class holding exactly the bytes of `set`, written as ranges.
std::string PcreClass(const ByteSet& set) {
    if (set.none()) return "(?!)";
    std::string out = "[";
    for (int c = 0; c < 256;) {
        if (!set[c]) {
            ++c;
            continue;
        }
        int last = c;
        while (last + 1 < 256 && set[last + 1]) ++last;
        out += PcreByte(static_cast<unsigned char>(c));
        if (last > c) out += "-" + PcreByte(static_cast<unsigned char>(last));
        c = last + 1;
    }
    return out + "]";
}

void AddAll(ByteSet& set, std::string_view chars) {
    for (unsigned char c : chars) set.set(c);
}

}  // namespace

uint32_t Random::Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<uint32_t>(state_ >> 32);
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += "\\x" + Hex2(c);
        }
    }
    return out;
}

struct PatternGenerator::Piece {
    std::string ours;
    std::string pcre2;
    bool nullable = false;  // can match the empty text
    bool simple = false;    // one node that consumes exactly one character in our engine
};

PatternGenerator::PatternGenerator(const GeneratorProfile& profile, uint64_t seed)
    : profile_(profile), random_(seed) {}

GeneratedPattern PatternGenerator::NextPattern() {
    modifiers_ = CaseModifiers{};
    modifiers_.caseless = random_.Percent(profile_.caseless_percent);
    modifiers_.cyrillic_ranges = random_.Percent(profile_.cyrillic_ranges_percent);
    modifiers_.dot_all = random_.Percent(profile_.dot_all_percent);
    modifiers_.greedy = random_.Percent(profile_.greedy_percent);
    modifiers_.multi_line = random_.Percent(profile_.multi_line_percent);
    cyrillic_ = !modifiers_.caseless && random_.Percent(profile_.cyrillic_percent);
    groups_.clear();
    loops_ = 0;

    // A handful of characters per pattern, so that literals, classes and subjects meet often.
    alphabet_.clear();
    int size = 3 + random_.Below(4);
    for (int i = 0; i < size; ++i) {
        int pool = random_.Below(100);
        if (pool < 55) {
            alphabet_.push_back(kCore[random_.Below(kCore.size())]);
        } else if (pool < 70) {
            alphabet_.push_back(kPunct[random_.Below(kPunct.size())]);
        } else if (pool < 82 || !cyrillic_) {
            alphabet_.push_back(kControls[random_.Below(kControls.size())]);
        } else {
            alphabet_.push_back(kCyrillic[random_.Below(kCyrillic.size())]);
        }
    }

    Piece top = Alternation(0);
    if (random_.Percent(profile_.fixed_prefix_percent)) {
        Piece prefix = FixedPrefix();
        top.ours = prefix.ours + top.ours;
        top.pcre2 = prefix.pcre2 + top.pcre2;
    }
    return GeneratedPattern{top.ours, top.pcre2, modifiers_, alphabet_};
}

std::string PatternGenerator::NextSubject(const GeneratedPattern& pattern) {
    std::string subject;
    int length = random_.Below(100) < 10 ? random_.Below(3)
                                         : 2 + random_.Below(profile_.max_subject_length - 2);
    bool cyrillic = !pattern.modifiers.caseless && random_.Percent(profile_.cyrillic_percent);
    for (int i = 0; i < length; ++i) {
        if (random_.Percent(profile_.line_break_percent)) {
            static constexpr std::string_view kBreaks[] = {"\r\n", "\r", "\n", "\n\r"};
            subject += kBreaks[random_.Below(4)];
            continue;
        }
        int pool = random_.Below(100);
        char c;
        if (pool < 62 && !pattern.alphabet.empty()) {
            c = pattern.alphabet[random_.Below(pattern.alphabet.size())];
        } else if (pool < 74) {
            c = kCore[random_.Below(kCore.size())];
        } else if (pool < 82) {
            c = kPunct[random_.Below(kPunct.size())];
        } else if (pool < 92 && cyrillic) {
            c = kCyrillic[random_.Below(kCyrillic.size())];
        } else {
            c = kControls[random_.Below(kControls.size())];
        }
        subject += c;
    }
    // Pages end their lines in CR LF; a break at the very end is where "$" and "\Z" differ most.
    if (random_.Percent(profile_.line_break_percent * 2))
        subject += random_.Percent(50) ? "\r\n" : "\n";
    return subject;
}

PatternGenerator::Piece PatternGenerator::Alternation(int depth) {
    Piece out = Sequence(depth);
    int extra = random_.Percent(25) ? 1 + random_.Below(2) : 0;
    for (int i = 0; i < extra; ++i) {
        Piece next = random_.Percent(8) ? Piece{"", "", true, false} : Sequence(depth);
        out.ours += "|" + next.ours;
        out.pcre2 += "|" + next.pcre2;
        out.nullable = out.nullable || next.nullable;
    }
    out.simple = false;
    return out;
}

PatternGenerator::Piece PatternGenerator::Sequence(int depth) {
    Piece out{"", "", true, false};
    int count = 1 + random_.Below(depth == 0 ? 5 : 3);
    for (int i = 0; i < count; ++i) {
        Piece piece = Quantified(depth);
        out.ours += piece.ours;
        out.pcre2 += piece.pcre2;
        out.nullable = out.nullable && piece.nullable;
    }
    return out;
}

PatternGenerator::Piece PatternGenerator::Quantified(int depth) {
    int roll = random_.Below(100);
    if (roll < profile_.anchor_percent) return Anchor();
    Piece atom = Atom(depth);
    if (!random_.Percent(35)) return atom;
    return Quantify(atom, atom.simple);
}

PatternGenerator::Piece PatternGenerator::Quantify(Piece atom, bool simple) {
    bool lazy_mark = random_.Percent(30);
    bool lazy = lazy_mark || !modifiers_.greedy;
    std::string quantifier;
    int min = 0;
    bool counted = false;
    int kind = atom.nullable ? 2 : random_.Below(6);
    switch (kind) {
        case 0:
            quantifier = "*";
            break;
        case 1:
            quantifier = "+";
            min = 1;
            break;
        case 2:
            quantifier = "?";
            break;
        case 3:
            // PCRE2 10.42 misreads a group repeated no times whose later alternative starts with
            // \A: (?:a|\Ab){0}\d finds nothing in "x2". Groups therefore repeat at least once.
            min = random_.Below(4);
            if (min == 0 && !simple) min = 1;
            quantifier = "{" + std::to_string(min) + "}";
            counted = true;
            break;
        case 4:
            min = random_.Below(3);
            quantifier = "{" + std::to_string(min) + ",}";
            counted = true;
            break;
        default: {
            min = random_.Below(3);
            int max = min + random_.Below(3);
            if (max == 0 && !simple) max = 1;
            quantifier = "{" + std::to_string(min) + "," + std::to_string(max) + "}";
            counted = true;
            break;
        }
    }
    // A lazy or counted repetition of a non-simple operand opens a counted loop, and only ten may
    // be open at once; stay well below.
    if (!simple && (lazy || counted)) {
        if (loops_ >= 8) return atom;
        ++loops_;
    }
    atom.ours += quantifier + (lazy_mark ? "?" : "");
    atom.pcre2 += quantifier + (lazy ? "?" : "");
    atom.nullable = atom.nullable || min == 0;
    atom.simple = false;
    return atom;
}

PatternGenerator::Piece PatternGenerator::Atom(int depth) {
    int roll = random_.Below(100);
    if (roll < profile_.group_percent && depth < profile_.max_depth && groups_.size() < 19) {
        size_t index = groups_.size();
        groups_.push_back({});
        Piece inner = Alternation(depth + 1);
        groups_[index] = {true, inner.nullable};
        return {"(" + inner.ours + ")", "(" + inner.pcre2 + ")", inner.nullable, false};
    }
    roll -= profile_.group_percent;
    if (roll < profile_.backref_percent) {
        std::vector<int> closed;
        for (size_t i = 0; i < groups_.size() && i < 9; ++i) {
            if (groups_[i].closed) closed.push_back(static_cast<int>(i) + 1);
        }
        if (!closed.empty()) {
            int n = closed[random_.Below(closed.size())];
            // \g{n} keeps a following digit from joining the number on the PCRE2 side.
            return {"\\" + std::to_string(n), "\\g{" + std::to_string(n) + "}",
                    groups_[n - 1].nullable, true};
        }
    }
    roll -= profile_.backref_percent;
    if (roll < profile_.class_percent) return Class();
    roll -= profile_.class_percent;
    if (roll < 8) {
        if (modifiers_.dot_all) return {".", "[\\x{00}-\\x{FF}]", false, true};
        // Without s, "." is no simple node: our engine repeats it through loops instead.
        return {".", "[^\\r\\n]", false, false};
    }
    if (roll < 16) {
        static constexpr std::string_view kEscapes = "dDsSwW";
        char e = kEscapes[random_.Below(kEscapes.size())];
        ByteSet set;
        if (e == 'd' || e == 'D') AddAll(set, "0123456789");
        if (e == 's' || e == 'S') AddAll(set, kSpaceChars);
        if (e == 'w' || e == 'W') AddAll(set, kWordChars);
        if (e == 'D' || e == 'S' || e == 'W') set.flip();
        std::string pcre = (e == 'd' || e == 'D') ? std::string("\\") + e : PcreClass(set);
        return {std::string("\\") + e, pcre, false, true};
    }
    return Literal();
}

unsigned char PatternGenerator::LiteralChar() {
    if (!alphabet_.empty() && random_.Percent(85)) {
        return static_cast<unsigned char>(alphabet_[random_.Below(alphabet_.size())]);
    }
    return static_cast<unsigned char>(kCore[random_.Below(kCore.size())]);
}

PatternGenerator::Piece PatternGenerator::Literal() {
    unsigned char c = LiteralChar();
    std::string ours;
    int style = random_.Below(100);
    if (kOurMetas.find(static_cast<char>(c)) != std::string_view::npos) {
        ours = std::string("\\") + static_cast<char>(c);
    } else if (style < 8) {
        ours = "\\x" + Hex2(c);
    } else if (style < 12) {
        ours = "\\x{" + std::string(random_.Percent(50) ? "00" : "") + Hex2(c) + "}";
    } else if (c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1b || c == 0x07) {
        static constexpr std::array<std::pair<char, char>, 6> kNamed = {
            {{'\t', 't'}, {'\n', 'n'}, {'\r', 'r'}, {'\f', 'f'}, {0x1b, 'e'}, {0x07, 'a'}}};
        for (auto [byte, name] : kNamed) {
            if (byte == static_cast<char>(c)) ours = std::string("\\") + name;
        }
        if (style < 40) ours = std::string(1, static_cast<char>(c));  // a raw control byte
    } else if (c == '0' && style < 20) {
        ours = "\\0";
    } else if (!IsAlnum(c) && style < 30) {
        ours = std::string("\\") + static_cast<char>(c);
    } else {
        ours = std::string(1, static_cast<char>(c));
    }
    return {ours, PcreByte(c), false, true};
}

// One or two runs of a fixed count of a class, digit or any character, then a literal: the shape
// of the readers' event patterns, whose start the engine looks for through the literal.
PatternGenerator::Piece PatternGenerator::FixedPrefix() {
    Piece out{"", "", false, false};
    int runs = 1 + random_.Below(2);
    for (int i = 0; i < runs; ++i) {
        Piece run;
        int kind = random_.Below(3);
        if (kind == 0) {
            run = Class();
        } else if (kind == 1) {
            run = {"\\d", "\\d", false, true};
        } else {
            run = modifiers_.dot_all ? Piece{".", "[\\x{00}-\\x{FF}]", false, true} : Class();
        }
        std::string count = "{" + std::to_string(1 + random_.Below(6)) + "}";
        out.ours += run.ours + count;
        out.pcre2 += run.pcre2 + count;
    }
    int letters = 1 + random_.Below(3);
    for (int i = 0; i < letters; ++i) {
        Piece literal = Literal();
        out.ours += literal.ours;
        out.pcre2 += literal.pcre2;
    }
    return out;
}

PatternGenerator::Piece PatternGenerator::Anchor() {
    switch (random_.Below(6)) {
        case 0:
            if (modifiers_.multi_line)
                return {"^", "(?:\\A|(?<=\\n)|(?<=\\r)(?!\\n))", true, false};
            return {"^", "\\A", true, false};
        case 1:
            if (modifiers_.multi_line) return {"$", "(?:\\z|(?=\\r)|(?<!\\r)(?=\\n))", true, false};
            return {"$", "\\z", true, false};
        case 2:
            return {"\\A", "\\A", true, false};
        case 3:
            return {"\\Z", "\\z", true, false};
        case 4:
            return {"\\b", "\\b", true, false};
        default:
            return {"\\B", "\\B", true, false};
    }
}

PatternGenerator::Piece PatternGenerator::Class() {
    bool negated = random_.Percent(30);
    std::string ours = negated ? "[^" : "[";
    ByteSet set;
    int items = 1 + random_.Below(4);
    // Renders one class member in our syntax; the characters with a meaning inside a class are
    // escaped, except where their position makes them plain members.
    auto member = [&](unsigned char c, bool first, bool last) {
        if (c == ']' && first) return std::string("]");
        if (c == '-' && (first || last)) return std::string("-");
        if (c == ']' || c == '\\' || c == '^' || c == '-') return std::string("\\") + char(c);
        if (c == '\t') return std::string("\\t");
        if (c == '\n') return std::string(random_.Percent(50) ? "\\n" : "\n");
        if (c == '\r') return std::string(random_.Percent(50) ? "\\r" : "\r");
        if (c == '\f') return std::string("\\f");
        if (c < 32 || c == 127) return "\\x" + Hex2(c);
        return std::string(1, static_cast<char>(c));
    };
    for (int i = 0; i < items; ++i) {
        bool first = i == 0;
        bool last = i == items - 1;
        int kind = random_.Below(100);
        if (kind < 12) {
            static constexpr std::string_view kEscapes[] = {"\\d", "\\w", "\\s"};
            int e = random_.Below(3);
            ours += kEscapes[e];
            AddAll(set, e == 0   ? std::string_view("0123456789")
                        : e == 1 ? kWordChars
                                 : kSpaceChars);
        } else if (kind < 17) {
            // Inside a class these escapes are plain letters.
            static constexpr std::string_view kLetters = "DSWb";
            char letter = kLetters[random_.Below(kLetters.size())];
            ours += std::string("\\") + letter;
            set.set(static_cast<unsigned char>(letter));
        } else if (kind < 27 && cyrillic_) {
            struct CyrillicRange {
                unsigned char from, to;
            };
            static constexpr CyrillicRange kRanges[] = {
                {0xE0, 0xFF}, {0xC0, 0xDF}, {0xE0, 0xDF}, {0xE1, 0xFE}, {0xC0, 0xE0}};
            CyrillicRange range = kRanges[random_.Below(5)];
            if (range.from > range.to && !modifiers_.cyrillic_ranges) range = kRanges[0];
            ours += std::string(1, char(range.from)) + "-" + std::string(1, char(range.to));
            if (range.from <= range.to) {
                for (int c = range.from; c <= range.to; ++c) set.set(c);
            } else {
                for (int c = 0xC0; c <= 0xFF; ++c) set.set(c);
            }
            if (modifiers_.cyrillic_ranges) {
                // With r, the whole alphabets а-я and А-Я take in ё and Ё.
                bool lower = range.from == 0xE0 && (range.to == 0xFF || range.to == 0xDF);
                bool upper = (range.from == 0xC0 && range.to == 0xDF) ||
                             (range.from == 0xE0 && range.to == 0xDF);
                if (lower) set.set(0xB8);
                if (upper) set.set(0xA8);
            }
        } else if (kind < 55) {
            unsigned char a = LiteralChar();
            unsigned char b = LiteralChar();
            if (a > b) std::swap(a, b);
            // A "-" or "]" as the low end would read as something else; keep such ends simple.
            if (a == '-' || a == ']' || a == '^') a = 'A';
            if (a > b) std::swap(a, b);
            std::string low = member(a, false, false);
            std::string high = random_.Percent(15) ? "\\x" + Hex2(b) : member(b, false, false);
            ours += low + "-" + high;
            for (int c = a; c <= b; ++c) set.set(c);
        } else {
            unsigned char c = LiteralChar();
            ours += member(c, first, last);
            set.set(c);
        }
    }
    ours += "]";
    if (modifiers_.caseless) {
        ByteSet folded = set;
        for (int c = 0; c < 256; ++c) {
            if (set[c] && IsAsciiLetter(static_cast<unsigned char>(c))) folded.set(c ^ 0x20);
        }
        set = folded;
    }
    if (negated) set.flip();
    return {ours, PcreClass(set), false, true};
}

}  // namespace lintaro::regex
