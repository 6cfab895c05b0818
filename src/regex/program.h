// The compiled form of a pattern: a flat byte sequence of nodes linked by relative offsets, the
// data derived from it for searching, and the pre-decoded records the matcher's walk reads.
//
// Byte 0 is the signature; every node is its code (1 byte), its next link (signed 32-bit
// little-endian distance from the node's first byte to the node that follows it, 0 for none) and
// its operand; the typed node readers below are the one place that knows where each operand stands.
// The compiler (compile.cpp) writes the bytes, the search-data analysis (search_data.cpp) derives
// the search data, the decoder (decode.cpp) the records, and from then on a Program never changes:
// any number of searches, on any threads, read one Program at the same time (search.cpp picks where
// to try, match.cpp makes each attempt).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "base/cp1251_case.h"
#include "regex/pattern.h"

namespace lintaro::regex {

inline constexpr unsigned char kProgramSignature = 216;

// Node codes. Operands are given after the dash. Codes 4, 5, 14 to 17, 21, 22, 39, 59 and above 78
// are never produced.
enum NodeCode : unsigned char {
    kEnd = 0,             // end of the whole pattern
    kInputStart = 1,      // subject start
    kInputEnd = 2,        // subject end
    kAnyChar = 3,         // any one character
    kBranch = 6,          // one alternative - its first node follows; next leads to the next one
    kBack = 7,            // link back in a greedy repetition of a non-simple operand
    kLiteral = 8,         // literal text - the characters, then a 0 byte
    kNothing = 9,         // matches the empty string
    kStar = 10,           // greedy x* of a simple operand - the operand node follows
    kPlus = 11,           // greedy x+ of a simple operand - the operand node follows
    kDigit = 12,          // 0-9
    kNotDigit = 13,       // anything but 0-9
    kBraces = 18,         // greedy x{n,m} - min, max (int32 each), then the operand node
    kComment = 19,        // (?#...), (?letters), blanks and comments of mode x
    kLiteralCI = 20,      // literal text matching either case - characters, 0 byte
    kLoopEntry = 23,      // start of a counted loop - the body follows; next leads to its loop node
    kLoop = 24,           // end of a greedy counted loop - min, max, offset back to the body
    kAnyOfTiny = 25,      // one of 3 characters - 3 bytes
    kAnyButTiny = 26,     // none of 3 characters - 3 bytes
    kAnyOfSet = 27,       // a member of a set - 32 bytes, bit ch%8 of byte ch/8
    kBackRef = 28,        // the text of a group - group number (1 byte)
    kBackRefCI = 29,      // the same in either case - group number (1 byte)
    kStarLazy = 30,       // lazy x* of a simple operand - the operand node follows
    kPlusLazy = 31,       // lazy x+ of a simple operand - the operand node follows
    kBracesLazy = 32,     // lazy x{n,m} or x?? - min, max, then the operand node
    kLoopLazy = 33,       // end of a lazy counted loop - as kLoop
    kLineStart = 34,      // start of a line
    kLineEnd = 35,        // end of a line
    kAnyNotLineSep = 36,  // any one character that does not end a line
    kWordBound = 37,      // \b
    kNotWordBound = 38,   // \B
    kOpenBase = 39,       // kOpenBase + N opens group N (1..19)
    kCloseBase = 59,      // kCloseBase + N closes group N (1..19)
};

inline constexpr int kMaxGroups = 19;
inline constexpr int kNodeHeaderSize = 5;     // code and next link
inline constexpr int kBracesHeaderSize = 13;  // code, next, min, max
inline constexpr int kLoopNodeSize = 17;      // code, next, min, max, body offset
inline constexpr int kLoopStackDepth = 10;
// The unbounded maximum: of "{n,}", of the lazy "*?" and "+?" loops over groups and of the simple
// repetitions "*" and "+". A count never reaches it, since no run is that long; a counted loop
// with this maximum is the one whose empty passes end it (see match.cpp).
inline constexpr int32_t kInfiniteCount = 2147483646;

// Matcher slots, the registers a search keeps: capture starts 0..19, capture ends 20..39, loop
// counters 40..50 (index 1..10 used), and the loop index.
inline constexpr int kSlotCaptureStart = 0;
inline constexpr int kSlotCaptureEnd = TPattern::kCaptureSlots;
inline constexpr int kSlotLoopCount = 2 * TPattern::kCaptureSlots;
inline constexpr int kSlotLoopIndex = kSlotLoopCount + kLoopStackDepth + 1;
inline constexpr int kSlotCount = kSlotLoopIndex + 1;

inline bool IsOpen(unsigned char code) {
    return code > kOpenBase && code <= kOpenBase + kMaxGroups;
}
inline bool IsClose(unsigned char code) {
    return code > kCloseBase && code <= kCloseBase + kMaxGroups;
}

// Whether a node of this code always consumes exactly one character and holds no choice. (A
// Literal or LiteralCI of one character does too; whether it has one is in its operand.)
constexpr bool IsSingleCharacterNode(unsigned char code) {
    switch (code) {
        case kAnyChar:
        case kAnyNotLineSep:
        case kDigit:
        case kNotDigit:
        case kAnyOfTiny:
        case kAnyButTiny:
        case kAnyOfSet:
            return true;
        default:
            return false;
    }
}

inline int32_t ReadInt32(const unsigned char* at) {
    uint32_t v =
        uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
    return static_cast<int32_t>(v);
}

inline void WriteInt32(unsigned char* at, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    at[0] = v & 0xFF;
    at[1] = (v >> 8) & 0xFF;
    at[2] = (v >> 16) & 0xFF;
    at[3] = (v >> 24) & 0xFF;
}

// The offset of the node that follows the node at `node`, or 0 when it has none (offset 0 is the
// signature, so it never names a node).
inline size_t NextNode(const unsigned char* program, size_t node) {
    int32_t link = ReadInt32(program + node + 1);
    return link == 0 ? 0 : static_cast<size_t>(static_cast<int64_t>(node) + link);
}

// Links the node at `node` to the node at `target` (0: to none).
inline void WriteNextLink(unsigned char* program, size_t node, size_t target) {
    int64_t link = target == 0 ? 0 : static_cast<int64_t>(target) - static_cast<int64_t>(node);
    WriteInt32(program + node + 1, static_cast<int32_t>(link));
}

// --- Typed node readers: the only place that knows where an operand stands in a node. ---

// The offset of a node's operand. For a Branch it is the first node of its alternative; for a
// Star, Plus, StarLazy, PlusLazy or LoopEntry the node repeated or the loop's body; for a Literal
// or LiteralCI its text; for a class its characters or set.
inline size_t OperandOf(size_t node) { return node + kNodeHeaderSize; }

// A Literal's or LiteralCI's characters, ending in a 0 byte.
inline const unsigned char* LiteralText(const unsigned char* program, size_t node) {
    return program + OperandOf(node);
}

// The group a BackRef or BackRefCI refers to.
inline int BackRefGroup(const unsigned char* program, size_t node) {
    return program[OperandOf(node)];
}

inline bool IsRepetition(unsigned char code) {
    return code == kStar || code == kPlus || code == kBraces || code == kStarLazy ||
           code == kPlusLazy || code == kBracesLazy;
}

// A repetition of a simple operand (Star, Plus, Braces and their lazy forms): its bounds and the
// node it repeats.
struct Repetition {
    int64_t minimum;
    int64_t maximum;  // kInfiniteCount for "*" and "+"
    size_t operand;   // the repeated node
    bool lazy;
};

inline Repetition ReadRepetition(const unsigned char* program, size_t node) {
    const unsigned char* bounds = program + OperandOf(node);
    switch (program[node]) {
        case kStar:
            return {0, kInfiniteCount, OperandOf(node), false};
        case kPlus:
            return {1, kInfiniteCount, OperandOf(node), false};
        case kStarLazy:
            return {0, kInfiniteCount, OperandOf(node), true};
        case kPlusLazy:
            return {1, kInfiniteCount, OperandOf(node), true};
        case kBraces:
            return {ReadInt32(bounds), ReadInt32(bounds + 4), node + kBracesHeaderSize, false};
        default:  // kBracesLazy
            return {ReadInt32(bounds), ReadInt32(bounds + 4), node + kBracesHeaderSize, true};
    }
}

// The node a repetition repeats.
inline size_t RepeatedNode(const unsigned char* program, size_t node) {
    unsigned char code = program[node];
    return code == kBraces || code == kBracesLazy ? node + kBracesHeaderSize : OperandOf(node);
}

// Writes a Braces or BracesLazy node's bounds.
inline void WriteBracesBounds(unsigned char* program, size_t node, int32_t minimum,
                              int32_t maximum) {
    WriteInt32(program + OperandOf(node), minimum);
    WriteInt32(program + OperandOf(node) + 4, maximum);
}

// The end node of a counted loop (Loop or LoopLazy): its bounds and where its body begins.
struct CountedLoop {
    int64_t minimum;
    int64_t maximum;  // kInfiniteCount for "{n,}" and the lazy "*?" and "+?"
    size_t body;      // the body's first node, right after the LoopEntry
};

// Where a counted loop's body begins (stored as a distance back from the loop node).
inline size_t LoopBody(const unsigned char* program, size_t loop) {
    return static_cast<size_t>(static_cast<int64_t>(loop) +
                               ReadInt32(program + OperandOf(loop) + 8));
}

inline CountedLoop ReadCountedLoop(const unsigned char* program, size_t loop) {
    const unsigned char* operand = program + OperandOf(loop);
    return {ReadInt32(operand), ReadInt32(operand + 4), LoopBody(program, loop)};
}

// Writes a Loop or LoopLazy node's bounds and the place of its body.
inline void WriteCountedLoop(unsigned char* program, size_t loop, int32_t minimum, int32_t maximum,
                             size_t body) {
    unsigned char* operand = program + OperandOf(loop);
    WriteInt32(operand, minimum);
    WriteInt32(operand + 4, maximum);
    WriteInt32(operand + 8,
               static_cast<int32_t>(static_cast<int64_t>(body) - static_cast<int64_t>(loop)));
}

// Parse flags of one parsed piece.
enum ParseFlag : int {
    kHasWidth = 1,   // always consumes at least one character
    kSimple = 2,     // one node that consumes exactly one character
    kStarStart = 4,  // starts with a repetition
};

// Modifier bits of a modifier set (PatternModifier n is bit 1 << (n - 1)).
enum ModifierBit : int {
    kModI = 1 << (kModifierI - 1),
    kModR = 1 << (kModifierR - 1),
    kModS = 1 << (kModifierS - 1),
    kModG = 1 << (kModifierG - 1),
    kModM = 1 << (kModifierM - 1),
    kModX = 1 << (kModifierX - 1),
};

// A 256-bit character set.
struct CharSet {
    uint64_t bits[4] = {0, 0, 0, 0};
    void Add(unsigned char ch) { bits[ch >> 6] |= uint64_t(1) << (ch & 63); }
    bool Has(unsigned char ch) const { return (bits[ch >> 6] >> (ch & 63)) & 1; }
    void AddAll() { bits[0] = bits[1] = bits[2] = bits[3] = ~uint64_t(0); }
    void Invert() {
        for (uint64_t& b : bits) b = ~b;
    }
    int Count() const {
        int n = 0;
        for (uint64_t b : bits) n += __builtin_popcountll(b);
        return n;
    }
};

// The settings a program is compiled under; they are part of what it matches.
struct CompileSettings {
    int modifiers = kModR | kModS | kModG;
    std::string space_characters = " \t\n\r\f";
    std::string word_characters = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
    std::string line_separator_characters = "\r\n";
    bool pair_assigned = true;
    unsigned char pair_first = '\r';
    unsigned char pair_second = '\n';
};

// A greedy "x*" or "x+", or a counted loop, whose operand always consumes the same number of
// characters and holds no choice, such as "(ab)*" or "." without line separators: the matcher
// counts its passes in one go and keeps one choice point for all of them, as for a repeated single
// character.
struct FixedLoop {
    int64_t width = 0;                              // characters one pass consumes
    std::vector<std::pair<size_t, int64_t>> steps;  // character tests: node, offset in a pass
    std::vector<std::pair<int, int64_t>> writes;    // capture slots set: slot, offset in a pass
};

// What must stand at a place in the subject for the rest of the pattern to go on from there: the
// fixed-width pieces that come next (literals, single characters, counts like "{7}" of one),
// position by position, as indexes of character tables. Group boundaries and comments consume
// nothing and are passed. A place where one of the positions does not fit fails at once, so a
// search does not try it.
inline constexpr size_t kMaxPrefixRun = 16;  // positions known of a match's start
inline constexpr size_t kMaxFollowRun = 8;   // positions known after a repetition
struct FixedRun {
    std::vector<const bool*> tables;  // one per position, into Program::char_tables; empty: none
    // The first position's single character (in both forms when either case matches), for a
    // bulk scan to it; none when the first position admits more.
    bool first_is_char = false;
    unsigned char first_one = 0;
    unsigned char first_other = 0;
    // For a repetition of a single character: its character never fits the first position, so of
    // all counts only the longest run can be followed by the rest, and the repetition keeps no
    // choice.
    bool exclusive = false;

