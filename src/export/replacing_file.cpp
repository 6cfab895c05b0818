// Replacing a file safely on POSIX: a new file created exclusively in the target's folder (so the
// rename stays on one file system and is atomic), flushed to disk before it takes the target's
// name.
#include "export/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

namespace lintaro::worksheet {
namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a write to `path` should replace: the file a symbolic link points to, else `path`.
std::string ResolveLinks(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) return resolved;
    return path;  // a dangling link: the link itself is replaced
}

}  // namespace

EFileCreateError::EFileCreateError(const std::string& file_name, const std::string& reason)
    : std::runtime_error("Cannot create file " + file_name + ": " + reason) {}

EFileWriteError::EFileWriteError(const std::string& file_name, const std::string& reason)
    : std::runtime_error("Cannot write file " + file_name + ": " + reason) {}

ReplacingFile::ReplacingFile(std::string target)
    : target_(std::move(target)), real_path_(ResolveLinks(target_)) {
    if (target_.empty()) throw EFileCreateError(target_, std::strerror(ENOENT));
    struct stat existing {};
    if (stat(target_.c_str(), &existing) == 0 &&
        (S_ISCHR(existing.st_mode) || S_ISFIFO(existing.st_mode))) {
        // A device or a pipe (/dev/null, /dev/stdout) has nothing to keep and cannot be renamed
        // over: the bytes go straight to it.
        fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) throw EFileCreateError(target_, std::strerror(errno));
        direct_ = true;
        return;
    }
    const bool exists = stat(real_path_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        throw EFileCreateError(target_, S_ISDIR(existing.st_mode) ? std::strerror(EISDIR)
                                                                  : "it is not a regular file");
    }
    const std::string stem = FolderOf(real_path_) + "/." + BaseNameOf(real_path_) + ".";
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    int error = 0;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        std::string candidate = stem;
        for (int i = 0; i < 8; ++i) candidate += kLetters[random() % (sizeof(kLetters) - 1)];
        candidate += ".tmp";
        fd_ = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temp_path_ = std::move(candidate);
        } else if ((error = errno) != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) throw EFileCreateError(target_, std::strerror(error));
    // The replacement keeps the permissions of the file it replaces (a failure here only leaves
    // the default ones).
    if (exists) (void)fchmod(fd_, existing.st_mode & 07777);
}

ReplacingFile::~ReplacingFile() {
    if (!committed_) Discard();
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temp_path_.empty()) {
        unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

void ReplacingFile::Write(std::string_view bytes) {
    if (fd_ < 0) throw EFileWriteError(target_, "the file is already closed");
    while (!bytes.empty()) {
        const ssize_t written = write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw EFileWriteError(target_, std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

void ReplacingFile::Commit() {
    if (fd_ < 0) throw EFileWriteError(target_, "the file is already closed");
    // A file system may report a full disk only when the data is flushed or the file closed.
    if (!direct_ && fsync(fd_) != 0 && errno != EINVAL) {
        const std::string reason = std::strerror(errno);
        Discard();
        throw EFileWriteError(target_, reason);
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        Discard();
        throw EFileWriteError(target_, reason);
    }
    if (direct_) {
        committed_ = true;
        return;
    }
    if (rename(temp_path_.c_str(), real_path_.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        Discard();
        throw EFileCreateError(target_, reason);
    }
    committed_ = true;
    temp_path_.clear();
}

}  // namespace lintaro::worksheet
