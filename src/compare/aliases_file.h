// Changes to the user's aliases file (compare/aliases.h) made from the window: linking two events
// writes a line for each pair of names, unlinking removes those lines. The file is the user's as
// much as the program's: every line a change does not concern (comments, blank lines, other links,
// their line ends) stays byte for byte, and the file is replaced whole and atomically, so a crash
// leaves the old file or the new one, never half of either.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace lintaro::compare {

// A link between a name at the first and a name at the second in one sport, as the file holds it
// (UTF-8). The sport is any name the sport table knows, and is never empty for a change: a line
// without a sport links the names in every sport and is the user's own, wider rule.
struct AliasesLink {
    std::string first;
    std::string second;
    std::string sport;
};

struct AliasesChange {
    enum class Kind {
        kLink,    // the two names are one from now on; earlier links of either name are undone
        kUnlink,  // the lines linking the two names go
    };
    Kind kind = Kind::kLink;
    AliasesLink link;
};

// Applies `changes` in order to the file's text. Names compare normalised, sports by their key.
// - kLink: a line of the link's sport that links either name with another name is removed (the
//   later link wins), and the link's line is appended unless a line of its sport says it already.
//   Lines without a sport stay.
// - kUnlink: every line of the link's sport that links the two names is removed; lines without a
//   sport stay.
// An appended line ends as the file's first line does ("\r\n" or "\n"); a last line without an end
// gets one first. Tabs and line breaks in a name become spaces, and a name never starts with "#",
// so the line reads back as the link. Lines that are not links of two or three fields are kept.
std::string ChangeAliasesText(std::string_view text, std::span<const AliasesChange> changes);

struct AliasesSave {
    bool saved = false;
    std::string error;  // why not, naming the file ("" when saved)
};

// Reads the file at `path` (a missing one is empty), applies `changes` and replaces the file with
// the result. Its folder is created when missing; a symbolic link is followed and the file it
// points to replaced; the new file keeps the old one's permissions. Fails, leaving the file as it
// was, when the file cannot be read, when LoadAliases refuses it (a damaged file is not
// overwritten: the message gives LoadAliases's reason), when the file is read-only, or when its
// folder cannot be created or written to.
AliasesSave SaveAliasesChanges(const std::string& path, std::span<const AliasesChange> changes);

}  // namespace lintaro::compare
