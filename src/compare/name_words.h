// Name normalisation: a team's or player's name as a list of comparable words. Lower case, "ё" as
// "е", every byte that is neither a letter nor a digit (punctuation, hyphens, blanks) a separator,
// club-form words ("ФК", "FC", "CF", ...) dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lintaro::compare {

// Names longer than this give no words, so they are never matched.
inline constexpr size_t kMaxNameBytes = 200;

struct NameWord {
    std::string text;  // lower-case Windows-1251
    // Written with a full stop ("С.", "St.") or one or two letters long ("М", "Тр"): stands for any
    // word it begins, as an initial stands for a first name.
    bool abbreviation = false;
    bool city = false;  // a city word: when the other name lacks it, that costs little
};

// The words of `cp1251` (Windows-1251). Empty for a name with no letter or digit, for one longer
// than kMaxNameBytes, and for one that is nothing but club-form words.
std::vector<NameWord> NameWords(std::string_view cp1251);

// The words joined by one blank: the key under which aliases and translations are looked up.
std::string NormalisedName(std::string_view cp1251);

// True for the bytes NameWords keeps inside a word: ASCII letters and digits and the Cyrillic
// letters of Windows-1251.
bool IsWordByte(unsigned char byte);

}  // namespace lintaro::compare
