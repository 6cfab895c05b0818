// lintaro-cli watch: reads a bookmaker's line again and again, every --every seconds, and records
// each read into an SQLite database (--db) or prints what changed since the last good read as JSON
// lines. SIGINT and SIGTERM cancel the read under way through the client's cancel and end the run
// with the database whole.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/line_reading.h"
#include "export/row_format.h"
#include "live/line_follower.h"
#include "live/line_movement.h"
#include "live/read_recorder.h"
#include "table/cp1251_text.h"
#include "table/odds_display.h"
#include "table/odds_table.h"

namespace lintaro::cli {

using table::Decimal;
using worksheet::AppendJsonUtf8;
using worksheet::DecimalText;

const char kWatchUsage[] =
    R"(usage: lintaro-cli watch first|second [--every SECONDS] [--count N] [--db FILE] [--demo]
                         [--first-host HOST[:PORT]] [--second-host HOST[:PORT]]
                         [--today YYYY-MM-DD] [--max-size BYTES] [--timeout SECONDS]
                         [--stall-timeout SECONDS]

Reads the bookmaker's line as a refresh of the window does, again and again until --count reads
are done or SIGINT (Ctrl-C) or SIGTERM arrives, which cancels the read under way. With --db each
read is appended to an SQLite database: a row in its table reads (id, time, bookmaker, host, rows,
outcome ok, failed or cancelled, message) and its rows in odds (read_id, then the 20 fields under
their JSON Lines names), one transaction per read; an event sheet is stored only when it differs
from the event's previous read. Without --db it prints one JSON line per change since the last
read that succeeded (the first read prints nothing): a price, line or event that appeared or went.

options:
  --every SECONDS            from the start of one read to the start of the next, 0 to 86400
                             (default 60; a read that takes longer is followed at once)
  --count N                  stop after N reads, 1 or more (default: until stopped)
  --db FILE                  record into FILE, created when missing, in WAL mode; a file that is
                             read-only, not an SQLite database, holds tables reads or odds of
                             another shape, or stays locked for 5 s is refused before anything is
                             written
  --demo                     read the built-in demo line, started on a free loopback port and
                             moving: each read is its next generation (not with --first-host or
                             --second-host)
  --first-host HOST[:PORT]   the first bookmaker's host (default www.marathonbet.com, port 80)
  --second-host HOST[:PORT]  the second bookmaker's host (default www.pinnaclesports.com, port 80)
  --today YYYY-MM-DD         the local date the readers take as today (default: the local date)
  --max-size BYTES           as for load
  --timeout SECONDS          fail a read that takes longer than SECONDS in all (default 600, or
                             --every when that is shorter and not 0; 0: no limit)
  --stall-timeout SECONDS    fail a read that receives nothing for SECONDS (default 60; 0: no
                             limit)
  --help                     show this help and exit

A read that fails (the reader's message, a page cut short, a read out of time, or a line without
events) is recorded as failed, its message goes to standard error, and the next read goes ahead;
it is never compared with. A read that cannot be recorded because another program keeps the
database locked for 5 s is rolled back and the next one goes ahead.

exit status: 0 the reads were done, or a signal stopped them (the read under way is recorded as
cancelled); 1 the database could not be opened or written (a full disk: the read under way is
rolled back, the earlier ones stay), or the demo server or standard output failed; 2 a usage
mistake.
)";

namespace {

namespace chr = std::chrono;

// What the stop signals reach: the cancel of the client's idle hook (an atomic flag, safe in a
// signal handler) and a pipe that wakes the wait between reads.
http::TNetIdleHook* g_cancel_hook = nullptr;
int g_wake_fd = -1;
volatile sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int) {
    const int saved_errno = errno;
    g_stop = 1;
    if (g_cancel_hook) g_cancel_hook->RequestCancel();
    if (g_wake_fd >= 0) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(g_wake_fd, &wake, 1);
    }
    errno = saved_errno;
}

