// The odds table: Lintaro's only data store, one row per sporting event, filled by the line readers
// and shown by the grid. Plain C++ so that readers, the CLI and tests use it without a window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lintaro {

// What InsertRow and DeleteCurrentRow raise; the message is complete ("cds_Data: Cannot ...").
class ETableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class FieldKind { kText, kDateTime, kDecimal, kInteger };

struct FieldDef {
    const char* name;  // "sport_type_name", ..., "dop_info"
    FieldKind kind;
    int size;          // characters of a text field, 0 for the others
};

inline constexpr int kOddsFieldCount = 20;
// The 20 fields of OddsRecord in their fixed order (the order InsertRow takes values in).
extern const std::array<FieldDef, kOddsFieldCount> kOddsFields;

// A decimal as stored: the value times 10 000, so the step is exactly 0.0001.
struct Decimal {
    int64_t scaled = 0;
    double ToDouble() const { return static_cast<double>(scaled) / 10000.0; }
    friend bool operator==(Decimal, Decimal) = default;
};

// A local date-time as stored: milliseconds since 30 December 1899 00:00 (may be negative).
struct DateTime {
    int64_t ms = 0;
    friend bool operator==(DateTime, DateTime) = default;
};

// One row: every field may be null (std::nullopt). Texts are Windows-1251 bytes.
struct OddsRecord {
    std::optional<std::string> sport_type_name;
    std::optional<std::string> competition_name;
    std::optional<DateTime> sport_event_date;
    std::optional<std::string> team_h_name;
    std::optional<std::string> team_g_name;
    std::optional<Decimal> P1, X, P2, PX1, P2X, P12, F1, VF1, F2, VF2, TM, TB, VT;
    std::optional<int32_t> Key_ID;
    std::optional<std::string> dop_info;
};

// A value handed to InsertRow. Which alternative a field accepts follows its kind:
//   text field     <- std::string
//   date-time      <- double (days since 30 December 1899, the fraction is the time of day)
//   decimal        <- double, or Null
//   integer        <- int32_t
// Unassigned (the default) leaves the field null, as does Null.
struct Unassigned {};
struct Null {};
using FieldValue = std::variant<Unassigned, Null, std::string, double, int32_t>;

// Notifications a view can observe. `RowsChanged` is sent once per change while display is not
// suspended, and once when the last ResumeDisplay lifts the suspension of an open table.
struct OddsTableObserver {
    virtual ~OddsTableObserver() = default;
    virtual void TableReset() {}     // ResetTable closed and reopened the table
    virtual void RowsChanged() {}    // rows were added or removed: reload them
};

class OddsTable {
public:
    // Starts closed: no rows, no current row.
    OddsTable();

    // Closes (dropping every row) and reopens the table, empty, with no current row.
    void ResetTable();
    bool IsOpen() const;

    // Stores a row built from `values` in field order (fewer than 20 leave the rest null) by the
    // storage rules of each field kind; the new row becomes the current row. Throws ETableError when
    // the table is closed, a decimal is 1 000 000 or more in magnitude, a value does not suit its
    // field, or more than 20 values are given; the table is then unchanged.
    void InsertRow(const std::vector<FieldValue>& values);

    // Removes the current row; a neighbour becomes current. Throws ETableError on a closed or
    // empty table.
    void DeleteCurrentRow();

    // Nesting counter for change notifications (see OddsTableObserver).
    void SuspendDisplay();
    void ResumeDisplay();

    // The stored text of the named field in the current row; "" when null, when the field is not a
    // text field, or when there is no current row.
    std::string FieldText(std::string_view field_name) const;

    // Rows in the table's order (the order they were inserted at the current position).
    const std::vector<OddsRecord>& Rows() const { return rows_; }
    // Index of the current row in Rows(), or -1 when there is none.
    int CurrentRow() const { return current_; }
    void SetCurrentRow(int index);  // the grid moves the current row; out of range -> ignored

    void SetObserver(OddsTableObserver* observer) { observer_ = observer; }

private:
    void Notify();

    bool open_ = false;
    std::vector<OddsRecord> rows_;
    int current_ = -1;
    int suspend_count_ = 0;
    bool changing_ = false;
    OddsTableObserver* observer_ = nullptr;
};

}  // namespace lintaro
