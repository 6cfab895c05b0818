// lintaro-cli: Lintaro's readers, matcher and HTTP client for scripts, without a window.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "version/version.h"

namespace {

using namespace lintaro::cli;

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    const char* usage;
};

const Command kCommands[] = {
    {"match", RunMatch, kMatchUsage},
    {"fetch", RunFetch, kFetchUsage},
    {"parse", RunParse, kParseUsage},
    {"load", RunLoad, kLoadUsage},
    {"serve-demo", RunServeDemo, kServeDemoUsage},
    {"watch", RunWatch, kWatchUsage},
    {"compare", RunCompare, kCompareUsage},
};

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

// The general usage: every command's synopsis, taken from its own help up to the first empty line
// with the leading "usage: lintaro-cli " folded into the list's indent.
std::string GeneralUsage() {
    constexpr std::string_view kLead = "usage: lintaro-cli ";
    constexpr std::string_view kOther = "       lintaro-cli ";
    std::string text =
        "usage: lintaro-cli COMMAND [OPTIONS] [--] [ARGS]\n"
        "       lintaro-cli COMMAND --help | help [COMMAND] | --help | --version\n"
        "\n"
        "Lintaro's line readers, pattern matcher, HTTP client, demo line server and line recorder\n"
        "for scripts.\n"
        "\n"
        "commands:\n";
    for (const Command& command : kCommands) {
        std::string_view usage = command.usage;
        usage = usage.substr(0, usage.find("\n\n") + 1);
        while (!usage.empty()) {
            std::string_view line = usage.substr(0, usage.find('\n') + 1);
            usage.remove_prefix(line.size());
            if (line.starts_with(kLead)) {
                line.remove_prefix(kLead.size());
            } else if (line.starts_with(kOther)) {
                line.remove_prefix(kOther.size());
            } else {
                line.remove_prefix(std::min(line.find_first_not_of(' '), kLead.size()));
            }
            text += "  ";
            text += line;
        }
    }
    text +=
        "\n"
        "Every message is one line on standard error. Exit status 2 means a usage mistake.\n"
        "\"lintaro-cli COMMAND --help\" describes a command's options and exit statuses;\n"
        "\"man lintaro-cli\" describes them all.\n";
    return text;
}

// True when "--help" stands among the options, that is before any "--" that ends them.
bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--help") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) {
            std::fputs(GeneralUsage().c_str(), stderr);
            return 2;
        }
        const std::string command_name = args[0];
        args.erase(args.begin());
        if (command_name == "--version") {
            if (!args.empty()) throw UsageError("--version takes no arguments");
            std::printf("lintaro-cli %s\n", lintaro::kVersion);
            return 0;
        }
        if (command_name == "help" || command_name == "--help" || command_name == "-h") {
            if (args.empty()) {
                std::fputs(GeneralUsage().c_str(), stdout);
                return 0;
            }
            const Command* command = args.size() == 1 ? FindCommand(args[0]) : nullptr;
            if (!command) throw UsageError("help takes one command name, not " + args[0]);
            std::fputs(command->usage, stdout);
            return 0;
        }
        const Command* command = FindCommand(command_name);
        if (!command) throw UsageError("unknown command " + command_name);
        if (AsksForHelp(args)) {
            std::fputs(command->usage, stdout);
            return 0;
        }
        return command->run(args);
    } catch (const UsageError& e) {
        std::cerr << "lintaro-cli: " << OneLine(e.what())
                  << " (lintaro-cli help lists the commands)" << std::endl;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "lintaro-cli: " << OneLine(e.what()) << std::endl;
        return 1;
    }
}
