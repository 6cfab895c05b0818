// Keeps a library's own reports off standard error. libxlsxwriter prints "[ERROR]..." and
// "[WARNING]..." lines to standard error itself, besides returning an error code; the export turns
// the code into one complete message of ours, so a user should not read the library's lines too.
#pragma once

namespace lintaro::worksheet {

// While at least one filter lives, whatever the process writes to standard error (file
// descriptor 2) is held back in memory. When the last one ends, lines that begin with "[ERROR]" or
// "[WARNING]" are dropped and every other line reaches standard error as it was written, so other
// threads lose nothing, they only see their lines later. Filters may be made on several threads at
// once. When the descriptors needed cannot be had, standard error is left as it is.
class ScopedLibraryMessageFilter {
  public:
    ScopedLibraryMessageFilter();
    ~ScopedLibraryMessageFilter();
    ScopedLibraryMessageFilter(const ScopedLibraryMessageFilter&) = delete;
    ScopedLibraryMessageFilter& operator=(const ScopedLibraryMessageFilter&) = delete;
};

}  // namespace lintaro::worksheet
