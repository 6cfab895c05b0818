// The user's own links between names: a UTF-8 text file of lines
//     NAME AT THE FIRST <TAB> NAME AT THE SECOND [<TAB> SPORT]
// ("#" starts a comment line, blank lines are skipped). A linked pair always counts as the same
// team or player, and a linked name is matched only with the names it is linked to (in that sport
// when the line gives one). Names are compared normalised (case, "ё", punctuation), so
// "Спартак М." and "спартак м" are one name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lintaro::compare {

class Aliases {
  public:
    // Adds a link; the names are Windows-1251, the sport any name the sport table knows (empty:
    // every sport).
    void Add(std::string_view first_name, std::string_view second_name, std::string_view sport);
    bool Empty() const { return links_.empty(); }

    enum class Verdict { kNone, kLinked, kUnlinked };
    // For normalised names in the sport `sport_key`: kLinked when the two are linked, kUnlinked
    // when either has a link to another name (so they must not match), kNone when neither has one.
    Verdict Judge(const std::string& first_normalised, const std::string& second_normalised,
                  const std::string& sport_key) const;

    // Whether a line of exactly the sport `sport_key` (not one of every sport) links the two
    // normalised names.
    bool LinkedInSport(const std::string& first_normalised, const std::string& second_normalised,
                       const std::string& sport_key) const;

    // The names at the second that `first_normalised` is linked to in `sport_key` (or in every
    // sport).
    std::vector<std::string> LinkedSecondNames(const std::string& first_normalised,
                                               const std::string& sport_key) const;

  private:
    std::unordered_multimap<std::string, std::string> by_first_;  // "sport\x01first" -> second
    // Keys "sport\x01first\x01second" for the pairs, "sport\x01" + "1" or "2" + name for the linked
    // names; the empty sport stands for every sport.
    std::unordered_set<std::string> links_;
    std::unordered_set<std::string> linked_names_;
};

struct AliasesLoad {
    Aliases aliases;
    std::string error;  // "" when the file was read (or does not exist); else the message
};

// Reads an aliases file. A missing file is no aliases and no error. A line with other than two or
// three fields, or an empty name, makes the whole file ignored: the message names the file and the
// line ("...: line 3: ..."), and matching goes on without aliases.
AliasesLoad LoadAliases(const std::string& path);
// The same for the file's text (UTF-8) already read; `path` only names it in the message.
AliasesLoad ParseAliases(std::string_view text, const std::string& path);

// Where the user's aliases file is: $XDG_CONFIG_HOME/lintaro/aliases.tsv, or
// ~/.config/lintaro/aliases.tsv without that variable; "" when neither can be found.
std::string DefaultAliasesPath();

}  // namespace lintaro::compare
