// Letter case in Windows-1251: one list of the code page's case pairs (Latin, the Russian alphabet,
// Ё and the other Cyrillic letters) behind three byte tables. The pattern matcher compares through
// them, the readers lower-case names with them, and the grid's filters may.
#pragma once

#include <array>

namespace lintaro::base {

// The other-case form of every letter; every other byte maps to itself.
extern const std::array<unsigned char, 256> kCp1251ToggleCase;
// The small letter of every capital; every other byte, small letters included, maps to itself.
extern const std::array<unsigned char, 256> kCp1251LowerCase;
// The capital of every small letter; every other byte, capitals included, maps to itself.
extern const std::array<unsigned char, 256> kCp1251UpperCase;

inline unsigned char Cp1251ToggleCase(unsigned char ch) { return kCp1251ToggleCase[ch]; }
inline unsigned char Cp1251LowerCase(unsigned char ch) { return kCp1251LowerCase[ch]; }
inline unsigned char Cp1251UpperCase(unsigned char ch) { return kCp1251UpperCase[ch]; }

}  // namespace lintaro::base
