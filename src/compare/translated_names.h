// Names that translate rather than transliterate ("Бавария" is "Bayern", "Црвена Звезда" is
// "Red Star"), the club-form words names carry or drop at will ("ФК", "FC"), and city words that
// one bookmaker adds and the other leaves out ("Bayern Munich"). Kept as data in
// translated_names.cpp; the name comparison reads them through these lists.
#pragma once

#include <span>

namespace lintaro::compare {

struct TranslatedName {
    const char* russian;  // UTF-8, lower case, words as NameWords gives them (blank separated)
    const char* english;  // lower case Latin words
};

std::span<const TranslatedName> TranslatedNames();
// Lower-case UTF-8 words.
std::span<const char* const> ClubFormWords();
std::span<const char* const> CityWords();

}  // namespace lintaro::compare
