// The odds table's storage rules, current row and change notifications. Rows live in one vector of
// plain records; a row whose value fails is taken out before the current row moves or anyone is
// told, so the table stays exactly as it was.
#include "table/odds_table.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "table/exact_rounding.h"

namespace lintaro::table {

const std::array<FieldDef, kOddsFieldCount> kOddsFields = {{
    {"sport_type_name", FieldKind::kText, 255},
    {"competition_name", FieldKind::kText, 255},
    {"sport_event_date", FieldKind::kDateTime, 0},
    {"team_h_name", FieldKind::kText, 255},
    {"team_g_name", FieldKind::kText, 255},
    {"P1", FieldKind::kDecimal, 0},
    {"X", FieldKind::kDecimal, 0},
    {"P2", FieldKind::kDecimal, 0},
    {"PX1", FieldKind::kDecimal, 0},
    {"P2X", FieldKind::kDecimal, 0},
    {"P12", FieldKind::kDecimal, 0},
    {"F1", FieldKind::kDecimal, 0},
    {"VF1", FieldKind::kDecimal, 0},
    {"F2", FieldKind::kDecimal, 0},
    {"VF2", FieldKind::kDecimal, 0},
    {"TM", FieldKind::kDecimal, 0},
    {"TB", FieldKind::kDecimal, 0},
    {"VT", FieldKind::kDecimal, 0},
    {"Key_ID", FieldKind::kInteger, 0},
    {"dop_info", FieldKind::kText, 4000},
}};

namespace {

constexpr char kTableName[] = "cds_Data";
constexpr int kFirstDecimalField = 5;  // P1; the 13 decimals are consecutive up to VT

using TextMember = std::optional<std::string> OddsRecord::*;
using DecimalMember = std::optional<Decimal> OddsRecord::*;

constexpr std::array<DecimalMember, 13> kDecimalMembers = {
    &OddsRecord::P1,  &OddsRecord::X,  &OddsRecord::P2,  &OddsRecord::PX1, &OddsRecord::P2X,
    &OddsRecord::P12, &OddsRecord::F1, &OddsRecord::VF1, &OddsRecord::F2,  &OddsRecord::VF2,
    &OddsRecord::TM,  &OddsRecord::TB, &OddsRecord::VT,
};

TextMember TextMemberOf(int field_index) {
    switch (field_index) {
        case 0:
            return &OddsRecord::sport_type_name;
        case 1:
            return &OddsRecord::competition_name;
        case 3:
            return &OddsRecord::team_h_name;
        case 4:
            return &OddsRecord::team_g_name;
        default:
            return &OddsRecord::dop_info;
    }
}

[[noreturn]] void Fail(const std::string& message) {
    throw ETableError(std::string(kTableName) + ": " + message);
}

[[noreturn]] void FailField(int field_index, const std::string& message) {
    Fail("Field '" + std::string(kOddsFields[field_index].name) + "' " + message);
}

std::string NumberText(double value) {
    char buffer[64];
    // Plain digits for the magnitudes a page could hold, the shortest exact form either way.
    const auto format =
        std::fabs(value) < 1e15 ? std::chars_format::fixed : std::chars_format::general;
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, result.ptr);
}

// Length of the stored part of a text: up to the first NUL, at most `size` characters, without the
// blanks at the end.
size_t StoredLength(std::string_view text, int size) {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    size_t length = nul ? static_cast<const char*>(nul) - text.data() : text.size();
    if (length > static_cast<size_t>(size)) length = size;
    while (length > 0 && text[length - 1] == ' ') --length;
    return length;
}

const char* KindOfValue(const FieldValue& value) {
    if (std::holds_alternative<std::string>(value)) return "a text";
    if (std::holds_alternative<double>(value)) return "a floating-point number";
    return "an integer";
}

// Stores one value into its field of `row` by the field kind's rule; throws on a failing value.
template <typename Value>
void AssignField(OddsRecord& row, int field_index, Value&& value) {
    if (std::holds_alternative<Unassigned>(value) || std::holds_alternative<Null>(value)) return;
    const FieldDef& field = kOddsFields[field_index];
    switch (field.kind) {
        case FieldKind::kText: {
            if (!std::holds_alternative<std::string>(value)) break;
            auto&& text = std::get<std::string>(std::forward<Value>(value));
            const size_t length = StoredLength(text, field.size);
            auto& slot = row.*TextMemberOf(field_index);
            constexpr bool kCanMove = !std::is_const_v<std::remove_reference_t<Value>> &&
                                      !std::is_lvalue_reference_v<Value>;
            // A moved text keeps its buffer, so one that loses much (a 1 MB sheet cut to 4000
            // characters) is copied instead: a row never holds more memory than its texts need.
            if (kCanMove && text.size() - length <= 64) {
                slot.emplace(std::move(text));
                slot->resize(length);
            } else {
                slot.emplace(text.data(), length);
            }
            return;
        }
        case FieldKind::kDecimal: {
            double number;
            if (const double* d = std::get_if<double>(&value)) {
                number = *d;
            } else if (const int32_t* i = std::get_if<int32_t>(&value)) {
                number = *i;
            } else {
                break;
            }
            int64_t scaled;
            if (!RoundScaledTiesToEven(number, kDecimalScale, kDecimalLimit, &scaled)) {
                if (!std::isfinite(number))
                    FailField(field_index, "cannot hold " + NumberText(number));
                FailField(field_index, "cannot hold " + NumberText(number) +
                                           ": the magnitude must stay below 1000000");
            }
            row.*kDecimalMembers[field_index - kFirstDecimalField] = Decimal{scaled};
            return;
        }
        case FieldKind::kDateTime: {
            double days;
            if (const double* d = std::get_if<double>(&value)) {
                days = *d;
            } else if (const int32_t* i = std::get_if<int32_t>(&value)) {
                days = *i;
            } else {
                break;
            }
            const std::optional<DateTime> moment = DateTimeFromDays(days);
            if (!moment) {
                FailField(field_index, "cannot hold the day count " + NumberText(days) +
                                           ": it lies outside the years 1 to 9999");
            }
            row.sport_event_date = *moment;
            return;
        }
        case FieldKind::kInteger: {
            const int32_t* integer = std::get_if<int32_t>(&value);
            if (!integer) break;
            row.Key_ID = *integer;
            return;
        }
    }
    FailField(field_index, std::string("cannot hold ") + KindOfValue(value) + " value");
}

}  // namespace

