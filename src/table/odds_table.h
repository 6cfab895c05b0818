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

#include "table/date_time.h"

namespace lintaro::table {

// What the table raises; the message is complete ("cds_Data: Cannot ...").
class ETableError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class FieldKind { kText, kDateTime, kDecimal, kInteger };

struct FieldDef {
    const char* name;  // "sport_type_name", ..., "dop_info"
    FieldKind kind;
    int size;  // characters of a text field, 0 for the others
};

inline constexpr int kOddsFieldCount = 20;
// The 20 fields of OddsRecord in their fixed order (the order InsertRow takes values in).
extern const std::array<FieldDef, kOddsFieldCount> kOddsFields;

// Index of the named field in kOddsFields (exact, case-sensitive name), or -1.
int FieldIndex(std::string_view name);

// A decimal as stored: the value times 10 000, so the step is exactly 0.0001. A stored decimal's
// magnitude is below 1 000 000 (kDecimalLimit scaled units).
struct Decimal {
    int64_t scaled = 0;
    double ToDouble() const { return static_cast<double>(scaled) / 10000.0; }
    friend bool operator==(Decimal, Decimal) = default;
};
inline constexpr int64_t kDecimalScale = 10'000;
inline constexpr int64_t kDecimalLimit = 1'000'000 * kDecimalScale;

// Whether a stored price is a price one can bet at. A price of at most 1.0 returns no more than
// the stake, so no bookmaker quotes one: it stands for an outcome not offered (the second
// bookmaker's reader stores the tennis draw as 0). Such a price shows as an empty cell and counts
// as no price wherever prices are compared or summed; it stays stored as read.
inline bool IsQuotedPrice(const std::optional<Decimal>& price) {
    return price && price->scaled > kDecimalScale;
}

// `value` rounded to the nearest 0.0001 (an exact tie to the even last digit, judged on the
// double's exact value), or nullopt for NaN, an infinity, or a result of magnitude 1 000 000 or
// more.
std::optional<Decimal> DecimalFromDouble(double value);

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
    friend bool operator==(const OddsRecord&, const OddsRecord&) = default;
};

// Read access to a field of a row by its index in kOddsFields: monostate for null, otherwise the
// alternative of the field's kind (the string_view points into the row).
using StoredValue = std::variant<std::monostate, std::string_view, DateTime, Decimal, int32_t>;
StoredValue GetField(const OddsRecord& row, int field_index);

// A value handed to InsertRow. Which alternative a field accepts follows its kind:
//   text field     <- std::string
//   date-time      <- double (days since 30 December 1899, the fraction is the time of day)
//   decimal        <- double, or Null
//   integer        <- int32_t
// An int32_t is also taken by a decimal or date-time field, as the same number. Unassigned (the
// default) leaves the field null, as does Null; any other pairing fails the insertion.
struct Unassigned {};
struct Null {};
using FieldValue = std::variant<Unassigned, Null, std::string, double, int32_t>;

// Notifications a view can observe. They are sent after the change is complete (an exception from
// an observer reaches the caller of the change, which has taken place). While display is suspended
// none is sent; when the last ResumeDisplay lifts the suspension of an open table, RowsChanged is
// sent once. An observer may move the current row but not change the table.
struct OddsTableObserver {
    virtual ~OddsTableObserver() = default;
    virtual void TableReset() {}   // ResetTable closed and reopened the table: drop every row
    virtual void RowsChanged() {}  // rows were added or removed: reload them all
};

class OddsTable {
  public:
    // Starts closed: no rows, no current row.
    OddsTable();

    // Closes (dropping every row) and reopens the table, empty, with no current row. Observers get
    // TableReset (unless display is suspended). The suspension count is kept.
    void ResetTable();
    bool IsOpen() const;

