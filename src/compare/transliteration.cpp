// The letter table is written in UTF-8 and converted to Windows-1251 once.
#include "compare/transliteration.h"

#include <array>

#include "base/cp1251_case.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {

using table::Utf8ToCp1251;

namespace {

struct Letter {
    const char* cyrillic;  // one lower-case letter, UTF-8
    // Its spellings separated by "|", the standard one first; an empty spelling drops the letter.
    const char* latin;
};

constexpr Letter kLetters[] = {
    {"а", "a"},
    {"б", "b"},
    {"в", "v|w"},
    {"г", "g|h"},
    {"д", "d"},
    {"е", "e|ye"},
    {"ё", "yo|e|jo|io"},
    {"ж", "zh|j|z"},
    {"з", "z|s"},
    {"и", "i|y"},
    {"й", "y|i|j|"},
    {"к", "k|c"},
    {"л", "l"},
    {"м", "m"},
    {"н", "n"},
    {"о", "o"},
    {"п", "p"},
    {"р", "r"},
    {"с", "s|c"},
    {"т", "t"},
    {"у", "u|ou"},
    {"ф", "f|ph"},
    {"х", "kh|h|ch"},
    {"ц", "ts|c|tz|z"},
    {"ч", "ch|tch|c"},
    {"ш", "sh|sch"},
    {"щ", "shch|sch|sh"},
    {"ъ", ""},
    {"ы", "y|i"},
    {"ь", ""},
    {"э", "e"},
    {"ю", "yu|ju|u|iu"},
    {"я", "ya|ja|ia|a"},
    // The other Cyrillic letters of the code page (Ukrainian, Belarusian, Serbian, Macedonian).
    {"і", "i"},
    {"ї", "yi|i"},
    {"є", "ye|e"},
    {"ґ", "g"},
    {"ў", "u|w"},
    {"ј", "j|y"},
    {"љ", "lj|l"},
    {"њ", "nj|n"},
    {"ћ", "c|ch"},
    {"џ", "dz|dzh|dj"},
    {"ђ", "dj|d"},
    {"ѓ", "g|gj"},
    {"ќ", "k|kj"},
};

// Spellings of every byte: empty for a byte without a table entry (kept as itself).
using Spellings = std::vector<std::string>;
const std::array<Spellings, 256>& ByteSpellings() {
    static const std::array<Spellings, 256> table = [] {
        std::array<Spellings, 256> spellings;
        for (const Letter& letter : kLetters) {
            const std::string byte = Utf8ToCp1251(letter.cyrillic);
            Spellings& out = spellings[static_cast<unsigned char>(byte[0])];
            std::string_view rest = letter.latin;
            while (true) {
                const size_t bar = rest.find('|');
                out.emplace_back(rest.substr(0, bar));
                if (bar == std::string_view::npos) break;
                rest.remove_prefix(bar + 1);
            }
        }
        return spellings;
    }();
    return table;
}

bool IsVowelByte(unsigned char byte) {
    static const std::string vowels = Utf8ToCp1251("аеёиоуыэюяьъ");
    return vowels.find(static_cast<char>(byte)) != std::string::npos;
}

}  // namespace

std::vector<std::string> TransliterationVariants(std::string_view cp1251_word) {
    const auto& table = ByteSpellings();
    static const unsigned char kSmallYe = static_cast<unsigned char>(Utf8ToCp1251("е")[0]);
    std::vector<std::string> variants{std::string()};
    std::vector<std::string> next;
    for (size_t i = 0; i < cp1251_word.size(); ++i) {
        const auto byte = static_cast<unsigned char>(cp1251_word[i]);
        const Spellings& spellings = table[byte];
        if (spellings.empty()) {
            for (std::string& variant : variants) variant += static_cast<char>(byte);
            continue;
        }
        // "е" reads "ye" only where Russian pronounces it so: first in a word or after a vowel.
        size_t choices = spellings.size();
        if (byte == kSmallYe && i > 0 &&
            !IsVowelByte(static_cast<unsigned char>(cp1251_word[i - 1]))) {
            choices = 1;
        }
        if (choices == 1 || variants.size() >= kMaxVariants) {
            for (std::string& variant : variants) variant += spellings[0];
            continue;
        }
        next.clear();
        for (size_t c = 0; c < choices; ++c) {
            for (const std::string& variant : variants) {
                if (next.size() == kMaxVariants) break;
                next.push_back(variant + spellings[c]);
            }
        }
        variants.swap(next);
    }
    return variants;
}

std::string Transliterate(std::string_view cp1251_text) {
    const auto& table = ByteSpellings();
    std::string out;
    for (char ch : cp1251_text) {
        const auto lower = base::Cp1251LowerCase(static_cast<unsigned char>(ch));
        const Spellings& spellings = table[lower];
        if (spellings.empty()) {
            out += ch;
        } else {
            out += spellings[0];
        }
    }
    return out;
}

}  // namespace lintaro::compare
