// A file that replaces its target only when it is complete: the bytes go to a new file beside the
// target, which is renamed over the target on Commit. Until then the target keeps what it held, and
// an export that fails half way (a full disk, an error of its own) leaves no half-written file
// under the target's name. Used by every export that writes a file.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace lintaro::worksheet {

// The target's folder cannot take the file (it does not exist, is read-only, or the name is a
// folder). The message names the file and the system's reason: "Cannot create file NAME: No such
// file or directory".
class EFileCreateError : public std::runtime_error {
  public:
    EFileCreateError(const std::string& file_name, const std::string& reason);
};

// Writing the file failed (a full disk, a file size limit). The message names the file and the
// reason: "Cannot write file NAME: No space left on device".
class EFileWriteError : public std::runtime_error {
  public:
    EFileWriteError(const std::string& file_name, const std::string& reason);
};

class ReplacingFile {
  public:
    // Creates the new file beside `target` (a symbolic link is followed, so the link stays and its
    // file is replaced). It takes the permissions of the file it replaces, or 0666 less the umask
    // for a new one. A target that is a device or a pipe is written directly. Throws
    // EFileCreateError (also for a target that is a folder).
    explicit ReplacingFile(std::string target);
    // Removes the new file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Appends bytes. Throws EFileWriteError.
    void Write(std::string_view bytes);
    // Flushes the file to disk, closes it and renames it over the target. Throws EFileWriteError
    // (the target is then untouched and the new file removed).
    void Commit();

    // The path of the new file while it is being written (for writers that open it themselves);
    // empty when the target is written directly.
    const std::string& TemporaryPath() const { return temp_path_; }
    // True when the target is a device or a pipe that takes the bytes as they come.
    bool Direct() const { return direct_; }

  private:
    void Discard();

    std::string target_;     // as the caller named it, for messages
    std::string real_path_;  // the file that is replaced (symbolic links resolved)
    std::string temp_path_;
    int fd_ = -1;
    bool committed_ = false;
    bool direct_ = false;
};

}  // namespace lintaro::worksheet
