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

}  // namespace lintaro::testing_util
