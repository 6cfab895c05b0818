// What lintaro-cli load and watch share to read a bookmaker's line as the window does: the hosts
// (or the built-in demo line on loopback), one client set up as the window's own, and the window's
// services for a reader without a window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "compare/aliases.h"
#include "demo/demo_server.h"
#include "http/net_idle_hook.h"
#include "readers/line_session.h"
#include "readers/reader_context.h"

namespace lintaro::cli {

// The reader's services: messages are collected (Windows-1251) for standard error, there is no
// cursor, and today is fixed by --today or the local date.
class CliReaderUi : public readers::ReaderUi {
  public:
    explicit CliReaderUi(table::CivilDate today) : today_(today) {}
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetWaitCursor(bool) override {}
    table::CivilDate Today() override { return today_; }

    std::vector<std::string> messages;

  private:
    table::CivilDate today_;
};

// The line a command reads: a session whose hosts come from --first-host and --second-host, or
// from the demo line server that --demo starts for the command (moving when `moving_demo`; at
// --generation when the command takes it), with --max-size and --timeout applied and the idle
// hook through which a read is cancelled.
struct LineSource {
    std::unique_ptr<demo::DemoServer> demo_server;
    http::TNetIdleHook idle_hook;  // outlives the session that points to it
    readers::LineSession session;
};

// Reads the options above (and --seed, --events and --second-offset of the demo line, when the
// command takes them) into `source`; the demo line starts at --generation, or else at
// `default_generation`. Throws UsageError for a bad host, --demo with a host, or --generation,
// --seed, --events or --second-offset without --demo; std::runtime_error when the demo server
// cannot start.
void SetUpLineSource(const Args& args, table::CivilDate today, bool moving_demo, LineSource& source,
                     uint32_t default_generation = 0);

// Where a moving demo line stands now when no --generation says otherwise: one generation every
// ten minutes since local midnight (1 to 144), so that a command that reads the line once still
// reads a line that has moved, and a later run a later line. Ten minutes, not one: building
// generation g replays g steps, which a large line (--events 20000) feels within seconds.
uint32_t MovingGeneration();

// Sets up `other` as a second session on the hosts of `set_up` (its demo server included, which
// must outlive `other`'s reads) with the same --max-size and --timeout, so that two threads can
// read at once, each with its own client.
void SetUpSharedLineSource(const Args& args, const LineSource& set_up, LineSource& other);

// The user's aliases file (compare/aliases.h) as compare and watch both match with it: a file that
// is malformed is named with its line on standard error and left out.
compare::AliasesLoad LoadUserAliases();

// "first" -> 0, "second" -> 1 (the selector's index); anything else throws UsageError naming
// `command`.
int BookmakerIndex(const std::vector<std::string>& positional, const std::string& command);

}  // namespace lintaro::cli