    // Whether the run stands at `at` in a subject of `length` characters. Every position consumes
    // a character, so the whole run must lie before the subject end.
    [[gnu::always_inline]] bool FitsAt(const unsigned char* subject, int64_t length,
                                       int64_t at) const {
        const size_t n = tables.size();
        if (at + static_cast<int64_t>(n) > length) return false;
        const unsigned char* s = subject + at;
        const bool* const* table = tables.data();
        for (size_t i = 0; i < n; ++i) {
            if (!table[i][s[i]]) return false;
        }
        return true;
    }
};

// The pre-decoded form of the program, which the matcher's forward walk reads: one fixed-size
// record per node the walk can reach, its operands decoded once at compile time, so that the hot
// loop reads no byte layout and follows no chain of side tables. Records are numbered densely and
// link to each other by number; record 0 stands for no node, and a step that returns it fails.
// Nodes whose work is rare in a walk (alternatives, counted loops, back references and the ends of
// loop passes) keep a record that names their family, and the matcher walks them from the bytes.
enum OpKind : uint8_t {
    kOpFail,        // no node (record 0), or a node that never matches (the literal "\x00")
    kOpEnd,         // the end of the pattern: a match
    kOpAssertion,   // an anchor or a word boundary; `code` says which
    kOpSingle,      // one character whose table holds it
    kOpNotLineSep,  // one character that does not end a line
    kOpLiteral,     // text compared exactly
    kOpLiteralCI,   // text in either case: each position against its two forms
    kOpOpen,        // a group's opening: its capture start slot set
    kOpClose,       // a group's closing: its capture end slot set
    kOpRun,         // a greedy or lazy repetition of one character, with its bounds
    // The rest, walked from the node bytes, one kind per node family.
    kOpBranch,     // an alternative, or the head of an "x*" or "x+" over a group
    kOpBack,       // the end of a pass of such a loop
    kOpBackRef,    // a group's text again
    kOpPass,       // a node that does nothing (Nothing, a comment)
    kOpRepeat,     // a repetition of a back reference
    kOpLoopEntry,  // the start of a counted loop
    kOpLoop,       // the end of a pass of a counted loop
    // A one-pass stretch: a chain of literals, single characters and group marks, which has one
    // way on for any text, checked position by position in one loop (Stretch).
    kOpStretch,
};

// How a kOpRun counts its run.
enum RunScan : uint8_t {
    kScanAll,    // "." with every character: the run is as long as the bounds and subject allow
    kScanUntil,  // "[^x]": up to the next x, found by memchr
    kScanTable,  // any other class: character by character through its table
};

enum OpFlag : uint8_t {
    kOpLazy = 1,       // kOpRun: smallest count first
    kOpExclusive = 2,  // kOpRun: greedy, and its character never starts what follows
    kOpOneCount = 4,   // kOpRun: its bounds admit one count
};

struct Op {
    uint8_t kind;   // OpKind
    uint8_t code;   // the node's code
    uint8_t arg;    // kOpOpen, kOpClose: the slot written; kOpRun: its RunScan
    uint8_t flags;  // OpFlag
    uint32_t next;  // the record the walk goes on with once this one matched (0: none)
    uint32_t node;  // the node's offset in `bytes`
    // kOpLiteral, kOpLiteralCI: where its characters begin in literal_forms (for either case,
    // the text as written, then each character's other-case form); kOpRun with kScanUntil: the
    // character that ends the run.
    uint32_t text;
    int32_t minimum;  // kOpRun: its bounds; kOpLiteral, kOpLiteralCI: the text's length
    int32_t maximum;
    const bool* table;       // kOpSingle: its characters; kOpRun with kScanTable: the operand's
    const FixedRun* follow;  // kOpRun: what must follow the run, null when nothing is known
};
static_assert(sizeof(Op) == 40);

// The steps a stretch counts, as its records would one by one: those counted up to the last
// check against the search's limits that the records would have made (a run's scan checks), and
// those counted after it without a check.
struct StretchSteps {
    uint32_t checked = 0;
    uint32_t unchecked = 0;
};

// A chain of records that each consume a fixed number of characters or none and hold no choice
// (literals, single characters without a line test, runs of a class whose bounds admit one count,
// group marks), walked as one: every position is checked through its table, then the group marks
// are written at their offsets. Its head record (kind kOpStretch) names it; the records after the
// head keep their own kinds, for a walk that comes back into the chain. The steps it counts are
// those of its records one by one (the head's own step aside, which the walk counts): all of them
// when it matches, and those up to the position that failed when it does not.
struct Stretch {
    int64_t width = 0;                 // characters it consumes
    StretchSteps matched;              // the steps of a match
    std::vector<const bool*> tables;   // per position, the characters that fit there
    std::vector<StretchSteps> failed;  // per position, the steps when it is the first that fails
    std::vector<std::pair<int64_t, int>> writes;  // group marks: offset from the start, slot
};

// One compiled pattern with everything a search reads. Built once by CompileExpression, then
// read-only.
struct Program {
    std::vector<unsigned char> bytes;  // the nodes, byte 0 the signature
    int modifiers = 0;                 // the modifiers it was compiled under

