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
#include <exception>
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/line_reading.h"
#include "cli/watch_alerts.h"
#include "compare/aliases.h"
#include "compare/line_comparison.h"
#include "export/row_format.h"
#include "live/line_follower.h"
#include "live/line_movement.h"
#include "live/read_recorder.h"
#include "table/cp1251_text.h"
#include "table/odds_display.h"
#include "table/odds_table.h"

namespace lintaro::cli {

using http::TNetIdleHook;
using readers::LineSession;
using readers::ReadLimits;
using table::CivilDate;
using table::Cp1251ToUtf8;
using table::Decimal;
using table::DecimalFormat;
using table::DecimalFormatOf;
using table::GetField;
using table::IsoDateTimeText;
using table::IsQuotedPrice;
using table::kOddsFields;
using table::OddsRecord;
using table::OddsTable;
using table::StoredValue;
using worksheet::AppendJsonUtf8;
using worksheet::DecimalText;

const char kWatchUsage[] =
    R"(usage: lintaro-cli watch first|second|both [--every SECONDS] [--count N] [--db FILE]
                         [--demo [--events N] [--seed N] [--second-offset MINUTES]]
                         [--first-host HOST[:PORT]] [--second-host HOST[:PORT]]
                         [--today YYYY-MM-DD] [--max-size BYTES] [--timeout SECONDS]
                         [--stall-timeout SECONDS] [--alert CONDITION]...

Reads the bookmaker's line as a refresh of the window does, again and again until --count reads
are done or SIGINT (Ctrl-C) or SIGTERM arrives, which cancels the read under way. With --db each
read is appended to an SQLite database: a row in its table reads (id, time, bookmaker, host, rows,
outcome ok, failed or cancelled, message) and its rows in odds (read_id, then the 20 fields under
their JSON Lines names, then event_key, the event's identity as one number), one transaction per
read; an event sheet is stored only when it differs from the event's previous read. Without --db
it prints one JSON line per change since the last read that succeeded (the first read prints
nothing): a price, line or event that appeared or went.

watch both reads both bookmakers' lines at once every period, each with its own client, and
follows each on its own: a read of one that fails is recorded (and said) as failed, and the other
is recorded all the same. With --db the period is one transaction: the two reads (bookmaker first
and second, the same time) and, when both succeeded, the events matched between them as compare
matches them, one row each in the table pairs (first_read, second_read, first_key, second_key:
the reads' ids and the events' event_key at each bookmaker; score; margin, the match-result margin
at the better prices; surebet, the best surebet's profit as a fraction, or NULL). The bookmakers
write an event in two languages, so SQL cannot join their rows itself; through pairs it can, e.g.
the history of the first's and the second's P1 of every matched event:
  SELECT r.time, a.team_h_name, a.team_g_name, a.P1, b.P1, p.surebet FROM pairs p
    JOIN reads r ON r.id = p.first_read
    JOIN odds a ON a.read_id = p.first_read AND a.event_key = p.first_key
    JOIN odds b ON b.read_id = p.second_read AND b.event_key = p.second_key
    ORDER BY r.id, a.sport_event_date;
Without --db each change line gets the key "bookmaker" ("first" or "second") after "time".

--alert CONDITION (repeatable) watches for a price or a surebet. Each alert fires once, at the
first read that meets it, and prints one JSON line then: time, alert (the condition as given),
bookmaker ("first", "second", or "both" for a surebet), the event's sport_type_name,
competition_name, team_h_name, team_g_name and sport_event_date, field (the price's name or
"surebet") and value (the price, or the surebet's profit in percent). With --alert standard output
has these lines only (no change lines; --db records as ever). CONDITION is
  [first:|second:]FIELD[ [LINE] ]>=VALUE[@EVENT]   the price rises to VALUE or above (<= to VALUE
                                                   or below); FIELD is P1 X P2 PX1 P2X P12 F1 F2
                                                   TM TB, LINE the handicap or total line it must
                                                   be at, first: or second: the bookmaker's line
                                                   (default: either line watched)
  surebet[>=PERCENT][@EVENT]                       a surebet between the two lines (watch both),
                                                   at least PERCENT % profit when given
VALUE and PERCENT are numbers above 0 and at most 1000 ("." or "," as the decimal mark). EVENT is
"HOME - GUEST", each a part of that team's name (letter case aside, the first bookmaker's names for
a surebet), or one text either team's name contains; without @EVENT any event of the line meets
the condition. E.g. --alert 'P1>=2.5@Спартак - ЦСКА' --alert 'surebet>=1.5'.

options:
  --every SECONDS            from the start of one read to the start of the next, 0 to 86400
                             (default 60; a read that takes longer is followed at once)
  --count N                  stop after N reads (of each line), 1 or more (default: until
                             stopped)
  --db FILE                  record into FILE, created when missing, in WAL mode; a file that is
                             read-only, not an SQLite database, holds tables reads, odds or pairs
                             of another shape, or stays locked for 5 s is refused before anything
                             is written
  --demo                     read the built-in demo line, started on a free loopback port and
                             moving: each read is its next generation (not with --first-host or
                             --second-host)
  --events N, --seed N, --second-offset MINUTES
                             with --demo: the demo line's size, seed and the second bookmaker's
                             clock against the first's, as for compare
  --first-host HOST[:PORT]   the first bookmaker's host (default www.marathonbet.com, port 80)
  --second-host HOST[:PORT]  the second bookmaker's host (default www.pinnaclesports.com, port 80)
  --today YYYY-MM-DD         the local date the readers take as today (default: the local date)
  --max-size BYTES           as for load
  --timeout SECONDS          fail a read that takes longer than SECONDS in all (default 600, or
                             --every when that is shorter and not 0; 0: no limit)
  --stall-timeout SECONDS    fail a read that receives nothing for SECONDS (default 60; 0: no
                             limit)
  --alert CONDITION          print a JSON line when CONDITION is first met (see above)
  --help                     show this help and exit

A read that fails (the reader's message, a page cut short, a read out of time, or a line without
events) is recorded as failed, its message goes to standard error (after "the first bookmaker's
line: " or "the second bookmaker's line: " with both), and the next read goes ahead; it is never
compared with. A read that cannot be recorded because another program keeps the database locked
for 5 s is rolled back and the next one goes ahead.

exit status: 0 the reads were done, or a signal stopped them (the read under way is recorded as
cancelled); 1 the database could not be opened or written (a full disk: the read under way is
rolled back, the earlier ones stay), or the demo server or standard output failed; 2 a usage
mistake.
)";

namespace {

namespace chr = std::chrono;

// What the stop signals reach: the cancel of each client's idle hook (an atomic flag, safe in a
// signal handler) and a pipe that wakes the wait between reads.
TNetIdleHook* g_cancel_hooks[2] = {nullptr, nullptr};
int g_wake_fd = -1;
volatile sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int) {
    const int saved_errno = errno;
    g_stop = 1;
    for (TNetIdleHook* hook : g_cancel_hooks) {
        if (hook) hook->RequestCancel();
    }
    if (g_wake_fd >= 0) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(g_wake_fd, &wake, 1);
    }
    errno = saved_errno;
}

// Takes SIGINT and SIGTERM for the run and gives them back to their defaults at its end.
class StopSignals {
  public:
    // `second` is the hook of the second line's client when both are read, else nullptr.
    StopSignals(TNetIdleHook& first, TNetIdleHook* second) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            throw std::runtime_error(std::string("Cannot set up the stop signals: ") +
                                     std::strerror(errno));
        }
        wake_read_ = fds[0];
        g_wake_fd = fds[1];
        g_cancel_hooks[0] = &first;
        g_cancel_hooks[1] = second;
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
        g_cancel_hooks[0] = g_cancel_hooks[1] = nullptr;
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

std::string DecimalJson(const std::optional<Decimal>& value) {
    return value ? DecimalText(*value) : "null";
}

// One change line: the read's time, the bookmaker when both are watched, the event's identity, the
// field and its two values.
void AppendChange(std::string& out, const std::string& time, const std::string& bookmaker,
                  const live::EventIdentity& event, const char* field, const std::string& old_value,
                  const std::string& new_value) {
    out += "{\"time\":";
    AppendJsonUtf8(out, time);
    if (!bookmaker.empty()) {
        out += ",\"bookmaker\":";
        AppendJsonUtf8(out, bookmaker);
    }
    AppendEventJson(out, event);
    out += ",\"field\":\"";
    out += field;
    out += "\",\"old\":" + old_value + ",\"new\":" + new_value + "}\n";
}

// The changes of `rows` (the current read) against the previous read: the moved fields of each
// event in reading order, an event that appeared ("old" null, "new" true), then the events that
// went ("old" true, "new" null), one line per row.
std::string ChangeLines(const std::string& time, const std::string& bookmaker,
                        const live::LineMovement& movement, const std::vector<OddsRecord>& rows) {
    std::string out;
    for (const OddsRecord& row : rows) {
        const auto marks = movement.Find(row);
        if (!marks) continue;
        const live::EventIdentity event = live::EventIdentity::Of(row);
        if (marks->Change() == live::EventChange::kNew) {
            AppendChange(out, time, bookmaker, event, "event", "null", "true");
            continue;
        }
        for (int field = live::kFirstPriceField;
             field < live::kFirstPriceField + live::kPriceFieldCount; ++field) {
            const live::PriceMove move = marks->Move(field);
            if (move == live::PriceMove::kUnchanged) continue;
            const StoredValue now = GetField(row, field);
            const auto* decimal = std::get_if<Decimal>(&now);
            // A price of at most 1.0 is no price (the tennis draw is stored as 0): null, as the
            // old value of a price that was not quoted is.
            std::optional<Decimal> new_value =
                decimal ? std::optional<Decimal>(*decimal) : std::nullopt;
            if (DecimalFormatOf(field) == DecimalFormat::kPrice && !IsQuotedPrice(new_value)) {
                new_value.reset();
            }
            const std::optional<Decimal> old_value = marks->Previous(field);
            // A price under a moved line is marked as belonging to another bet, but a line saying
            // it went from 1.73 to 1.73 reads as a change that did not happen: the moved line has
            // its own change line (VF1, VF2, VT).
            if (move == live::PriceMove::kLineChanged && old_value == new_value) continue;
            AppendChange(out, time, bookmaker, event, kOddsFields[field].name,
                         DecimalJson(old_value), DecimalJson(new_value));
        }
    }
    for (size_t i = 0; i < movement.Gone().size(); ++i) {
        for (int row = 0; row < movement.GoneRows()[i]; ++row) {
            AppendChange(out, time, bookmaker, movement.Gone()[i], "event", "true", "null");
        }
    }
    return out;
}

// An unattended read must end: a server that stops answering fails it, and the next read goes
// ahead. --timeout bounds the whole read, every page of it together.
ReadLimits WatchReadLimits(const Args& parsed, chr::seconds every) {
    constexpr long long kMaxSeconds = INT_MAX / 1000;
    long long whole = 600;
    if (every.count() > 0) whole = std::min<long long>(whole, every.count());
    ReadLimits limits;
    limits.whole_ms =
        static_cast<int>(WholeNumberOption(parsed, "--timeout", 0, kMaxSeconds, whole) * 1000);
    limits.stall_ms =
        static_cast<int>(WholeNumberOption(parsed, "--stall-timeout", 0, kMaxSeconds, 60) * 1000);
    return limits;
}

void PrintError(const std::string& utf8) {
    std::cerr << "lintaro-cli: " << OneLine(utf8) << std::endl;
}

// One bookmaker's line as the run follows it, and its read of the period under way.
struct WatchedSide {
    int bookmaker = 0;  // 0 the first, 1 the second
    LineSource* source = nullptr;
    // Decides what each read came to and what changed since the last read that succeeded.
    live::LineFollower follower{{.keep_gone_identities = true}};

    live::ReadRecord read;
    OddsTable table;
    live::FollowedRead followed;
    bool tell = false;  // the read's message is to be said on standard error
};

// One read of the side's line into its table: the read's outcome and message, as its follower
// decides them. Runs on its own thread when both lines are read, so it prints nothing.
void ReadOnce(WatchedSide& side, CivilDate today) {
    LineSource& source = *side.source;
    live::ReadRecord& read = side.read;
    source.idle_hook.BindToCurrentThread();
    side.table.ResetTable();
    CliReaderUi ui(today);
    side.follower.Begin(live::LineFollower::Telling::kEvery);
    source.session.Load(side.bookmaker, side.table, ui);
    for (const std::string& message : ui.messages) {
        side.follower.Report();
        if (!read.message.empty()) read.message += "\n";
        read.message += Cp1251ToUtf8(message);
    }
    live::ReadEnd end;
    end.cancelled = source.idle_hook.CancelRequested();
    side.followed = side.follower.Finish(end, side.table.Rows(), read.time);
    const live::FollowedRead& followed = side.followed;
    // An empty line says more about the bookmaker's site than about its events: it is not taken
    // for every event gone.
    if (followed.verdict == live::ReadVerdict::kEmpty) read.message = "the line had no events";
    read.outcome = followed.verdict == live::ReadVerdict::kCancelled ? "cancelled"
                   : followed.Succeeded()                            ? "ok"
                                                                     : "failed";
    side.tell = followed.verdict == live::ReadVerdict::kReported || followed.tell_failure;
}

// Reads every side's line of one period, both at once when there are two (the second on a thread
// of its own, each with its own client), and says each failure on standard error, naming the
// bookmaker when both are watched.
void ReadPeriod(std::span<WatchedSide> sides, CivilDate today) {
    std::exception_ptr second_failure;
    std::thread second;
    if (sides.size() == 2) {
        second = std::thread([&] {
            try {
                ReadOnce(sides[1], today);
            } catch (...) {
                second_failure = std::current_exception();
            }
        });
    }
    try {
        ReadOnce(sides[0], today);
    } catch (...) {
        if (second.joinable()) {
            sides[1].source->idle_hook.RequestCancel();  // the run ends with this failure
            second.join();
        }
        throw;
    }
    if (second.joinable()) second.join();
    if (second_failure) std::rethrow_exception(second_failure);
    for (const WatchedSide& side : sides) {
        if (!side.tell) continue;
        PrintError(sides.size() == 1
                       ? side.read.message
                       : "the " + side.read.bookmaker + " bookmaker's line: " + side.read.message);
    }
}

// The events matched between the two reads of a period, for the pairs table: none unless both
// reads succeeded (a line cut short would leave its missing events unmatched).
std::vector<live::RecordedPair> MatchedPairs(const WatchedSide& first, const WatchedSide& second,
                                             const compare::Aliases* aliases) {
    std::vector<live::RecordedPair> pairs;
    if (!first.followed.Succeeded() || !second.followed.Succeeded()) return pairs;
    compare::LineOptions options;
    options.match.aliases = aliases;
    const compare::LineComparison comparison =
        compare::CompareLines(first.table.Rows(), second.table.Rows(), options);
    for (const compare::ComparedEvent& event : comparison.events) {
        if (event.first < 0 || event.second < 0 || !event.score) continue;
        live::RecordedPair pair;
        pair.first_row = static_cast<size_t>(event.first);
        pair.second_row = static_cast<size_t>(event.second);
        pair.score = *event.score;
        pair.margin = event.comparison.margin;
        for (const compare::Surebet& surebet : event.comparison.surebets) {
            if (!pair.surebet || surebet.profit > *pair.surebet) pair.surebet = surebet.profit;
        }
        pairs.push_back(pair);
    }
    return pairs;
}

// Records the period's reads (both, with their pairs, in one transaction). False when the run is
// to end: the database could not be written. A database kept busy costs the period only.
bool RecordPeriod(live::ReadRecorder& recorder, std::span<WatchedSide> sides,
                  const compare::Aliases* links, const std::string& time) {
    const bool both = sides.size() == 2;
    try {
        if (both) {
            recorder.AppendBoth(sides[0].read, sides[0].table.Rows(), sides[1].read,
                                sides[1].table.Rows(), MatchedPairs(sides[0], sides[1], links));
        } else {
            recorder.Append(sides[0].read, sides[0].table.Rows());
        }
    } catch (const live::ERecorderError& e) {
        const std::string reads =
            both ? "the reads of " + time + " were" : "the read of " + time + " was";
        if (e.kind() != live::ERecorderError::Kind::kBusy) {
            PrintError(std::string(e.what()) + "; " + reads + " rolled back");
            return false;
        }
        PrintError(std::string(e.what()) + "; " + reads + " not recorded, the next one goes ahead");
    }
    return true;
}

// Prints the change lines of each side whose read succeeded and follows one that did; false when
// standard output fails.
bool PrintChanges(std::span<const WatchedSide> sides, const std::string& time) {
    std::string lines;
    for (const WatchedSide& side : sides) {
        if (!side.followed.Succeeded() || !side.followed.movement->HasPrevious()) continue;
        lines += ChangeLines(time, sides.size() == 2 ? side.read.bookmaker : "",
                             *side.followed.movement, side.table.Rows());
    }
    if (std::fwrite(lines.data(), 1, lines.size(), stdout) != lines.size() ||
        std::fflush(stdout) != 0) {
        PrintError(FileFailure("write", "standard output"));
        return false;
    }
    return true;
}

// Prints the line of each alert that fired at this period; false when standard output fails.
bool PrintAlerts(WatchAlerts& alerts, std::span<const WatchedSide> sides,
                 const compare::Aliases* links, const std::string& time) {
    std::vector<WatchedRead> reads;
    for (const WatchedSide& side : sides) {
        reads.push_back({side.bookmaker, side.followed.Succeeded(), &side.table.Rows()});
    }
    const std::string lines = alerts.Check(time, reads, links);
    if (std::fwrite(lines.data(), 1, lines.size(), stdout) != lines.size() ||
        std::fflush(stdout) != 0) {
        PrintError(FileFailure("write", "standard output"));
        return false;
    }
    return true;
}

// The bookmakers the run watches: 0 or 1 for one of them, -1 for both.
int WatchedBookmaker(const std::vector<std::string>& positional) {
    if (positional.size() != 1) throw UsageError("watch needs a bookmaker: first, second or both");
    if (positional[0] == "both") return -1;
    if (positional[0] != "first" && positional[0] != "second") {
        throw UsageError("unknown bookmaker " + positional[0] + " (first, second or both)");
    }
    return BookmakerIndex(positional, "watch");
}

}  // namespace

int RunWatch(const std::vector<std::string>& args) {
    std::vector<std::string> options = args;
    const std::vector<std::string> alert_conditions = TakeRepeatedOption(options, "--alert");
    const Args parsed = ParseArgs(
        options,
        {"--every", "--count", "--db", "--first-host", "--second-host", "--today", "--max-size",
         "--timeout", "--stall-timeout", "--events", "--seed", "--second-offset"},
        {"--demo"});
    const int bookmaker = WatchedBookmaker(parsed.positional);
    const bool both = bookmaker < 0;
    WatchAlerts alerts(alert_conditions, both);
    const auto every = chr::seconds(WholeNumberOption(parsed, "--every", 0, 86'400, 60));
    const long long count = WholeNumberOption(parsed, "--count", 1, 1'000'000'000, 0);
    if (parsed.Has("--db") && parsed.Value("--db").empty()) {
        throw UsageError("--db needs a file name");
    }
    const CivilDate today = TodayOption(parsed);

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
    LineSource sources[2];
    SetUpLineSource(parsed, today, true, sources[0]);
    if (both) SetUpSharedLineSource(parsed, sources[0], sources[1]);
    WatchedSide sides[2];
    const std::span<WatchedSide> watched(sides, both ? 2 : 1);
    for (size_t i = 0; i < watched.size(); ++i) {
        watched[i].bookmaker = both ? static_cast<int>(i) : bookmaker;
        watched[i].source = &sources[i];
        sources[i].session.SetReadLimits(WatchReadLimits(parsed, every));
    }
    const StopSignals signals(sources[0].idle_hook, both ? &sources[1].idle_hook : nullptr);
    // The matcher takes the user's links between names, as compare does.
    const compare::AliasesLoad aliases = both ? LoadUserAliases() : compare::AliasesLoad{};
    const compare::Aliases* links = aliases.aliases.Empty() ? nullptr : &aliases.aliases;

    auto next_start = chr::steady_clock::now();
    for (long long done = 0; (count == 0 || done < count) && !signals.Stopped(); ++done) {
        if (done > 0) {
            signals.WaitUntil(next_start);
            if (signals.Stopped()) break;
        }
        next_start = chr::steady_clock::now() + every;
        // The two reads of a period share its time.
        const std::string time = LocalTimeText(chr::system_clock::now());
        bool cancelled = false;
        for (WatchedSide& side : watched) {
            const LineSession& session = side.source->session;
            side.read = live::ReadRecord{};
            side.read.time = time;
            side.read.bookmaker = side.bookmaker == 0 ? "first" : "second";
            side.read.host = side.bookmaker == 0 ? session.first_host : session.second_host;
        }
        ReadPeriod(watched, today);
        for (const WatchedSide& side : watched) {
            cancelled = cancelled || side.followed.verdict == live::ReadVerdict::kCancelled;
        }
        if (recorder && !RecordPeriod(*recorder, watched, links, time)) return 1;
        // With alerts, standard output has their lines only.
        if (!recorder && alerts.Empty() && !PrintChanges(watched, time)) return 1;
        if (!alerts.Empty() && !PrintAlerts(alerts, watched, links, time)) return 1;
        if (cancelled) break;
    }
    return 0;
}

}  // namespace lintaro::cli
