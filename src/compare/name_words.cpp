#include "compare/name_words.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "base/cp1251_case.h"
#include "compare/translated_names.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {
namespace {

constexpr unsigned char kCapitalYo = 0xA8;
constexpr unsigned char kSmallYo = 0xB8;
constexpr unsigned char kSmallYe = 0xE5;

std::unordered_set<std::string> Cp1251Set(std::span<const char* const> words) {
    std::unordered_set<std::string> set;
    for (const char* word : words) set.insert(table::Utf8ToCp1251(word));
    return set;
}

const std::unordered_set<std::string>& ClubForms() {
    static const std::unordered_set<std::string> set = Cp1251Set(ClubFormWords());
    return set;
}

const std::unordered_set<std::string>& Cities() {
    static const std::unordered_set<std::string> set = Cp1251Set(CityWords());
    return set;
}

bool AllDigits(const std::string& word) {
    return std::all_of(word.begin(), word.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

}  // namespace

bool IsWordByte(unsigned char byte) {
    if ((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
        (byte >= 'A' && byte <= 'Z')) {
        return true;
    }
    if (byte >= 0xC0) return true;  // А..я
    switch (byte) {
        case 0x80:
        case 0x81:
        case 0x83:
        case 0x8A:
        case 0x8C:
        case 0x8D:
        case 0x8E:
        case 0x8F:
        case 0x90:
        case 0x9A:
        case 0x9C:
        case 0x9D:
        case 0x9E:
        case 0x9F:  // Ђ Ѓ ѓ Љ Њ Ќ Ћ Џ ...
        case 0xA1:
        case 0xA2:
        case 0xA3:
        case 0xA5:
        case 0xA8:
        case 0xAA:
        case 0xAF:
        case 0xB2:
        case 0xB3:
        case 0xB4:
        case 0xB8:
        case 0xBA:
        case 0xBC:
        case 0xBF:
            return true;
        default:
            return false;
    }
}

std::vector<NameWord> NameWords(std::string_view cp1251) {
    std::vector<NameWord> words;
    if (cp1251.size() > kMaxNameBytes) return words;
    size_t at = 0;
    while (at < cp1251.size()) {
        while (at < cp1251.size() && !IsWordByte(static_cast<unsigned char>(cp1251[at]))) ++at;
        if (at == cp1251.size()) break;
        NameWord word;
        while (at < cp1251.size() && IsWordByte(static_cast<unsigned char>(cp1251[at]))) {
            auto byte = base::Cp1251LowerCase(static_cast<unsigned char>(cp1251[at]));
            if (byte == kSmallYo || byte == kCapitalYo) byte = kSmallYe;
            word.text += static_cast<char>(byte);
            ++at;
        }
        const bool stop = at < cp1251.size() && cp1251[at] == '.';
        if (ClubForms().count(word.text)) continue;
        if (!AllDigits(word.text)) word.abbreviation = stop || word.text.size() <= 2;
        word.city = Cities().count(word.text) > 0;
        words.push_back(std::move(word));
    }
    return words;
}

std::string NormalisedName(std::string_view cp1251) {
    std::string out;
    for (const NameWord& word : NameWords(cp1251)) {
        if (!out.empty()) out += ' ';
        out += word.text;
    }
    return out;
}

}  // namespace lintaro::compare
