// lintaro-cli: Lintaro's readers, matcher and HTTP client for scripts, without a window.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"

namespace {

const char kUsage[] =
    "usage: lintaro-cli COMMAND [OPTIONS] [--] [ARGS]\n"
    "commands:\n"
    "  match [--modifiers MODS] [--all] [--count] [--pattern-file F] [PATTERN] [FILE]\n"
    "  fetch [--out-dir DIR] [--heads FILE] URL...\n"
    "  parse first FILE [--today YYYY-MM-DD] [--format jsonl|csv]\n"
    "  parse second FILE --sport KEY --name NAME [--today YYYY-MM-DD] [--format jsonl|csv]\n"
    "  load first|second [--first-host HOST[:PORT]] [--second-host HOST[:PORT]] [--demo]\n"
    "                    [--today YYYY-MM-DD] [--format jsonl|csv]\n"
    "  serve-demo [--port N] [--events N] [--seed N]\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace lintaro::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    try {
        if (command == "match") return RunMatch(args);
        if (command == "fetch") return RunFetch(args);
        if (command == "parse") return RunParse(args);
        if (command == "load") return RunLoad(args);
        if (command == "serve-demo") return RunServeDemo(args);
        throw UsageError("unknown command " + command);
    } catch (const UsageError& e) {
        std::cerr << "lintaro-cli: " << OneLine(e.what())
                  << " (lintaro-cli help lists the commands)" << std::endl;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "lintaro-cli: " << OneLine(e.what()) << std::endl;
        return 1;
    }
}
