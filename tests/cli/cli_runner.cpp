// The child's three standard streams are anonymous temporary files: created, unlinked at once (so
// nothing is left behind even when a test dies), handed to the child, and read back from the start
// after it has ended. Files rather than pipes mean no reader has to keep pace with the child, so
// a program that fills one stream while the test waits on the other cannot deadlock.
#include "cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

extern char** environ;

namespace lintaro::testing_util {
namespace {

// An open, already unlinked temporary file; closed on destruction.
class TempFile {
  public:
    TempFile() {
        std::string path =
            (std::filesystem::temp_directory_path() / "lintaro-cli-run-XXXXXX").string();
        fd_ = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error("cannot create a temporary file in " + path);
        ::unlink(path.c_str());
    }
    ~TempFile() { ::close(fd_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }

    void Write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) throw std::runtime_error("cannot write a temporary file");
            bytes.remove_prefix(static_cast<size_t>(wrote));
        }
        ::lseek(fd_, 0, SEEK_SET);
    }

    std::string ReadAll() const {
        std::string data;
        char chunk[65536];
        for (off_t at = 0;;) {
            const ssize_t got = ::pread(fd_, chunk, sizeof chunk, at);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            data.append(chunk, static_cast<size_t>(got));
            at += got;
        }
        return data;
    }

  private:
    int fd_ = -1;
};

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::string& stdin_bytes) {
    std::vector<std::string> argv_text = {LINTARO_CLI};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    TempFile out, err;
    TempFile in;
    in.Write(stdin_bytes);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdin_bytes.empty()) {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, in.fd(), 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out.fd(), 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd(), 2);

    CliRun run;
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.err = "cannot run " + argv_text[0];
        return run;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = out.ReadAll();
    run.err = err.ReadAll();
    return run;
}

ScratchDir::ScratchDir() {
    char dir_template[] = "/tmp/lintaro-cli-test-XXXXXX";
    if (::mkdtemp(dir_template) == nullptr) {
        throw std::runtime_error("Cannot create a scratch folder under /tmp");
    }
    path_ = dir_template;
}

ScratchDir::~ScratchDir() {
    for (const std::string& file : files_) ::unlink(file.c_str());
    ::rmdir(path_.c_str());
}

std::string ScratchDir::WriteFile(const std::string& name, const std::string& bytes) {
    std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << bytes;
    files_.push_back(file);
    return file;
}

}  // namespace lintaro::testing_util
