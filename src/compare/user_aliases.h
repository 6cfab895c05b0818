// The user's aliases file as this run changes it: each link or unlink made in the window is saved
// to the file at once, and when the file cannot take it (read-only, damaged, no folder) it is held
// for the rest of the run and tried again with the next change. What the matcher reads is the file
// with the changes not yet saved on top. Safe to use from several threads: a merge reads the
// aliases on a thread of its own while the window may change them.
#pragma once

#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "compare/aliases.h"
#include "compare/aliases_file.h"

namespace lintaro::compare {

class UserAliases {
  public:
    // The file at `path` (DefaultAliasesPath() for the user's own; "" for none: every change is
    // held for the run).
    explicit UserAliases(std::string path);

    const std::string& Path() const { return path_; }
    // The file's aliases with the changes not yet saved on top. A file LoadAliases refuses counts
    // as empty, its error given as LoadAliases gives it.
    AliasesLoad Load() const;
    // Applies `changes` in order: saved to the file, together with those held before, when it can
    // be; otherwise held for the run. The result says which, and why not.
    AliasesSave Change(std::span<const AliasesChange> changes);
    // Changes held for the run that the file does not have.
    size_t Unsaved() const;

  private:
    const std::string path_;
    mutable std::mutex mutex_;
    std::vector<AliasesChange> unsaved_;  // guarded by `mutex_`
};

}  // namespace lintaro::compare
