// Alerts on the line: "tell me when this price reaches 2.50", "when a surebet appears on this
// event", "when any surebet above 3% appears". A condition is checked against every read (the
// window after each refresh, lintaro-cli watch --alert after each period); an alert fires once, at
// the first read that meets it, and then stays fired with what it saw. Plain C++, shared by the
// window and the CLI.
//
//   std::vector<Alert> alerts = {Alert{ParseAlertCondition("P1>=2.5@ЦСКА - Спартак")}};
//   AlertRead read{.line = AlertLine::kFirst, .time = "10:42:05", .events = ...};
//   for (const AlertFiring& fired : CheckAlerts(alerts, read)) Tell(fired);
//
// Events. An alert set on a cell watches that event by its identity (sport, tournament, start and
// both teams: event_identity.h); a condition typed by hand names it by its teams instead (see
// EventText). Without either, any event of the line may meet it.
//
// The condition's text, as lintaro-cli watch --alert takes it (spaces around the parts allowed):
//   [first:|second:]FIELD[ [LINE] ]>=VALUE|<=VALUE[@EVENT]   a price reaches VALUE upwards or
//                                                            downwards; FIELD one of P1 X P2 PX1
//                                                            P2X P12 F1 F2 TM TB; LINE the
//                                                            handicap or total line it is at
//   surebet[>=PERCENT][@EVENT]                               a surebet (above PERCENT % profit)
// VALUE and PERCENT are decimals above 0 and at most 1000 ("." or "," as the mark, at most four
// decimals). EVENT is "HOME - GUEST" (each side a part of that team's name, letter case aside), or
// one text that either team's name contains.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "live/event_identity.h"
#include "table/odds_table.h"

namespace lintaro::live {

// A condition's text that cannot be read; the message says what is wrong (UTF-8).
class EAlertCondition : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Which line's prices an alert watches.
enum class AlertLine : uint8_t {
    kAny,       // whichever line is read (a condition typed without a bookmaker)
    kFirst,     // the first bookmaker's
    kSecond,    // the second bookmaker's
    kCompared,  // both compared: the better price of the two, and the surebets
};

enum class AlertKind : uint8_t {
    kPrice,    // a price reaches a value
    kSurebet,  // a surebet appears (at least a profit)
};

// Which way a price is to pass its value.
enum class AlertDirection : uint8_t {
    kAtLeast,  // rises to the value or above
    kAtMost,   // falls to the value or below
};

// What an alert waits for.
struct AlertCondition {
    AlertKind kind = AlertKind::kPrice;
    AlertLine line = AlertLine::kAny;
    // kPrice: the price field (an index into kOddsFields: P1 ... TB, never a line field) and, for a
    // handicap or total price, the line it must be at (none: at whatever line).
    int field = -1;
    std::optional<table::Decimal> at_line;
    AlertDirection direction = AlertDirection::kAtLeast;
    // kPrice: the price; kSurebet: the least profit in percent (none: any surebet).
    std::optional<table::Decimal> value;
    // The one event watched (set from a cell), else none.
    std::optional<EventIdentity> event;
    // Or the event named by its teams (Windows-1251): "HOME - GUEST" or one text; empty for any.
    std::string event_text;

    friend bool operator==(const AlertCondition&, const AlertCondition&) = default;
};

// What an alert saw when it fired.
struct AlertFired {
    std::string time;      // the read's time, as the caller gave it
    table::Decimal value;  // the price, or the surebet's profit in percent (0.0001 steps)
    EventIdentity event;   // the event that met the condition
    friend bool operator==(const AlertFired&, const AlertFired&) = default;
};

struct Alert {
    AlertCondition condition;
    std::optional<AlertFired> fired;  // none while it waits
    friend bool operator==(const Alert&, const Alert&) = default;
};

// One event of a read as the alerts see it.
struct AlertEvent {
    const table::OddsRecord* row = nullptr;  // its prices on the line read (not owned)
    // The profit of its best surebet as a fraction (0.02 is 2%), when the read compares both
    // lines and the event has one.
    std::optional<double> surebet;
};

struct AlertRead {
    AlertLine line = AlertLine::kFirst;  // whose line was read (never kAny)
    std::string time;                    // given back in AlertFired
    std::vector<AlertEvent> events;
};

// An alert that fired at this read.
struct AlertFiring {
    size_t alert = 0;  // its index in the alerts given
    const table::OddsRecord* row = nullptr;
};

// Checks every alert that still waits against `read`: the first event (in the read's order) that
// meets one fires it, setting its `fired`. Returns the alerts that fired now, in their order. An
// alert of another line than the read's waits on, as does one fired before.
std::vector<AlertFiring> CheckAlerts(std::vector<Alert>& alerts, const AlertRead& read);

// Whether `event` meets `condition` on its own (line aside); the value it met it with.
std::optional<table::Decimal> MeetsCondition(const AlertCondition& condition,
                                             const AlertEvent& event);

// The value of an alert's field as a person types it: a decimal above 0 and at most 1000, "." or
// "," as the decimal mark, at most four decimals, no sign, no spaces inside. None for anything
// else (0, a negative number, text, more than 1000).
std::optional<table::Decimal> ParseAlertValue(std::string_view text);
inline constexpr int64_t kAlertValueLimit = 1000 * table::kDecimalScale;

// Whether `text` could still become a value as more is typed (empty, "0", "2.", ...) although it
// is none yet: what a field lets the user go on typing.
bool IsAlertValuePrefix(std::string_view text);

// Reads a condition written as above (UTF-8; the team names are converted to Windows-1251).
// Throws EAlertCondition naming what is wrong.
AlertCondition ParseAlertCondition(std::string_view text);

// The condition written back in that form (UTF-8): "P1>=2.5@ЦСКА - Спартак". An alert set on an
// event writes its teams as EVENT.
std::string AlertConditionText(const AlertCondition& condition);

// Whether the event row `row` is named by `event_text` (Windows-1251, as in AlertCondition).
bool EventTextMatches(std::string_view event_text, const table::OddsRecord& row);

// The price field's index for its name ("P1", ... "TB"; exact), or -1.
int AlertPriceField(std::string_view name);
// The line field a price field is at (VF1 for F1, VF2 for F2, VT for TM and TB), or -1.
int AlertLineField(int price_field);

}  // namespace lintaro::live