    // Stores a row built from `values` in field order (fewer than 20 leave the rest null):
    //   text       cut at the first NUL and at the field size, then trailing blanks (32) dropped;
    //              an empty result is the empty text, not null;
    //   decimal    rounded to 0.0001 (ties to even); a result of 1 000 000 or more in magnitude,
    //              NaN or an infinity fails;
    //   date-time  rounded to the millisecond; outside the years 1..9999, NaN or infinity fails.
    // The new row goes after the existing ones and becomes the current row. Throws ETableError when
    // the table is closed, a change notification is being delivered, a value fails its field's
    // rule or does not suit its field, or more than 20 values are given; the table is then
    // unchanged (rows, current row, no notification).
    void InsertRow(const std::vector<FieldValue>& values);
    void InsertRow(std::vector<FieldValue>&& values);  // the same, moving the texts

    // Removes the current row; the following row becomes current (the preceding one when the last
    // row was removed). Throws ETableError on a closed or empty table, or while a change
    // notification is being delivered.
    void DeleteCurrentRow();

    // Moves every row of `source` after this table's rows, in their order, and leaves `source` open
    // and empty. The last moved row becomes current (as if each had been inserted here); observers
    // get one RowsChanged, and none when `source` had no rows. This is how rows read elsewhere (the
    // refresh's own table on its worker thread) reach the table a view shows. Throws ETableError
    // when this table is closed or a change notification is being delivered; both tables are then
    // unchanged.
    void TakeRowsFrom(OddsTable& source);
    // The same for rows that already passed a table's rules elsewhere (rows of other tables,
    // merged or moved in time, as the comparison of two lines builds them): appended as they are,
    // the last becoming current, one RowsChanged unless `rows` is empty. Throws ETableError when
    // this table is closed or a change notification is being delivered; it is then unchanged.
    void AppendRows(std::vector<OddsRecord> rows);
    // Moves every row out, in order, leaving the table open (or closed, as it was) and empty, with
    // no current row and no notification: rows read elsewhere handed on without a copy.
    std::vector<OddsRecord> ReleaseRows();

    // Nesting counter for change notifications (see OddsTableObserver). ResumeDisplay does nothing
    // at zero. Prefer ScopedDisplaySuspension, which pairs them on every path.
    void SuspendDisplay();
    void ResumeDisplay();
    bool IsDisplaySuspended() const { return suspend_count_ > 0; }

    // The stored text of the named field in the current row; "" when null, when the field is not a
    // text field, or when there is no current row. Throws ETableError for a name that is not one
    // of the 20 fields.
    std::string FieldText(std::string_view field_name) const;

    // Rows in the order they were inserted (deleted ones taken out).
    const std::vector<OddsRecord>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Index of the current row in Rows(), or -1 when there is none.
    int CurrentRow() const { return current_; }
    // The grid moves the current row; an index out of range is ignored. Sends no notification.
    void SetCurrentRow(int index);

    // One observer at most (the grid's model); nullptr detaches it. Not owned.
    void SetObserver(OddsTableObserver* observer) { observer_ = observer; }

  private:
    void CheckOpen() const;
    void CheckNotNotifying() const;
    template <typename Values>
    void Insert(Values&& values);
    void Notify(void (OddsTableObserver::*event)());

    bool open_ = false;
    std::vector<OddsRecord> rows_;
    int current_ = -1;
    int suspend_count_ = 0;
    bool notifying_ = false;  // an observer is being called: changes are refused
    OddsTableObserver* observer_ = nullptr;
};

// Suspends display of `table` for its lifetime (SuspendDisplay now, ResumeDisplay when it ends).
class ScopedDisplaySuspension {
  public:
    explicit ScopedDisplaySuspension(OddsTable& table) : table_(table) { table_.SuspendDisplay(); }
    ~ScopedDisplaySuspension() {
        // An observer that throws from its reload cannot be reported from a destructor; the rows
        // themselves are intact either way.
        try {
            table_.ResumeDisplay();
        } catch (...) {
        }
    }
    ScopedDisplaySuspension(const ScopedDisplaySuspension&) = delete;
    ScopedDisplaySuspension& operator=(const ScopedDisplaySuspension&) = delete;

  private:
    OddsTable& table_;
};

}  // namespace lintaro::table
