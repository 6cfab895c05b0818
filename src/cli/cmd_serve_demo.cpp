// lintaro-cli serve-demo: runs the demo line server until SIGINT or SIGTERM, so that scripts and
// people can point either program at a line without the internet.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <string>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "demo/demo_server.h"

namespace lintaro::cli {

const char kServeDemoUsage[] =
    R"(usage: lintaro-cli serve-demo [--port N] [--events N] [--seed N] [--today YYYY-MM-DD]
                              [--moving] [--generation N] [--second-offset MINUTES]

Serves the demo line until SIGINT (Ctrl-C) or SIGTERM: the first bookmaker on 127.0.0.1:PORT and
the second on 127.0.0.1:PORT+1, whose root redirects to the first port. Prints
"listening on 127.0.0.1:PORT" once it listens. The line stands still unless --moving is given.

options:
  --port N            the first bookmaker's port, 0 to 65534 (0, the default, takes a free port)
  --events N          the number of events in the line, 0 to 500000 (default 200)
  --seed N            random seed of the line, 0 to 4294967295 (default 1)
  --today YYYY-MM-DD  the date the line is published on; its events start within four weeks of
                      it (default: the local date)
  --moving            a moving line: each request of a bookmaker's entry page (the first
                      bookmaker's odds page, the second's tournament list) after the first serves
                      the line's next generation, in which a few prices move by a tick or two, a
                      few events start and leave the line and a few new ones appear; every other
                      page serves the current generation
  --generation N      the generation served first, 0 to 100000 (default 0, the line the seed
                      gives before any change)
  --second-offset MINUTES
                      how much later the second bookmaker's clock shows an event's start than
                      the first's, -720 to 720 (default -180, three hours earlier)
  --help              show this help and exit

exit status: 0 stopped by a signal; 1 the server could not start (a busy port, for example);
2 a usage mistake.
)";

int RunServeDemo(const std::vector<std::string>& raw_args) {
    const Args args = ParseArgs(
        raw_args, {"--port", "--events", "--seed", "--today", "--generation", "--second-offset"},
        {"--moving"});
    if (!args.positional.empty()) {
        throw UsageError("serve-demo takes no arguments, only options: " + args.positional[0]);
    }
    demo::DemoOptions options;
    options.seed = static_cast<uint32_t>(WholeNumberOption(args, "--seed", 0, UINT32_MAX, 1));
    options.events =
        static_cast<int>(WholeNumberOption(args, "--events", 0, demo::kMaxDemoEvents, 200));
    if (args.Has("--today")) options.today = demo::ToYearMonthDay(TodayOption(args));
    options.generation = static_cast<uint32_t>(
        WholeNumberOption(args, "--generation", 0, demo::kMaxDemoGeneration, 0));
    options.second_offset_minutes = static_cast<int>(
        WholeNumberOption(args, "--second-offset", -720, 720, options.second_offset_minutes));
    const auto port = static_cast<uint16_t>(WholeNumberOption(args, "--port", 0, 65534, 0));

    // The signals are taken by sigwait below; blocked before the server starts its threads, they
    // reach no other thread.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    demo::DemoServer server(options);
    server.SetMoving(args.Has("--moving"));
    server.Start(port);  // a busy port throws: main prints the one-line message, status 1
    std::printf("listening on %s\n", server.FirstHost().c_str());
    std::fflush(stdout);
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    server.Stop();
    return 0;
}

}  // namespace lintaro::cli
