#include "compare/aliases.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "compare/name_words.h"
#include "compare/sport_names.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {

using table::Utf8ToCp1251;

namespace {

constexpr char kSep = '\x01';

std::string NameKey(const std::string& sport, char side, const std::string& name) {
    return sport + kSep + side + name;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t from = 0;
    while (true) {
        const size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) break;
        from = tab + 1;
    }
    return fields;
}

}  // namespace

void Aliases::Add(std::string_view first_name, std::string_view second_name,
                  std::string_view sport) {
    const std::string key = sport.empty() ? std::string() : SportKey(sport);
    const std::string first = NormalisedName(first_name);
    const std::string second = NormalisedName(second_name);
    links_.insert(key + kSep + first + kSep + second);
    linked_names_.insert(NameKey(key, '1', first));
    linked_names_.insert(NameKey(key, '2', second));
    by_first_.emplace(key + kSep + first, second);
}

std::vector<std::string> Aliases::LinkedSecondNames(const std::string& first,
                                                    const std::string& sport_key) const {
    std::vector<std::string> names;
    for (const std::string& key : {sport_key, std::string()}) {
        const auto [from, to] = by_first_.equal_range(key + kSep + first);
        for (auto it = from; it != to; ++it) names.push_back(it->second);
    }
    return names;
}

Aliases::Verdict Aliases::Judge(const std::string& first, const std::string& second,
                                const std::string& sport_key) const {
    if (links_.empty()) return Verdict::kNone;
    for (const std::string* sport : {&sport_key, static_cast<const std::string*>(nullptr)}) {
        const std::string key = sport ? *sport : std::string();
        if (links_.count(key + kSep + first + kSep + second)) return Verdict::kLinked;
    }
    for (const std::string& key : {sport_key, std::string()}) {
        if (linked_names_.count(NameKey(key, '1', first)) ||
            linked_names_.count(NameKey(key, '2', second))) {
            return Verdict::kUnlinked;
        }
    }
    return Verdict::kNone;
}

bool Aliases::LinkedInSport(const std::string& first, const std::string& second,
                            const std::string& sport_key) const {
    return links_.count(sport_key + kSep + first + kSep + second) > 0;
}

AliasesLoad ParseAliases(std::string_view text, const std::string& path) {
    AliasesLoad result;
    int number = 0;
    Aliases aliases;
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(from, end - from));
        from = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        const size_t first_text = line.find_first_not_of(" \t");
        if (first_text == std::string::npos || line[first_text] == '#') continue;
        const std::vector<std::string> fields = SplitTabs(line);
        std::string problem;
        if (fields.size() < 2 || fields.size() > 3) {
            problem =
                "expected a name at the first, a TAB, a name at the second and optionally a "
                "TAB and the sport";
        } else if (NormalisedName(Utf8ToCp1251(fields[0])).empty() ||
                   NormalisedName(Utf8ToCp1251(fields[1])).empty()) {
            problem = "a name is empty";
        }
        if (!problem.empty()) {
            result.error = path + ": line " + std::to_string(number) + ": " + problem +
                           "; the aliases file is ignored";
            return result;
        }
        aliases.Add(Utf8ToCp1251(fields[0]), Utf8ToCp1251(fields[1]),
                    fields.size() == 3 ? Utf8ToCp1251(fields[2]) : std::string());
    }
    result.aliases = std::move(aliases);
    return result;
}

AliasesLoad LoadAliases(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};  // no file: no links
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        AliasesLoad result;
        result.error = path + ": cannot be read; the aliases file is ignored";
        return result;
    }
    return ParseAliases(text.str(), path);
}

std::string DefaultAliasesPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return std::string(config) + "/lintaro/aliases.tsv";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/lintaro/aliases.tsv";
    return {};
}

}  // namespace lintaro::compare
