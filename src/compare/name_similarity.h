// How alike two names are, across scripts: each word's Latin spellings (the Russian ones
// transliterated with every common variant, the translated ones replaced by their English), then a
// pairing of the words that ignores their order, initials standing for first names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lintaro::compare {

// A word is taken as the same word at this similarity or more.
inline constexpr double kWordMatch = 0.77;

struct PreparedWord {
    std::vector<std::string> spellings;  // Latin, lower case; the first is the standard one
    // What tells two words too far apart without working out a distance (set with the
    // spellings): letters[k] holds the characters of spellings[k] as bits (a character's code
    // modulo 64); some_letters those of any spelling, every_letters those of all; longest the
    // longest spelling's length.
    std::vector<uint64_t> letters;
    uint64_t some_letters = 0;
    uint64_t every_letters = 0;
    size_t longest = 0;
    bool abbreviation = false;
    bool city = false;
    bool digits = false;
};

struct PreparedName {
    std::string normalised;           // NormalisedName of the original, for the aliases
    std::vector<PreparedWord> words;  // every word transliterated; empty when the name has none
    // The same with the data table's translated names in English; empty when none occurs. A name is
    // compared in both forms, since one bookmaker may translate what the other transliterates.
    std::vector<PreparedWord> translated;
};

// Normalises, translates (the data table's names) and transliterates a Windows-1251 name.
PreparedName PrepareName(std::string_view cp1251);

// Similarity of two words in [0, 1]: digits must be equal; an abbreviation matches a word that
// starts with its first letter and contains its other letters in order ("м" / "moscow",
// "мг" / "magnitogorsk", "s" / "serena"); other words score 1 - edit distance / length over the
// best pair of spellings. A similarity below `floor` may be given as 0 (it is not worked out).
double WordSimilarity(const PreparedWord& a, const PreparedWord& b, double floor = 0.0);

// Similarity of two names in [0, 1]. Words pair one to one whatever their order; the score is the
// paired words' weight over all words' weight (an abbreviation weighs half, a city word the other
// name lacks a quarter). When both names keep words the other lacks, the names disagree (Williams
// S. / Williams V., Манчестер Сити / Manchester United) and the score is halved. A name needs at
// least one paired word that is not an abbreviation; an empty name scores 0. The best of the
// names' forms (transliterated, translated) counts.
double NameSimilarity(const PreparedName& a, const PreparedName& b);

}  // namespace lintaro::compare