    // Matching tables taken from the settings.
    bool word_table[256] = {};       // members of \w, for \b and \B
    bool separator_table[256] = {};  // single characters that end a line
    bool pair_assigned = false;      // a two-character line break: first, then second
    unsigned char pair_first = 0;
    unsigned char pair_second = 0;

    // Search data: which start positions can hold a match.
    unsigned char start_char = 0;  // first character of a case-sensitive leading literal; 0 none
    bool anchored = false;         // the pattern begins with a subject-start anchor
    size_t required_offset = 0;    // offset in `bytes` of a literal every match contains
    size_t required_length = 0;    // 0: no required literal
    bool start_table[256] = {};    // the characters a match can begin with (0: the subject end)
    // A character every match has at a fixed distance from its start, when the pattern begins
    // with pieces of fixed width followed by a literal (as "([0-9\s]{6})<b" has "<" at 6): the
    // search looks for that character and tries only the starts that distance before it.
    int64_t probe_offset = -1;  // -1: none
    unsigned char probe_one = 0;
    unsigned char probe_other = 0;  // the other-case form for a case-insensitive literal

    // The fixed-width start of every match (nothing known when the pattern does not begin with
    // pieces of fixed width). A start is tried only where it fits.
    FixedRun prefix;
    // Two positions of that start that each admit one character (or its two case forms), as far
    // apart as the start allows: the search scans for the places where both stand at once, 16 at
    // a time, which few places besides real starts pass. screen_first < screen_second when there
    // are two; else screen_second is 0.
    size_t screen_first = 0;
    size_t screen_second = 0;
    unsigned char screen_first_one = 0, screen_first_other = 0;
    unsigned char screen_second_one = 0, screen_second_other = 0;