// Takes SIGINT and SIGTERM for the run and gives them back to their defaults at its end.
class StopSignals {
  public:
    explicit StopSignals(http::TNetIdleHook& hook) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            throw std::runtime_error(std::string("Cannot set up the stop signals: ") +
                                     std::strerror(errno));
        }
        wake_read_ = fds[0];
        g_wake_fd = fds[1];
        g_cancel_hook = &hook;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &old_int_);
        ::sigaction(SIGTERM, &action, &old_term_);
    }
    ~StopSignals() {
        ::sigaction(SIGINT, &old_int_, nullptr);
        ::sigaction(SIGTERM, &old_term_, nullptr);
        g_cancel_hook = nullptr;
        ::close(std::exchange(g_wake_fd, -1));
        ::close(wake_read_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Stopped() const { return g_stop != 0; }

    // Waits until `deadline` or a stop signal.
    void WaitUntil(chr::steady_clock::time_point deadline) const {
        while (!Stopped()) {
            const auto left = chr::ceil<chr::milliseconds>(deadline - chr::steady_clock::now());
            if (left.count() <= 0) return;
            pollfd wake{wake_read_, POLLIN, 0};
            ::poll(&wake, 1, static_cast<int>(std::min<int64_t>(left.count(), 60'000)));
        }
    }

  private:
    int wake_read_ = -1;
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

// "2026-12-10T10:42:05+03:00": the local time with its offset from UTC.
std::string LocalTimeText(chr::system_clock::time_point moment) {
    const std::time_t seconds = chr::system_clock::to_time_t(moment);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[64];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset_minutes = local.tm_gmtoff / 60;
    const long magnitude = offset_minutes < 0 ? -offset_minutes : offset_minutes;
    std::snprintf(text + length, sizeof text - length, "%c%02ld:%02ld",
                  offset_minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

void AppendJsonText(std::string& out, const std::optional<std::string>& cp1251) {
    if (cp1251) {
        AppendJsonUtf8(out, table::Cp1251ToUtf8(*cp1251));
    } else {
        out += "null";
    }
}

std::string DecimalJson(const std::optional<Decimal>& value) {
    return value ? DecimalText(*value) : "null";
}

// One change line: the read's time, the event's identity, the field and its two values.
void AppendChange(std::string& out, const std::string& time, const live::EventIdentity& event,
                  const char* field, const std::string& old_value, const std::string& new_value) {
    out += "{\"time\":";
    AppendJsonUtf8(out, time);
    out += ",\"sport_type_name\":";
    AppendJsonText(out, event.sport);
    out += ",\"competition_name\":";
    AppendJsonText(out, event.tournament);
    out += ",\"team_h_name\":";
    AppendJsonText(out, event.home);
    out += ",\"team_g_name\":";
    AppendJsonText(out, event.guest);
    out += ",\"sport_event_date\":";
    if (event.start) {
        AppendJsonUtf8(out, table::IsoDateTimeText(*event.start));
    } else {
        out += "null";
    }
    out += ",\"field\":\"";
    out += field;
    out += "\",\"old\":" + old_value + ",\"new\":" + new_value + "}\n";
}

// The changes of `rows` (the current read) against the previous read: the moved fields of each
// event in reading order, an event that appeared ("old" null, "new" true), then the events that
// went ("old" true, "new" null), one line per row.
std::string ChangeLines(const std::string& time, const live::LineMovement& movement,
                        const std::vector<table::OddsRecord>& rows) {
    std::string out;
    for (const table::OddsRecord& row : rows) {
        const auto marks = movement.Find(row);
        if (!marks) continue;
        const live::EventIdentity event = live::EventIdentity::Of(row);
        if (marks->Change() == live::EventChange::kNew) {
            AppendChange(out, time, event, "event", "null", "true");
            continue;
        }
        for (int field = live::kFirstPriceField;
             field < live::kFirstPriceField + live::kPriceFieldCount; ++field) {
            const live::PriceMove move = marks->Move(field);
            if (move == live::PriceMove::kUnchanged) continue;
            const table::StoredValue now = table::GetField(row, field);
            const auto* decimal = std::get_if<Decimal>(&now);
            // A price of at most 1.0 is no price (the tennis draw is stored as 0): null, as the
            // old value of a price that was not quoted is.
            std::optional<Decimal> new_value =
                decimal ? std::optional<Decimal>(*decimal) : std::nullopt;
            if (table::DecimalFormatOf(field) == table::DecimalFormat::kPrice &&
                !table::IsQuotedPrice(new_value)) {
                new_value.reset();
            }
            const std::optional<Decimal> old_value = marks->Previous(field);
            // A price under a moved line is marked as belonging to another bet, but a line saying
            // it went from 1.73 to 1.73 reads as a change that did not happen: the moved line has
            // its own change line (VF1, VF2, VT).
            if (move == live::PriceMove::kLineChanged && old_value == new_value) continue;
            AppendChange(out, time, event, table::kOddsFields[field].name, DecimalJson(old_value),
                         DecimalJson(new_value));
        }
    }
    for (size_t i = 0; i < movement.Gone().size(); ++i) {
        for (int row = 0; row < movement.GoneRows()[i]; ++row) {
            AppendChange(out, time, movement.Gone()[i], "event", "true", "null");
        }
    }
    return out;
}

// An unattended read must end: a server that stops answering fails it, and the next read goes
// ahead. --timeout bounds the whole read, every page of it together.
readers::ReadLimits WatchReadLimits(const Args& parsed, chr::seconds every) {
    constexpr long long kMaxSeconds = INT_MAX / 1000;
    long long whole = 600;
    if (every.count() > 0) whole = std::min<long long>(whole, every.count());
    readers::ReadLimits limits;
    limits.whole_ms =
        static_cast<int>(WholeNumberOption(parsed, "--timeout", 0, kMaxSeconds, whole) * 1000);
    limits.stall_ms =
        static_cast<int>(WholeNumberOption(parsed, "--stall-timeout", 0, kMaxSeconds, 60) * 1000);
    return limits;
}

void PrintError(const std::string& utf8) {
    std::cerr << "lintaro-cli: " << OneLine(utf8) << std::endl;
}

// One read of the line into `table`: `read` gets its outcome and message (said on standard error
// unless cancelled), as `follower` decides it.
live::FollowedRead ReadOnce(LineSource& source, int bookmaker, table::CivilDate today,
                            live::LineFollower& follower, table::OddsTable& table,
                            live::ReadRecord& read) {
    table.ResetTable();
    CliReaderUi ui(today);
    follower.Begin(live::LineFollower::Telling::kEvery);
    source.session.Load(bookmaker, table, ui);
    for (const std::string& message : ui.messages) {
        follower.Report();
        if (!read.message.empty()) read.message += "\n";
        read.message += table::Cp1251ToUtf8(message);
    }
    live::FollowedRead followed =
        follower.Finish({.cancelled = source.idle_hook.CancelRequested()}, table.Rows(), read.time);
    // An empty line says more about the bookmaker's site than about its events: it is not taken
    // for every event gone.
    if (followed.verdict == live::ReadVerdict::kEmpty) read.message = "the line had no events";
    read.outcome = followed.verdict == live::ReadVerdict::kCancelled ? "cancelled"
                   : followed.Succeeded()                            ? "ok"
                                                                     : "failed";
    if (followed.verdict == live::ReadVerdict::kReported || followed.tell_failure) {
        PrintError(read.message);
    }
    return followed;
}

}  // namespace

int RunWatch(const std::vector<std::string>& args) {
    const Args parsed = ParseArgs(args,
                                  {"--every", "--count", "--db", "--first-host", "--second-host",
                                   "--today", "--max-size", "--timeout", "--stall-timeout"},
                                  {"--demo"});
    const int bookmaker = BookmakerIndex(parsed.positional, "watch");
    const auto every = chr::seconds(WholeNumberOption(parsed, "--every", 0, 86'400, 60));
    const long long count = WholeNumberOption(parsed, "--count", 1, 1'000'000'000, 0);
    if (parsed.Has("--db") && parsed.Value("--db").empty()) {
        throw UsageError("--db needs a file name");
    }
    const table::CivilDate today = TodayOption(parsed);

    // The database first: a file that will not do ends the run before any read.
    std::unique_ptr<live::ReadRecorder> recorder;
    if (parsed.Has("--db")) {
        try {
            recorder = std::make_unique<live::ReadRecorder>(parsed.Value("--db"));
        } catch (const live::ERecorderError& e) {
            PrintError(e.what());
            return 1;
        }
    }
    LineSource source;
    SetUpLineSource(parsed, today, true, source);
    source.session.SetReadLimits(WatchReadLimits(parsed, every));
    const StopSignals signals(source.idle_hook);
    const std::string bookmaker_name = bookmaker == 0 ? "first" : "second";
    const std::string host =
        bookmaker == 0 ? source.session.first_host : source.session.second_host;

    // Decides what each read came to and what changed since the last read that succeeded.
    live::LineFollower follower({.keep_gone_identities = true});
    auto next_start = chr::steady_clock::now();
    for (long long done = 0; (count == 0 || done < count) && !signals.Stopped(); ++done) {
        if (done > 0) {
            signals.WaitUntil(next_start);
            if (signals.Stopped()) break;
        }
        next_start = chr::steady_clock::now() + every;
        live::ReadRecord read;
        read.time = LocalTimeText(chr::system_clock::now());
        read.bookmaker = bookmaker_name;
        read.host = host;

        table::OddsTable table;
        const live::FollowedRead followed =
            ReadOnce(source, bookmaker, today, follower, table, read);
        const bool cancelled = followed.verdict == live::ReadVerdict::kCancelled;
        if (recorder) {
            try {
                recorder->Append(read, table.Rows());
            } catch (const live::ERecorderError& e) {
                if (e.kind() != live::ERecorderError::Kind::kBusy) {
                    PrintError(std::string(e.what()) + "; the read of " + read.time +
                               " was rolled back");
                    return 1;
                }
                PrintError(std::string(e.what()) + "; the read of " + read.time +
                           " was not recorded, the next one goes ahead");
            }
        } else if (followed.Succeeded() && followed.movement->HasPrevious()) {
            const std::string lines = ChangeLines(read.time, *followed.movement, table.Rows());
            if (std::fwrite(lines.data(), 1, lines.size(), stdout) != lines.size() ||
                std::fflush(stdout) != 0) {
                PrintError(FileFailure("write", "standard output"));
                return 1;
            }
        }
        if (cancelled) break;
    }
    return 0;
}

}  // namespace lintaro::cli
