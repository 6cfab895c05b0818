// Our own transliteration of Russian (Windows-1251) into Latin letters, with the variants in
// common use: "ю" as "yu", "ju" or "iu", "й" as "y", "i" or "j", "х" as "kh" or "h", soft and hard
// signs dropped, and so on. A name written in English by one bookmaker is compared against every
// variant of the other's Russian.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lintaro::compare {

// Most variants TransliterationVariants gives for one word.
inline constexpr size_t kMaxVariants = 64;

// The Latin spellings of one lower-case word (as NameWords gives it). The first is the standard
// scheme; the rest vary letter by letter, the earlier letters' alternatives first, at most
// kMaxVariants in all. Latin letters and digits stay as they are, so a Latin word gives itself.
std::vector<std::string> TransliterationVariants(std::string_view cp1251_word);

// The standard scheme alone, for a whole text of any case (what is not a Cyrillic letter stays).
std::string Transliterate(std::string_view cp1251_text);

}  // namespace lintaro::compare
