// The pattern compiler: parses the pattern text twice, first counting the program's size, then
// writing the program into a buffer of exactly that size; the search-data analysis
// (search_data.cpp) then derives what lets a search skip start positions. The parser recurses
// only into groups, whose nesting is bounded by the 19 group numbers.
#include <cstring>
#include <memory>
#include <string>

#include "regex/decode.h"
#include "regex/pattern_state.h"
#include "regex/search_data.h"

namespace lintaro::regex {
namespace {

bool IsMeta(unsigned char c) { return c != 0 && std::strchr("^$.[()|?+*\\{", c) != nullptr; }
bool IsQuantifier(unsigned char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The bit of a modifier letter in either case ("(?I)" is "(?i)"), 0 for any other character.
int ModifierBitOf(unsigned char c) {
    const unsigned char lower = c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    const char* at = lower == 0 ? nullptr : std::strchr(kModifierLetters, lower);
    return at == nullptr ? 0 : 1 << (at - kModifierLetters);
}

// The members of one character class while it is parsed.
class ClassBuilder {
  public:
    explicit ClassBuilder(bool either_case) : either_case_(either_case) {}
    // Code 0 never occurs in a subject (it ends the subject), so a member 0 could never match:
    // it is left out instead of ending the class.
    void Add(unsigned char ch) {
        if (ch == 0) return;
        set_.Add(ch);
        if (either_case_) set_.Add(base::Cp1251ToggleCase(ch));
    }
    void AddText(const std::string& text) {
        for (unsigned char ch : text) Add(ch);
    }
    const CharSet& Set() const { return set_; }

  private:
    bool either_case_;
    CharSet set_;
};

class Compiler {
  public:
    Compiler(const std::string& expression, const CompileSettings& settings, Program& program)
        : settings_(settings),
          program_(program),
          pattern_(reinterpret_cast<const unsigned char*>(expression.data())),
          length_(expression.size()) {}

    // Writes the program's bytes; returns the parse flags of the whole pattern.
    int Run() {
        RunPass(/*counting=*/true);
        size_t size = emit_;
        program_.bytes.assign(size, 0);
        return RunPass(/*counting=*/false);
    }

  private:
    int RunPass(bool counting) {
        counting_ = counting;
        cursor_ = 0;
        emit_ = 0;
        next_group_ = 1;
        parse_modifiers_ = settings_.modifiers;
        AppendByte(kProgramSignature);
        int flags = 0;
        ParseReg(false, &flags);
        return flags;
    }

    [[noreturn]] void Fail(int code) { RaiseError(code, static_cast<int>(cursor_)); }
    bool AtEnd() const { return cursor_ >= length_; }
    unsigned char Peek(size_t ahead = 0) const {
        return cursor_ + ahead < length_ ? pattern_[cursor_ + ahead] : 0;
    }
    unsigned char* Bytes() { return program_.bytes.data(); }

    // --- Emission primitives; in the counting pass they only advance the emit cursor. ---

    size_t AppendNode(unsigned char code) {
        size_t node = emit_;
        if (!counting_) {
            Bytes()[node] = code;
            WriteNextLink(Bytes(), node, 0);
        }
        emit_ += kNodeHeaderSize;
        return node;
    }
    void AppendByte(unsigned char b) {
        if (!counting_) Bytes()[emit_] = b;
        ++emit_;
    }
    // Moves everything from `operand` to the emit cursor up by `size` bytes and puts a node with
    // `code` (and zeros) in the gap.
    void InsertNodeBefore(unsigned char code, size_t operand, size_t size) {
        if (!counting_) {
            unsigned char* p = Bytes();
            std::memmove(p + operand + size, p + operand, emit_ - operand);
            p[operand] = code;
            std::memset(p + operand + 1, 0, size - 1);
        }
        emit_ += size;
    }
    void LinkTail(size_t node, size_t target) {
        if (counting_) return;
        unsigned char* p = Bytes();
        size_t last = node;
        for (size_t next = NextNode(p, last); next != 0; next = NextNode(p, last)) last = next;
        WriteNextLink(p, last, target);
    }
    void LinkOperandTail(size_t node, size_t target) {
        if (counting_) return;
        if (Bytes()[node] == kBranch) LinkTail(OperandOf(node), target);
    }

    // --- The parser. ---

    size_t ParseReg(bool parenthesised, int* flags_out) {
        int saved_modifiers = parse_modifiers_;
        int flags = kHasWidth;
        size_t head = 0;
        bool has_head = false;
        int group = 0;
        if (parenthesised) {
            if (next_group_ > kMaxGroups) Fail(kPatternTooManyGroups);
            group = next_group_++;
            head = AppendNode(static_cast<unsigned char>(kOpenBase + group));
            has_head = true;
        }
        int alt_flags = 0;
        size_t branch = ParseAlternative(&alt_flags);
        if (has_head) {
            LinkTail(head, branch);
        } else {
            head = branch;
        }
        if (!(alt_flags & kHasWidth)) flags &= ~kHasWidth;
        flags |= alt_flags & kStarStart;
        // The chain from the head ends at the newest Branch; linking from there instead of from
        // the head keeps a pattern of many alternatives linear to compile.
        size_t last_branch = branch;
        while (Peek() == '|') {
            ++cursor_;
            branch = ParseAlternative(&alt_flags);
            LinkTail(last_branch, branch);
            last_branch = branch;
            if (!(alt_flags & kHasWidth)) flags &= ~kHasWidth;
            flags |= alt_flags & kStarStart;
        }
        size_t ender = AppendNode(parenthesised ? static_cast<unsigned char>(kCloseBase + group)
                                                : static_cast<unsigned char>(kEnd));
        LinkTail(last_branch, ender);
        if (!counting_) {
            for (size_t node = head; node != 0; node = NextNode(Bytes(), node)) {
                LinkOperandTail(node, ender);
            }
        }
        if (parenthesised) {
            if (Peek() != ')') Fail(kPatternGroupNotClosed);
            ++cursor_;
        } else if (!AtEnd()) {
            Fail(kPatternCloseWithoutOpen);  // only a ")" can stop the alternatives before the end
        }
        parse_modifiers_ = saved_modifiers;
        *flags_out = flags;
        return head;
    }

    size_t ParseAlternative(int* flags_out) {
        int flags = 0;
        size_t branch = AppendNode(kBranch);
        size_t chain = 0;
        bool has_chain = false;
        while (!AtEnd() && Peek() != '|' && Peek() != ')') {
            int piece_flags = 0;
            size_t latest = ParseQuantified(&piece_flags);
            flags |= piece_flags & kHasWidth;
            if (!has_chain) {
                flags |= piece_flags & kStarStart;
            } else {
                LinkTail(chain, latest);
            }
            chain = latest;
            has_chain = true;
        }
        if (!has_chain) AppendNode(kNothing);
        *flags_out = flags;
        return branch;
    }

    // Reads up to 8 decimal digits pattern_[from, to).
    int32_t ParseBracesNumber(size_t from, size_t to) {
        if (to - from > 8) Fail(kPatternBracesTooBig);
        int32_t value = 0;
        for (size_t i = from; i < to; ++i) value = value * 10 + (pattern_[i] - '0');
        return value;
    }

    size_t ParseQuantified(int* flags_out) {
        int atom_flags = 0;
        size_t atom = ParseAtom(&atom_flags);
        unsigned char op = Peek();
        if (!IsQuantifier(op)) {
            *flags_out = atom_flags;
            return atom;
        }
        if (!(atom_flags & kHasWidth) && op != '?') Fail(kPatternRepeatOfEmpty);

        int32_t minimum = 0;
        int32_t maximum = 0;
        if (op == '{') {
            if (!ParseBraces(&minimum, &maximum)) {
                *flags_out = atom_flags;  // not a count: the "{" starts the next atom
                return atom;
            }
        } else {
            ++cursor_;
        }
        bool lazy = !(parse_modifiers_ & kModG);
        if (Peek() == '?') {
            lazy = true;
            ++cursor_;
        }
        int flags = EmitQuantifier(op, atom, atom_flags & kSimple, lazy, minimum, maximum);
        if (IsQuantifier(Peek())) Fail(kPatternNestedRepeat);
        *flags_out = flags;
        return atom;
    }

    // Reads "{n}", "{n,}" or "{n,m}" at the cursor and moves past it; false, with the cursor
    // still at the "{", when the text there is not a count.
    bool ParseBraces(int32_t* minimum, int32_t* maximum) {
        size_t brace = cursor_;
        size_t p = cursor_ + 1;
        size_t digits = p;
        while (p < length_ && IsDigit(pattern_[p])) ++p;
        unsigned char after = p < length_ ? pattern_[p] : 0;
        if (p == digits || (after != '}' && after != ',')) return false;
        cursor_ = p;
        *minimum = ParseBracesNumber(digits, p);
        if (after == ',') {
            ++p;
            size_t digits2 = p;
            while (p < length_ && IsDigit(pattern_[p])) ++p;
            if (p >= length_ || pattern_[p] != '}') {
                cursor_ = brace;
                return false;
            }
            cursor_ = p;
            *maximum = p == digits2 ? kInfiniteCount : ParseBracesNumber(digits2, p);
        } else {
            *maximum = *minimum;
        }
        if (*minimum > *maximum) Fail(kPatternBracesMinAboveMax);
        cursor_ = p + 1;
        return true;
    }

    // Puts the quantifier `op` around the atom just emitted at `atom` and returns the parse flags
    // of the whole piece.
    int EmitQuantifier(unsigned char op, size_t atom, bool simple, bool lazy, int32_t minimum,
                       int32_t maximum) {
        int flags = 0;
        switch (op) {
            case '*':
                flags = kStarStart;
                if (simple) {
                    InsertNodeBefore(lazy ? kStarLazy : kStar, atom, kNodeHeaderSize);
                } else if (lazy) {
                    EmitLoop(atom, 0, kInfiniteCount, true);
                } else {
                    // x* as (x then back to the choice | nothing)
                    InsertNodeBefore(kBranch, atom, kNodeHeaderSize);
                    LinkOperandTail(atom, AppendNode(kBack));
                    LinkOperandTail(atom, atom);
                    LinkTail(atom, AppendNode(kBranch));
                    LinkTail(atom, AppendNode(kNothing));
                }
                break;
            case '+':
                flags = kHasWidth | kStarStart;
                if (simple) {
                    InsertNodeBefore(lazy ? kPlusLazy : kPlus, atom, kNodeHeaderSize);
                } else if (lazy) {
                    EmitLoop(atom, 1, kInfiniteCount, true);
                } else {
                    // x+ as x (back to x | nothing)
                    size_t next = AppendNode(kBranch);
                    LinkTail(atom, next);
                    LinkTail(AppendNode(kBack), atom);
                    LinkTail(next, AppendNode(kBranch));
                    LinkTail(atom, AppendNode(kNothing));
                }
                break;
            case '?':
                flags = 0;
                if (!lazy) {
                    // x? as (x | nothing)
                    InsertNodeBefore(kBranch, atom, kNodeHeaderSize);
                    LinkTail(atom, AppendNode(kBranch));
                    size_t nothing = AppendNode(kNothing);
                    LinkTail(atom, nothing);
                    LinkOperandTail(atom, nothing);
                } else if (simple) {
                    EmitSimpleCount(atom, 0, 1, true);
                } else {
                    EmitLoop(atom, 0, 1, true);
                }
                break;
            case '{':
                flags = maximum > 0 ? (kHasWidth | kStarStart) : 0;
                if (simple) {
                    EmitSimpleCount(atom, minimum, maximum, lazy);
                } else {
                    EmitLoop(atom, minimum, maximum, lazy);
                }
                break;
        }
        return flags;
    }

    void EmitSimpleCount(size_t atom, int32_t minimum, int32_t maximum, bool lazy) {
        InsertNodeBefore(lazy ? kBracesLazy : kBraces, atom, kBracesHeaderSize);
        if (!counting_) WriteBracesBounds(Bytes(), atom, minimum, maximum);
    }

    void EmitLoop(size_t atom, int32_t minimum, int32_t maximum, bool lazy) {
        InsertNodeBefore(kLoopEntry, atom, kNodeHeaderSize);
        size_t loop = AppendNode(lazy ? kLoopLazy : kLoop);
        emit_ += kLoopNodeSize - kNodeHeaderSize;
        if (!counting_) WriteCountedLoop(Bytes(), loop, minimum, maximum, OperandOf(atom));
        LinkTail(atom, loop);
        LinkTail(OperandOf(atom), loop);
    }

    size_t EmitClass(const CharSet& members, bool negated) {
        int count = members.Count();
        if (count <= 3) {
            size_t node = AppendNode(negated ? kAnyButTiny : kAnyOfTiny);
            unsigned char highest = 0;
            int written = 0;
            for (int ch = 0; ch < 256; ++ch) {
                if (members.Has(static_cast<unsigned char>(ch))) {
                    AppendByte(static_cast<unsigned char>(ch));
                    highest = static_cast<unsigned char>(ch);
                    ++written;
                }
            }
            for (; written < 3; ++written) AppendByte(highest);
            return node;
        }
        size_t node = AppendNode(kAnyOfSet);
        for (int byte = 0; byte < 32; ++byte) {
            unsigned char bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                bool in = members.Has(static_cast<unsigned char>(byte * 8 + bit)) != negated;
                if (in) bits |= static_cast<unsigned char>(1 << bit);
            }
            AppendByte(bits);
        }
        return node;
    }

    // Reads the character an escape stands for; the cursor is on the character after "\" and
    // ends after the escape.
    unsigned char UnescapeChar() {
        unsigned char c = pattern_[cursor_++];
        switch (c) {
            case 't':
                return 9;
            case 'n':
                return 10;
            case 'r':
                return 13;
            case 'f':
                return 12;
            case 'a':
                return 7;
            case 'e':
                return 27;
            case 'x': {
                if (AtEnd()) Fail(kPatternNoHexCode);
                if (Peek() == '{') {
                    ++cursor_;
                    int value = 0;
                    for (;;) {
                        if (AtEnd()) Fail(kPatternNoHexCode);
                        unsigned char d = pattern_[cursor_];
                        if (d == '}') break;
                        ++cursor_;
                        int digit = HexDigitValue(d);
                        if (value >= 16) Fail(kPatternHexCodeTooBig);
                        value = value * 16 + digit;
                    }
                    ++cursor_;  // the "}"
                    return static_cast<unsigned char>(value);
                }
                int high = HexDigitValue(pattern_[cursor_++]);
                if (AtEnd()) Fail(kPatternNoHexCode);
                int low = HexDigitValue(pattern_[cursor_++]);
                return static_cast<unsigned char>(high * 16 + low);
            }
            default:
                return c;
        }
    }

    int HexDigitValue(unsigned char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        Fail(kPatternBadHexDigit);
    }

    void AddClassRange(ClassBuilder& members, unsigned char low, unsigned char high) {
        if (parse_modifiers_ & kModR) {
            bool lower = low == 224 && (high == 255 || high == 223);
            bool upper = (low == 192 && high == 223) || (low == 224 && high == 223);
            if (lower || upper) {
                // Cyrillic alphabets with ё and Ё, which lie outside the contiguous codes.
                if (lower) {
                    for (int ch = 224; ch <= 255; ++ch) members.Add(static_cast<unsigned char>(ch));
                    members.Add(184);
                }
                if (upper) {
                    for (int ch = 192; ch <= 223; ++ch) members.Add(static_cast<unsigned char>(ch));
                    members.Add(168);
                }
                return;
            }
        }
        if (low > high) Fail(kPatternInvalidRange);
        for (int ch = low; ch <= high; ++ch) members.Add(static_cast<unsigned char>(ch));
    }

    // Parses a class; the cursor is after the "[".
    size_t ParseClass() {
        bool negated = false;
        if (Peek() == '^') {
            negated = true;
            ++cursor_;
        }
        ClassBuilder members(parse_modifiers_ & kModI);
        bool can_range = false;
        unsigned char previous = 0;
        if (Peek() == ']') {
            members.Add(']');
            previous = ']';
            can_range = true;
            ++cursor_;
        }
        while (!AtEnd() && Peek() != ']') {
            unsigned char c = Peek();
            if (c == '-' && can_range && cursor_ + 1 < length_ && Peek(1) != ']') {
                if (Peek(1) == '\\' && cursor_ + 2 < length_ &&
                    std::strchr("dDsSwW", Peek(2)) != nullptr) {
                    members.Add('-');  // no range to a class escape; the escape comes next
                    ++cursor_;
                    can_range = false;
                    continue;
                }
                ++cursor_;
                unsigned char high;
                if (Peek() == '\\') {
                    ++cursor_;
                    if (AtEnd()) Fail(kPatternClassTrailingEscape);
                    high = UnescapeChar();
                } else {
                    high = pattern_[cursor_++];
                }
                AddClassRange(members, previous, high);
                can_range = false;
                continue;
            }
            if (c == '\\') {
                ++cursor_;
                if (AtEnd()) Fail(kPatternClassTrailingEscape);
                unsigned char e = Peek();
                if (e == 'd' || e == 'w' || e == 's') {
                    members.AddText(e == 'd'   ? std::string("0123456789")
                                    : e == 'w' ? settings_.word_characters
                                               : settings_.space_characters);
                    ++cursor_;
                    can_range = false;
                    continue;
                }
                previous = UnescapeChar();
                members.Add(previous);
                can_range = true;
                continue;
            }
            members.Add(c);
            previous = c;
            can_range = true;
            ++cursor_;
        }
        if (AtEnd()) Fail(kPatternClassNotClosed);
        ++cursor_;
        return EmitClass(members.Set(), negated);
    }

    size_t ParseAtom(int* flags_out) {
        *flags_out = 0;
        bool either_case = parse_modifiers_ & kModI;
        if (parse_modifiers_ & kModX) {
            unsigned char c = Peek();
            if (IsBlank(c)) {
                while (!AtEnd() && IsBlank(Peek())) ++cursor_;
                return AppendNode(kComment);
            }
            if (c == '#') {
                while (!AtEnd() && Peek() != '\r' && Peek() != '\n') ++cursor_;
                while (!AtEnd() && (Peek() == '\r' || Peek() == '\n')) ++cursor_;
                return AppendNode(kComment);
            }
        }
        unsigned char c = pattern_[cursor_++];
        bool line_mode = (parse_modifiers_ & kModM) &&
                         (!settings_.line_separator_characters.empty() || settings_.pair_assigned);
        switch (c) {
            case '^':
                return AppendNode(line_mode ? kLineStart : kInputStart);
            case '$':
                return AppendNode(line_mode ? kLineEnd : kInputEnd);
            case '.':
                if (parse_modifiers_ & kModS) {
                    *flags_out = kHasWidth | kSimple;
                    return AppendNode(kAnyChar);
                }
                *flags_out = kHasWidth;
                return AppendNode(kAnyNotLineSep);
            case '[':
                *flags_out = kHasWidth | kSimple;
                return ParseClass();
            case '(':
                return ParseParenthesis(flags_out);
            case '*':
            case '+':
            case '?':
                Fail(kPatternRepeatOfNothing);
            case '\\':
                return ParseEscape(either_case, flags_out);
            default:
                --cursor_;
                return ParseLiteralRun(flags_out);
        }
    }

    // After "(": a comment "(?#...)", a modifier setting "(?letters)" or "(?letters-letters)", or a
    // group.
    size_t ParseParenthesis(int* flags_out) {
        if (Peek() == '?') {
            if (Peek(1) == '#') {
                cursor_ += 2;
                while (!AtEnd() && Peek() != ')') ++cursor_;
                if (AtEnd()) Fail(kPatternCommentNotClosed);
                ++cursor_;
                return AppendNode(kComment);
            }
            ++cursor_;
            int modifiers = parse_modifiers_;
            bool on = true;
            for (;;) {
                if (AtEnd()) Fail(kPatternUnknownModifier);
                unsigned char m = pattern_[cursor_++];
                if (m == ')') break;
                if (m == '-') {
                    on = false;
                    continue;
                }
                int bit = ModifierBitOf(m);
                if (bit == 0) Fail(kPatternUnknownModifier);
                modifiers = on ? (modifiers | bit) : (modifiers & ~bit);
            }
            parse_modifiers_ = modifiers;
            return AppendNode(kComment);
        }
        int group_flags = 0;
        size_t node = ParseReg(true, &group_flags);
        *flags_out = group_flags & (kHasWidth | kStarStart);
        return node;
    }

    // After a backslash: an anchor or boundary, a class escape, a back reference or an escaped
    // character.
    size_t ParseEscape(bool either_case, int* flags_out) {
        if (AtEnd()) Fail(kPatternTrailingEscape);
        unsigned char e = Peek();
        switch (e) {
            case 'b':
                ++cursor_;
                return AppendNode(kWordBound);
            case 'B':
                ++cursor_;
                return AppendNode(kNotWordBound);
            case 'A':
                ++cursor_;
                return AppendNode(kInputStart);
            case 'Z':
                ++cursor_;
                return AppendNode(kInputEnd);
            default:
                break;
        }
        *flags_out = kHasWidth | kSimple;
        switch (e) {
            case 'd':
                ++cursor_;
                return AppendNode(kDigit);
            case 'D':
                ++cursor_;
                return AppendNode(kNotDigit);
            case 's':
            case 'S':
            case 'w':
            case 'W': {
                ++cursor_;
                ClassBuilder members(false);
                bool space = e == 's' || e == 'S';
                members.AddText(space ? settings_.space_characters : settings_.word_characters);
                return EmitClass(members.Set(), e == 'S' || e == 'W');
            }
            default:
                break;
        }
        if (e >= '1' && e <= '9') {
            ++cursor_;
            size_t node = AppendNode(either_case ? kBackRefCI : kBackRef);
            AppendByte(static_cast<unsigned char>(e - '0'));
            return node;
        }
        unsigned char ch = UnescapeChar();
        size_t node = AppendNode(either_case ? kLiteralCI : kLiteral);
        AppendByte(ch);
        AppendByte(0);
        return node;
    }

    // The longest run of ordinary characters (a leading "{" included); its last character is
    // left for the next atom when a quantifier follows, so that the quantifier applies to it
    // alone.
    size_t ParseLiteralRun(int* flags_out) {
        bool extended = parse_modifiers_ & kModX;
        std::string text;
        size_t last_source = cursor_;
        bool first = true;
        while (!AtEnd()) {
            unsigned char c = Peek();
            if (IsMeta(c) && !(first && c == '{')) break;
            if (extended && IsBlank(c)) {
                ++cursor_;
                continue;
            }
            if (extended && c == '#') break;
            last_source = cursor_;
            text.push_back(static_cast<char>(c));
            ++cursor_;
            first = false;
        }
        if (text.size() > 1 && IsQuantifier(Peek())) {
            text.pop_back();
            cursor_ = last_source;
        }
        *flags_out = kHasWidth | (text.size() == 1 ? kSimple : 0);
        size_t node = AppendNode((parse_modifiers_ & kModI) ? kLiteralCI : kLiteral);
        for (unsigned char ch : text) AppendByte(ch);
        AppendByte(0);
        return node;
    }

    const CompileSettings& settings_;
    Program& program_;
    const unsigned char* pattern_;
    size_t length_;
    size_t cursor_ = 0;
    bool counting_ = true;
    size_t emit_ = 0;
    int next_group_ = 1;
    int parse_modifiers_ = 0;
};

}  // namespace

std::shared_ptr<const Program> CompileExpression(const std::string& expression,
                                                 const CompileSettings& settings) {
    auto program = std::make_shared<Program>();
    program->modifiers = settings.modifiers;
    int flags = Compiler(expression, settings, *program).Run();
    for (unsigned char ch : settings.word_characters) program->word_table[ch] = true;
    for (unsigned char ch : settings.line_separator_characters) program->separator_table[ch] = true;
    program->pair_assigned = settings.pair_assigned;
    program->pair_first = settings.pair_first;
    program->pair_second = settings.pair_second;
    DeriveSearchData(*program, flags, settings);
    DecodeProgram(*program);
    return program;
}

}  // namespace lintaro::regex
