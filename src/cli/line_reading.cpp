// Setting up the line a command reads.
#include "cli/line_reading.h"

#include "demo/demo_line.h"

namespace lintaro::cli {
namespace {

// "HOST" or "HOST:PORT" with a port of 1..65535; anything else is a usage mistake.
std::string HostOption(const Args& parsed, const std::string& name, const std::string& fallback) {
    const std::string value = parsed.Value(name, fallback);
    if (!IsHostAndPort(value)) {
        throw UsageError(name + " needs HOST or HOST:PORT, not \"" + value + "\"");
    }
    return value;
}

}  // namespace

void SetUpLineSource(const Args& args, CivilDate today, bool moving_demo, LineSource& source) {
    LineSession& session = source.session;
    session.first_host = HostOption(args, "--first-host", kFirstBookmakerHost);
    session.second_host = HostOption(args, "--second-host", kSecondBookmakerHost);
    if (args.Has("--generation") && !args.Has("--demo")) {
        throw UsageError("--generation chooses a generation of the demo line; it needs --demo");
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
        options.generation = static_cast<uint32_t>(
            WholeNumberOption(args, "--generation", 0, demo::kMaxDemoGeneration, 0));
        source.demo_server = std::make_unique<demo::DemoServer>(options);
        source.demo_server->SetMoving(moving_demo);
        source.demo_server->Start();
        session.first_host = source.demo_server->FirstHost();
        session.second_host = source.demo_server->SecondHost();
    }
    // One client as the window has it, with the idle hook that bounds connects.
    session.SetIdleHook(&source.idle_hook);
    session.Http().MaxBodySize = MaxSizeOption(args, session.Http().MaxBodySize);
    TNetTimeLimits limits = session.Http().TimeLimits();
    limits.fetch_ms = TimeoutOption(args);
    session.Http().SetTimeLimits(limits);
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