int FieldIndex(std::string_view name) {
    for (int i = 0; i < kOddsFieldCount; ++i) {
        if (name == kOddsFields[i].name) return i;
    }
    return -1;
}

std::optional<Decimal> DecimalFromDouble(double value) {
    Decimal decimal;
    if (!RoundScaledTiesToEven(value, kDecimalScale, kDecimalLimit, &decimal.scaled)) {
        return std::nullopt;
    }
    return decimal;
}

StoredValue GetField(const OddsRecord& row, int field_index) {
    if (field_index < 0 || field_index >= kOddsFieldCount) return std::monostate{};
    switch (kOddsFields[field_index].kind) {
        case FieldKind::kText: {
            const auto& text = row.*TextMemberOf(field_index);
            if (!text) return std::monostate{};
            return std::string_view(*text);
        }
        case FieldKind::kDecimal: {
            const auto& decimal = row.*kDecimalMembers[field_index - kFirstDecimalField];
            if (!decimal) return std::monostate{};
            return *decimal;
        }
        case FieldKind::kDateTime:
            if (!row.sport_event_date) return std::monostate{};
            return *row.sport_event_date;
        case FieldKind::kInteger:
            if (!row.Key_ID) return std::monostate{};
            return *row.Key_ID;
    }
    return std::monostate{};
}

OddsTable::OddsTable() = default;

bool OddsTable::IsOpen() const { return open_; }

void OddsTable::CheckOpen() const {
    if (!open_) Fail("Cannot perform this operation on a closed dataset");
}

void OddsTable::CheckNotNotifying() const {
    // A view that changed the table from inside a change notification would recurse without end.
    if (notifying_) Fail("Cannot change the table while a change of it is being reported");
}

