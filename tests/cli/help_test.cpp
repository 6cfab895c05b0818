// lintaro-cli's help and version: every command answers --help on standard output with status 0,
// every option a command accepts is in its help and in the manual page, and mistakes still end
// with one line on standard error and status 2.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "version/version.h"

namespace {

using lintaro::testing_util::CliRun;
using lintaro::testing_util::RunCli;

const char* const kCommands[] = {"match",      "fetch", "parse",  "load",
                                 "serve-demo", "watch", "compare"};

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(LINTARO_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The option names ("--name") a text mentions as whole words.
std::set<std::string> OptionsIn(const std::string& text) {
    static const std::regex option(R"((^|[^A-Za-z0-9-])(--[a-z][a-z0-9-]*))");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it) {
        names.insert((*it)[2].str());
    }
    return names;
}

// The options a command's source hands to the parser: every string literal that is exactly an
// option name, outside the raw-string help text itself.
std::set<std::string> OptionsInSource(const std::string& source_file) {
    std::string source = ReadSource(source_file);
    for (size_t start; (start = source.find("R\"(")) != std::string::npos;) {
        const size_t end = source.find(")\"", start);
        source.erase(start, end == std::string::npos ? std::string::npos : end + 2 - start);
    }
    static const std::regex literal(R"re("(--[a-z][a-z0-9-]*)")re");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), literal);
         it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1].str());
    }
    return names;
}

std::string SourceFileOf(const std::string& command) {
    std::string file = "src/cli/cmd_" + command + ".cpp";
    for (char& c : file) {
        if (c == '-') c = '_';
    }
    return file;
}

// The manual page's text with roff's escaped hyphens and font changes taken out.
std::string ManualText() {
    std::string page = ReadSource("data/man/lintaro-cli.1.in");
    EXPECT_FALSE(page.empty()) << "data/man/lintaro-cli.1.in is missing";
    page = std::regex_replace(page, std::regex(R"(\\f[BIRP])"), "");
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    return page;
}

TEST(HelpCliTest, EveryCommandAnswersHelpOnStandardOutput) {
    for (const std::string command : kCommands) {
        SCOPED_TRACE(command);
        const CliRun run = RunCli({command, "--help"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("usage: lintaro-cli " + command + " ", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("\nexit status: "), std::string::npos) << run.out;
        // The same text through "help COMMAND", and with --help among other arguments.
        EXPECT_EQ(RunCli({"help", command}).out, run.out);
        const CliRun late = RunCli({command, "first", "--format", "csv", "--help"});
        EXPECT_EQ(late.status, 0);
        EXPECT_EQ(late.out, run.out);
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 100u) << line;
        }
    }
}

TEST(HelpCliTest, GeneralUsageListsEveryCommand) {
    for (const char* asked : {"--help", "help", "-h"}) {
        SCOPED_TRACE(asked);
        const CliRun run = RunCli({asked});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        for (const std::string command : kCommands) {
            EXPECT_NE(run.out.find("\n  " + command + " "), std::string::npos) << command;
        }
    }
    // Without a command the usage is a mistake: standard error, status 2.
    const CliRun bare = RunCli({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_EQ(bare.out, "");
    EXPECT_EQ(bare.err, RunCli({"--help"}).out);
}

TEST(HelpCliTest, VersionIsTheBuildsVersion) {
    const CliRun run = RunCli({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("lintaro-cli ") + lintaro::kVersion + "\n");
    EXPECT_EQ(run.err, "");
}

TEST(HelpCliTest, MistakesEndWithOneLineAndStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"load", "first", "--no-such-option"},
        {"serve-demo", "--helpful"},
        {"match", "--help=yes", "x"},
        {"frobnicate", "--help"},
        {"help", "frobnicate"},
        {"help", "load", "parse"},
        {"--version", "extra"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(run.err.rfind("lintaro-cli: ", 0), 0u) << run.err;
    }
}

TEST(HelpCliTest, HelpAfterTheEndOfOptionsIsAnArgument) {
    // "--" ends the options: a pattern "--help" is matched, not taken for a request for help.
    const CliRun run = RunCli({"match", "--count", "--", "--help"}, "say --help twice: --help");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "2\n");
}

// Every option a command's parser accepts is in its help and in the manual page, and its help
// names no option the command does not take: edit the help text beside the option list in
// src/cli/cmd_COMMAND.cpp and the command's section of data/man/lintaro-cli.1.in together.
TEST(HelpCliTest, HelpAndManualPageNameEveryOption) {
    const std::string manual = ManualText();
    const std::set<std::string> in_manual = OptionsIn(manual);
    const std::set<std::string> shared = OptionsInSource("src/cli/cli_args.cpp");
    for (const std::string command : kCommands) {
        SCOPED_TRACE(command);
        const std::set<std::string> accepted = OptionsInSource(SourceFileOf(command));
        ASSERT_FALSE(accepted.empty());
        const std::set<std::string> in_help = OptionsIn(RunCli({command, "--help"}).out);
        for (const std::string& option : accepted) {
            EXPECT_TRUE(in_help.count(option))
                << option << " is missing from " << command << " --help";
            EXPECT_TRUE(in_manual.count(option)) << option << " is missing from lintaro-cli.1";
        }
        for (const std::string& option : in_help) {
            EXPECT_TRUE(option == "--help" || accepted.count(option) || shared.count(option))
                << command << " --help names " << option << ", which the command does not take";
        }
        // The manual page has a synopsis for the command.
        EXPECT_NE(manual.find(".SY \"lintaro-cli " + command), std::string::npos);
    }
}

}  // namespace
