// The user's aliases: the file, and what this run could not save to it.
#include "compare/user_aliases.h"

#include <fstream>
#include <sstream>
#include <utility>

namespace lintaro::compare {

UserAliases::UserAliases(std::string path) : path_(std::move(path)) {}

AliasesLoad UserAliases::Load() const {
    std::vector<AliasesChange> unsaved;
    {
        std::lock_guard lock(mutex_);
        unsaved = unsaved_;
    }
    AliasesLoad file = path_.empty() ? AliasesLoad{} : LoadAliases(path_);
    if (unsaved.empty()) return file;
    // The file's own text is read again, so the changes apply line by line as saving would.
    std::string text;
    if (file.error.empty() && !path_.empty()) {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream read;
        if (in) read << in.rdbuf();
        text = read.str();
    }
    AliasesLoad changed = ParseAliases(ChangeAliasesText(text, unsaved), path_);
    changed.error = file.error;
    return changed;
}

AliasesSave UserAliases::Change(std::span<const AliasesChange> changes) {
    std::lock_guard lock(mutex_);
    unsaved_.insert(unsaved_.end(), changes.begin(), changes.end());
    AliasesSave save;
    if (path_.empty()) {
        save.error = "no folder for the aliases file (neither XDG_CONFIG_HOME nor HOME is set)";
        return save;
    }
    save = SaveAliasesChanges(path_, unsaved_);
    if (save.saved) unsaved_.clear();
    return save;
}

size_t UserAliases::Unsaved() const {
    std::lock_guard lock(mutex_);
    return unsaved_.size();
}

}  // namespace lintaro::compare
