// Runs the built lintaro-cli binary as a child process for the CLI tests: the arguments after the
// program name, optional bytes on standard input, and the exit status with everything the program
// wrote to standard output and standard error.
#pragma once

#include <string>
#include <vector>

namespace lintaro::testing_util {

struct CliRun {
    int status = -1;  // the exit code, or -1 when the program could not start or died by a signal
    std::string out;
    std::string err;
};

// Runs lintaro-cli with `args` (the binary's path is not among them) and waits for it to end.
// Standard input holds `stdin_bytes`, or is /dev/null when they are empty.
CliRun RunCli(const std::vector<std::string>& args, const std::string& stdin_bytes = "");

// A child process that runs while the test goes on (a server, a recorder to be stopped by a
// signal): its standard output and standard error are pipes the test reads.
class Process {
  public:
    Process(const std::string& program, std::vector<std::string> args);
    ~Process();  // kills a child still running
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Reads standard output up to its first line end (at most 10 s).
    std::string FirstLine();
    // Reads both streams to their end, then waits for the exit status.
    int Finish(std::string* out, std::string* err);
    void Signal(int signal_number);
    // The exit status, or -1 when it ended by a signal.
    int Wait();

  private:
    int pid_ = -1;
    int out_ = -1, err_ = -1;
};

// lintaro-cli as a Process.
class CliProcess : public Process {
  public:
    explicit CliProcess(std::vector<std::string> args);
};

// A fresh folder under /tmp for a test's input files, removed with everything written through it.
class ScratchDir {
  public:
    ScratchDir();  // throws std::runtime_error when the folder cannot be made
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes);

  private:
    std::string path_;
    std::vector<std::string> files_;
};

// A loopback port that nothing listens on: bound, read and closed again.
int ClosedPort();

}  // namespace lintaro::testing_util