void OddsTable::ResetTable() {
    CheckNotNotifying();
    open_ = false;
    rows_.clear();
    current_ = -1;
    open_ = true;
    Notify(&OddsTableObserver::TableReset);
}

template <typename Values>
void OddsTable::Insert(Values&& values) {
    CheckOpen();
    CheckNotNotifying();
    if (values.size() > kOddsFieldCount) {
        Fail("Cannot store " + std::to_string(values.size()) + " values: the table has " +
             std::to_string(kOddsFieldCount) + " fields");
    }
    // The row is filled in its place at the end, saving a move of the whole record; a value that
    // fails takes it out again before anything else has seen it.
    OddsRecord& row = rows_.emplace_back();
    try {
        for (size_t i = 0; i < values.size(); ++i) {
            if constexpr (std::is_const_v<std::remove_reference_t<Values>> ||
                          std::is_lvalue_reference_v<Values>) {
                AssignField(row, static_cast<int>(i), values[i]);
            } else {
                AssignField(row, static_cast<int>(i), std::move(values[i]));
            }
        }
    } catch (...) {
        rows_.pop_back();
        throw;
    }
    current_ = static_cast<int>(rows_.size()) - 1;
    Notify(&OddsTableObserver::RowsChanged);
}

void OddsTable::InsertRow(const std::vector<FieldValue>& values) { Insert(values); }

void OddsTable::InsertRow(std::vector<FieldValue>&& values) { Insert(std::move(values)); }

void OddsTable::DeleteCurrentRow() {
    CheckOpen();
    CheckNotNotifying();
    if (rows_.empty()) Fail("Cannot perform this operation on an empty dataset");
    rows_.erase(rows_.begin() + current_);
    if (current_ >= static_cast<int>(rows_.size())) current_ = static_cast<int>(rows_.size()) - 1;
    Notify(&OddsTableObserver::RowsChanged);
}

void OddsTable::TakeRowsFrom(OddsTable& source) {
    CheckOpen();
    CheckNotNotifying();
    if (&source == this || source.rows_.empty()) return;
    if (rows_.empty()) {
        rows_ = std::move(source.rows_);
    } else {
        rows_.insert(rows_.end(), std::make_move_iterator(source.rows_.begin()),
                     std::make_move_iterator(source.rows_.end()));
    }
    source.rows_.clear();
    source.current_ = -1;
    current_ = static_cast<int>(rows_.size()) - 1;
    Notify(&OddsTableObserver::RowsChanged);
}

void OddsTable::AppendRows(std::vector<OddsRecord> rows) {
    CheckOpen();
    CheckNotNotifying();
    if (rows.empty()) return;
    if (rows_.empty()) {
        rows_ = std::move(rows);
    } else {
        rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                     std::make_move_iterator(rows.end()));
    }
    current_ = static_cast<int>(rows_.size()) - 1;
    Notify(&OddsTableObserver::RowsChanged);
}

std::vector<OddsRecord> OddsTable::ReleaseRows() {
    current_ = -1;
    return std::exchange(rows_, {});
}

void OddsTable::SuspendDisplay() { ++suspend_count_; }

void OddsTable::ResumeDisplay() {
    if (suspend_count_ == 0) return;
    --suspend_count_;
    if (suspend_count_ == 0 && open_) Notify(&OddsTableObserver::RowsChanged);
}

void OddsTable::Notify(void (OddsTableObserver::*event)()) {
    if (suspend_count_ > 0 || !observer_) return;
    notifying_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{notifying_};
    (observer_->*event)();
}

std::string OddsTable::FieldText(std::string_view field_name) const {
    const int index = FieldIndex(field_name);
    if (index < 0) Fail("Field '" + std::string(field_name) + "' not found");
    if (current_ < 0) return {};
    const StoredValue value = GetField(rows_[current_], index);
    if (const auto* text = std::get_if<std::string_view>(&value)) return std::string(*text);
    return {};
}

void OddsTable::SetCurrentRow(int index) {
    if (index >= 0 && index < static_cast<int>(rows_.size())) current_ = index;
}

}  // namespace lintaro::table
