// The compiled form of a pattern: a flat byte sequence of nodes linked by relative offsets.
// Byte 0 is the signature; every node is its code (1 byte), its next link (signed 32-bit
// little-endian distance from the node's first byte to the node that follows it, 0 for none) and
// its operand. The compiler (compile.cpp) writes it, the matcher (match.cpp) walks it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/cp1251_case.h"
#include "regex/pattern.h"

namespace lintaro::regex {

inline constexpr unsigned char kProgramSignature = 216;

// Node codes. Operands are given after the dash.
enum NodeCode : unsigned char {
    kEnd = 0,             // end of the whole pattern
    kInputStart = 1,      // subject start
    kInputEnd = 2,        // subject end
    kAnyChar = 3,         // any one character
    kClassOf = 4,         // class kinds while a class is parsed; never in a program
    kClassBut = 5,        //
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
    kClassOfCI = 21,      // class kinds while a class is parsed; never in a program
    kClassButCI = 22,     //
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
inline constexpr int kNodeHeaderSize = 5;              // code and next link
inline constexpr int kBracesHeaderSize = 13;           // code, next, min, max
inline constexpr int kLoopNodeSize = 17;               // code, next, min, max, body offset
inline constexpr int32_t kInfiniteCount = 2147483646;  // the maximum of {n,}, x*? and x+?
inline constexpr int32_t kStarPlusMaximum = 2147483647;
inline constexpr int kLoopStackDepth = 10;

inline bool IsOpen(unsigned char code) {
    return code > kOpenBase && code <= kOpenBase + kMaxGroups;
}
inline bool IsClose(unsigned char code) {
    return code > kCloseBase && code <= kCloseBase + kMaxGroups;
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
    void Clear() { bits[0] = bits[1] = bits[2] = bits[3] = 0; }
    int Count() const {
        int n = 0;
        for (uint64_t b : bits) n += __builtin_popcountll(b);
        return n;
    }
};

}  // namespace lintaro::regex
