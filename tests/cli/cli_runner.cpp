// The child's three standard streams are anonymous temporary files: created, unlinked at once (so
// nothing is left behind even when a test dies), handed to the child, and read back from the start
// after it has ended. Files rather than pipes mean no reader has to keep pace with the child, so
// a program that fills one stream while the test waits on the other cannot deadlock.
#include "cli_runner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
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

Process::Process(const std::string& program, std::vector<std::string> args) {
    args.insert(args.begin(), program);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot run " + program);
    }
    pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

Process::~Process() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
    ::close(out_);
    ::close(err_);
}

std::string Process::FirstLine() {
    std::string line;
    char c;
    pollfd pfd{out_, POLLIN, 0};
    while (::poll(&pfd, 1, 10'000) > 0 && ::read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

int Process::Finish(std::string* out, std::string* err) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    std::string* sinks[2] = {out, err};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, 60'000) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char chunk[65536];
            const ssize_t got = ::read(fds[i].fd, chunk, sizeof chunk);
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
            } else if (sinks[i]) {
                sinks[i]->append(chunk, static_cast<size_t>(got));
            }
        }
    }
    return Wait();
}

void Process::Signal(int signal_number) { ::kill(pid_, signal_number); }

int Process::Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CliProcess::CliProcess(std::vector<std::string> args) : Process(LINTARO_CLI, std::move(args)) {}

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

int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

}  // namespace lintaro::testing_util
