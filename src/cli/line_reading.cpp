// Setting up the line a command reads.
#include "cli/line_reading.h"

#include <cstdint>
#include <ctime>
#include <iostream>
#include <string>

#include "demo/demo_line.h"

namespace lintaro::cli {
namespace {

// "HOST" or "HOST:PORT" with a port of 1..65535; anything else is a usage mistake.
std::string HostOption(const Args& parsed, const std::string& name, const std::string& fallback) {
    const std::string value = parsed.Value(name, fallback);
    if (!readers::IsHostAndPort(value)) {
        throw UsageError(name + " needs HOST or HOST:PORT, not \"" + value + "\"");
    }
    return value;
}

// The client as the window has it, with the idle hook that bounds connects, --max-size and
// --timeout.
void SetUpClient(const Args& args, LineSource& source) {
    readers::LineSession& session = source.session;
    session.SetIdleHook(&source.idle_hook);
    session.Http().MaxBodySize = MaxSizeOption(args, session.Http().MaxBodySize);
    http::TNetTimeLimits limits = session.Http().TimeLimits();
    limits.fetch_ms = TimeoutOption(args);
    session.Http().SetTimeLimits(limits);
}

}  // namespace

uint32_t MovingGeneration() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return static_cast<uint32_t>(1 + (local.tm_hour * 60 + local.tm_min) / 10);
}

void SetUpLineSource(const Args& args, table::CivilDate today, bool moving_demo, LineSource& source,
                     uint32_t default_generation) {
    readers::LineSession& session = source.session;
    session.first_host = HostOption(args, "--first-host", readers::kFirstBookmakerHost);
    session.second_host = HostOption(args, "--second-host", readers::kSecondBookmakerHost);
    if (args.Has("--generation") && !args.Has("--demo")) {
        throw UsageError("--generation chooses a generation of the demo line; it needs --demo");
    }
    for (const char* option : {"--events", "--seed", "--second-offset"}) {
        if (args.Has(option) && !args.Has("--demo")) {
            throw UsageError(std::string(option) + " shapes the demo line; it needs --demo");
        }
    }
    // The demo line is published on the readers' today, so that its dates read as intended.
    if (args.Has("--demo")) {
        if (args.Has("--first-host") || args.Has("--second-host")) {
            throw UsageError(
                "--demo chooses both hosts itself; leave out --first-host and "
                "--second-host");
        }
        demo::DemoOptions options;
        options.today = demo::ToYearMonthDay(today);
        options.generation = static_cast<uint32_t>(WholeNumberOption(
            args, "--generation", 0, demo::kMaxDemoGeneration, default_generation));
        options.seed =
            static_cast<uint32_t>(WholeNumberOption(args, "--seed", 0, UINT32_MAX, options.seed));
        options.events = static_cast<int>(
            WholeNumberOption(args, "--events", 0, demo::kMaxDemoEvents, options.events));
        options.second_offset_minutes = static_cast<int>(
            WholeNumberOption(args, "--second-offset", -720, 720, options.second_offset_minutes));
        source.demo_server = std::make_unique<demo::DemoServer>(options);
        source.demo_server->SetMoving(moving_demo);
        source.demo_server->Start();
        session.first_host = source.demo_server->FirstHost();
        session.second_host = source.demo_server->SecondHost();
    }
    SetUpClient(args, source);
}

void SetUpSharedLineSource(const Args& args, const LineSource& set_up, LineSource& other) {
    other.session.first_host = set_up.session.first_host;
    other.session.second_host = set_up.session.second_host;
    SetUpClient(args, other);
}

compare::AliasesLoad LoadUserAliases() {
    compare::AliasesLoad aliases;
    if (const std::string path = compare::DefaultAliasesPath(); !path.empty()) {
        aliases = compare::LoadAliases(path);
    }
    if (!aliases.error.empty()) std::cerr << "lintaro-cli: " << OneLine(aliases.error) << std::endl;
    return aliases;
}

int BookmakerIndex(const std::vector<std::string>& positional, const std::string& command) {
    if (positional.size() != 1) throw UsageError(command + " needs a bookmaker: first or second");
    const std::string& bookmaker = positional[0];
    if (bookmaker != "first" && bookmaker != "second") {
        throw UsageError("unknown bookmaker " + bookmaker + " (first or second)");
    }
    return bookmaker == "first" ? 0 : 1;
}

}  // namespace lintaro::cli
