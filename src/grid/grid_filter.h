// Column filters of the odds grid: a chosen value of the column's drop-down list, its blanks or
// non-blanks, or a custom condition of two comparisons joined by And or Or. A row passes the grid's
// filter when it passes the condition of every filtered column.
//
// Filters work on what the grid shows. A chosen value matches the cells whose display text equals
// it. In a custom condition, dates and numbers are compared as values (the operand read in the
// regional formats, the cell as shown: prices to three decimals, handicap and total values to one,
// dates to the second), texts by their Windows-1251 codes with letter case significant; "like"
// matches the display text against a pattern where "*" stands for any run of characters and "?"
// for one character, ignoring letter case. An operand that is no date or number of the column's
// kind makes the comparison one of display texts.
//
// Texts here (values, operands) are UTF-8 display texts, as DisplayText gives them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "grid/grid_layout.h"
#include "table/odds_display.h"
#include "table/odds_table.h"

namespace lintaro::grid {

enum class CompareOp {
    kEquals,
    kNotEquals,
    kLess,
    kLessOrEqual,
    kGreater,
    kGreaterOrEqual,
    kLike,
    kNotLike,
    kBlank,     // null or the empty text; the operand is not used
    kNonBlank,  // anything else
};

struct Comparison {
    CompareOp op = CompareOp::kEquals;
    std::string operand;  // UTF-8
    friend bool operator==(const Comparison&, const Comparison&) = default;
};

struct ColumnFilter {
    enum class Kind {
        kNone,       // "(All)": no condition
        kValue,      // cells whose display text is `value`
        kBlanks,     // "(Blanks)": null or empty cells
        kNonBlanks,  // "(NonBlanks)"
        kCustom,     // `first`, joined with `second` when it is set
    };
    Kind kind = Kind::kNone;
    std::string value;
    Comparison first;
    std::optional<Comparison> second;
    bool join_with_or = false;  // false: And

    bool IsActive() const { return kind != Kind::kNone; }
    static ColumnFilter All() { return {}; }
    static ColumnFilter Value(std::string value);
    static ColumnFilter Blanks();
    static ColumnFilter NonBlanks();
    static ColumnFilter Custom(Comparison first, std::optional<Comparison> second = std::nullopt,
                               bool join_with_or = false);
    friend bool operator==(const ColumnFilter&, const ColumnFilter&) = default;
};

// One entry of a column's filter drop-down list.
struct FilterListEntry {
    enum class Kind { kAll, kCustom, kBlanks, kNonBlanks, kValue };
    Kind kind = Kind::kValue;
    std::string text;  // "(All)", "(Custom...)", "(Blanks)", "(NonBlanks)" or the display text
    friend bool operator==(const FilterListEntry&, const FilterListEntry&) = default;
};

// The filter of the entry a user picks from the list; nullopt for "(Custom...)", which opens the
// custom dialog instead.
std::optional<ColumnFilter> FilterForEntry(const FilterListEntry& entry);

// Evaluates one column filter over the rows of a table. Built once per filter pass: it keeps what
// it learns about repeated dates, so a pass over many rows stays cheap.
class ColumnFilterMatcher {
  public:
    ColumnFilterMatcher(const ColumnFilter& filter, const GridColumn& column,
                        const table::RegionalFormats& formats);
    // The same for a column showing table field `field_index`.
    ColumnFilterMatcher(const ColumnFilter& filter, int field_index,
                        const table::RegionalFormats& formats);
    ColumnFilterMatcher(ColumnFilterMatcher&&) noexcept;
    ColumnFilterMatcher& operator=(ColumnFilterMatcher&&) noexcept;
    ~ColumnFilterMatcher();

    bool Matches(const table::OddsRecord& row);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// True when `text` matches `pattern`, with "*" for any run and "?" for one character, ignoring the
// letter case of the Windows-1251 alphabets. Both are Windows-1251 bytes.
bool LikeMatch(std::string_view text, std::string_view pattern);

// Reads a date-time typed in the regional formats (the short date, optionally followed by a time
// of hours, minutes and seconds, with AM/PM when given); nullopt when it is none.
std::optional<table::DateTime> ParseDisplayDateTime(std::string_view text,
                                                    const table::RegionalFormats& formats);

// Reads a number typed with the regional decimal mark or ".", rounded to the table's step of
// 0.0001; nullopt when it is none.
std::optional<table::Decimal> ParseDisplayNumber(std::string_view text,
                                                 const table::RegionalFormats& formats);

}  // namespace lintaro::grid
