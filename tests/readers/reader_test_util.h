// Helpers shared by the reader tests: a recording stand-in for the window, and decimal and date
// accessors for stored rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "readers/event_date.h"
#include "readers/reader_context.h"
#include "table/odds_table.h"

namespace lintaro::testing_util {

class FakeUi : public readers::ReaderUi {
  public:
    explicit FakeUi(table::CivilDate today) : today_(today) {}
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetWaitCursor(bool on) override { cursor_changes.push_back(on); }
    table::CivilDate Today() override { return today_; }

    std::vector<std::string> messages;
    std::vector<bool> cursor_changes;

  private:
    table::CivilDate today_;
};

// A stored decimal as a double, or nullopt for null.
inline std::optional<double> Value(const std::optional<table::Decimal>& field) {
    if (!field) return std::nullopt;
    return field->ToDouble();
}

// The stored date-time of a local date and time.
inline table::DateTime At(table::CivilDate date, int hour, int minute) {
    return table::DateTime{(readers::DaysSinceEpoch(date) * 86400 + hour * 3600 + minute * 60) *
                           1000};
}

}  // namespace lintaro::testing_util