    // Per node offset, the node's side data (-1: none).
    // The offset of the node that follows, as NextNode reads it from the bytes (kept for every
    // offset, so that it holds for any node).
    std::vector<uint32_t> next_of;
    // The node the forward walk goes on with once the node at an offset has matched: its next
    // node, with the nodes that do nothing when passed (a Branch without alternatives after it,
    // Nothing, comments) stepped over. pass_to gives the same for arriving at an offset.
    std::vector<uint32_t> forward_of;
    std::vector<uint32_t> pass_to;
    // For each Branch heading an "x*" or "x+" and each counted loop node: its FixedLoop when its
    // operand is of fixed width without choices.
    std::vector<int32_t> fixed_loop_of;
    std::vector<FixedLoop> fixed_loops;
    // For each repetition, each Branch heading an "x*" or "x+" and each counted loop node: what
    // must stand right after it, when anything is known.
    std::vector<int32_t> follow_of;
    std::vector<FixedRun> follows;
    // For each single-character node and each literal: the characters it (or, for a literal, its
    // first character) matches, as a table in char_tables.
    std::vector<const bool*> char_table_at;
    // For each Branch with alternatives after it: the characters those alternatives, and what
    // follows them, can begin with (0 for the subject end).
    std::vector<const bool*> alternatives_start_at;
    // Tables of 256 flags, one per character, shared by the nodes and the fixed runs, which point
    // into them: a Program is never copied.
    std::vector<std::array<bool, 256>> char_tables;

    // The pre-decoded records (see Op), the record of each node offset (0 for an offset that
    // starts no node the walk reaches), the literals' characters, and the record a match's walk
    // begins with.
    std::vector<Op> ops;
    std::vector<uint32_t> op_at;
    std::vector<unsigned char> literal_forms;
    // The one-pass stretches (Op::text of a kOpStretch record), and the tables of single literal
    // characters they check against (a deque: the stretches point into it).
    std::vector<Stretch> stretches;
    std::deque<std::array<bool, 256>> stretch_tables;
    uint32_t first_op = 0;

    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const FixedLoop* FixedLoopAt(size_t node) const {
        int32_t index = fixed_loop_of[node];
        return index < 0 ? nullptr : &fixed_loops[static_cast<size_t>(index)];
    }
    const FixedRun* FollowAt(size_t node) const {
        int32_t index = follow_of[node];
        return index < 0 ? nullptr : &follows[static_cast<size_t>(index)];
    }
    const bool* CharTableAt(size_t node) const { return char_table_at[node]; }
};

}  // namespace lintaro::regex
