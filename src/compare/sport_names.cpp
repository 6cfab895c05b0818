// The sport table's data: every name either bookmaker gives a sport, with its key.
#include "compare/sport_names.h"

#include <utility>
#include <vector>

#include "base/cp1251_case.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {
namespace {

struct SportName {
    const char* name_utf8;  // lower case
    const char* key;
};

// The first bookmaker names its sports in Russian, the second by its English page keys.
constexpr SportName kSportNames[] = {
    {"футбол", "soccer"},       {"soccer", "soccer"},         {"football", "soccer"},
    {"бейсбол", "baseball"},    {"baseball", "baseball"},     {"теннис", "tennis"},
    {"tennis", "tennis"},       {"хоккей", "hockey"},         {"hockey", "hockey"},
    {"ice hockey", "hockey"},   {"баскетбол", "basketball"},  {"basketball", "basketball"},
    {"волейбол", "volleyball"}, {"volleyball", "volleyball"}, {"гандбол", "handball"},
    {"handball", "handball"},
};

std::string LowerTrimmed(std::string_view text) {
    const size_t from = text.find_first_not_of(" \t\r\n");
    if (from == std::string_view::npos) return {};
    text = text.substr(from, text.find_last_not_of(" \t\r\n") + 1 - from);
    std::string out(text);
    for (char& ch : out)
        ch = static_cast<char>(base::Cp1251LowerCase(static_cast<unsigned char>(ch)));
    return out;
}

}  // namespace

std::string SportKey(std::string_view cp1251_name) {
    static const std::vector<std::pair<std::string, std::string>> table = [] {
        std::vector<std::pair<std::string, std::string>> converted;
        for (const SportName& entry : kSportNames) {
            converted.emplace_back(table::Utf8ToCp1251(entry.name_utf8), entry.key);
        }
        return converted;
    }();
    std::string name = LowerTrimmed(cp1251_name);
    for (const auto& [known, key] : table) {
        if (known == name) return key;
    }
    return name;
}

}  // namespace lintaro::compare
