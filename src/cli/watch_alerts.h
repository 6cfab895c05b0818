// lintaro-cli watch --alert: the alerts a run checks after each period, and the JSON line it prints
// for each alert that fires (live/alerts.h holds the conditions, shared with the window).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compare/aliases.h"
#include "live/alerts.h"
#include "table/odds_table.h"

namespace lintaro::cli {

// Takes every "NAME VALUE" and "NAME=VALUE" of the option `name` ("--alert") out of `args` (before
// a "--") and returns the values in the order given: such an option may be repeated, where the
// others keep their last value. Throws UsageError for the option without a value.
std::vector<std::string> TakeRepeatedOption(std::vector<std::string>& args, std::string_view name);

// Appends an event's identity to a JSON line being written, comma first:
// ,"sport_type_name":...,"competition_name":...,"team_h_name":...,"team_g_name":...,
// "sport_event_date":... (UTF-8; null for a missing field). The change lines and the alert lines
// of watch name an event alike.
void AppendEventJson(std::string& out, const live::EventIdentity& event);

// One bookmaker's read of a period, as the alerts see it.
struct WatchedRead {
    int bookmaker = 0;  // 0 the first, 1 the second
    bool succeeded = false;
    const std::vector<table::OddsRecord>* rows = nullptr;
};

class WatchAlerts {
  public:
    // Reads the conditions (UTF-8); `both` when the run watches both lines. Throws UsageError for
    // a condition that cannot be read, and for a surebet's without both lines.
    WatchAlerts(const std::vector<std::string>& conditions, bool both);

    bool Empty() const { return alerts_.empty(); }
    // Checks the alerts that wait against the reads of one period that succeeded (and, when both
    // did, the surebets of the events matched between them, with the user's `links`), and returns
    // one JSON line per alert that fired, in the order the alerts were given.
    std::string Check(const std::string& time, const std::vector<WatchedRead>& reads,
                      const compare::Aliases* links);

  private:
    std::vector<std::string> texts_;  // each as given
    std::vector<live::Alert> alerts_;
};

}  // namespace lintaro::cli
