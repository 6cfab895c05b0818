// Display texts of the odds table's fields: what the grid and every text read of a field show. The
// regional settings (decimal mark, short date and long time formats) come from the caller at the
// moment of display; nothing here reads a global locale. Results are UTF-8.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "table/date_time.h"
#include "table/odds_table.h"

namespace lintaro::table {

// The two display formats of decimal fields.
enum class DecimalFormat {
    kPrice,  // "#.00#": rounded to 3 decimals; no forced digit before the mark, two decimals
             // always, a third only when not zero (0.5 -> ".50", 1.8755 -> "1.876")
    kValue,  // a handicap or total line: as many decimals as it has, up to two; at least one
             // digit before the mark (2 -> "2", -1.5 -> "-1.5", -0.75 -> "-0.75", 0.25 ->
             // "0.25"); a value with more decimals is rounded to two (2.125 -> "2.12")
};

// Rounding goes to the nearest, an exact half to the even digit, on the magnitude (the sign is put
// back afterwards, so -1.25 rounds like 1.25). A value that rounds to zero shows without a sign.
// No thousands separator. `decimal_mark` is inserted as given (UTF-8).
std::string FormatDecimal(Decimal value, DecimalFormat format, std::string_view decimal_mark);
// The stored value with every decimal it has (up to the table's four, no trailing zeros): what a
// tooltip shows of a line that FormatDecimal rounds ("2.125" for a line shown "2.12").
std::string FormatExactDecimal(Decimal value, std::string_view decimal_mark);
// Whether FormatDecimal shows `value` rounded, so that its exact value is worth saying apart.
bool ShowsRounded(Decimal value, DecimalFormat format);

// Renders calendar parts by a date or time pattern with these tokens (other characters are copied;
// text in single quotes is copied as it stands, '' is a quote):
//   d dd      day, dd with a leading zero         M MM   month          yy yyyy   year
//   H HH      hour 0-23                           h hh   hour 1-12 when the pattern has AP/ap,
//   m mm      minute       s ss   second                 else 0-23
//   z         milliseconds without trailing zeros (".5" of a second -> "5"), zzz three digits
//   AP A      "AM"/"PM"    ap a   "am"/"pm"
//   t         the time zone: nothing (stored times are local and carry no zone)
// Month and day names (MMM, dddd) are not known here and show as numbers (MM, dd).
std::string FormatCalendar(const CalendarParts& parts, std::string_view pattern);

// The regional settings a display text depends on.
struct RegionalFormats {
    std::string decimal_mark = ".";
    std::string short_date = "dd.MM.yyyy";
    std::string long_time = "H:mm:ss";
};

// The date-time's display text: the short date, one blank, the long time; the time part is left out
// when the time of day is exactly midnight.
std::string FormatDateTime(DateTime value, const RegionalFormats& formats);
// The same with the date and time rendered by the caller (e.g. through the platform's locale).
std::string FormatDateTime(DateTime value,
                           const std::function<std::string(const CalendarParts&)>& short_date,
                           const std::function<std::string(const CalendarParts&)>& long_time);

// Display format of a decimal field (VF1, VF2 and VT are values, the other decimals prices).
DecimalFormat DecimalFormatOf(int field_index);

enum class FieldAlignment { kLeft, kRight, kCenter };
FieldAlignment AlignmentOf(int field_index);

// The display text of field `field_index` of `row`: "" for null, texts converted from Windows-1251
// to UTF-8, decimals and the date-time as above, Key_ID as its decimal digits. A price that is no
// price (IsQuotedPrice) shows as "", as null does.
std::string DisplayText(const OddsRecord& row, int field_index, const RegionalFormats& formats);
// The display text a value of decimal field `field_index` has in its cell (the same rules as
// DisplayText): for texts that speak of a value the row no longer holds ("было 2.00").
std::string DecimalFieldText(int field_index, const std::optional<Decimal>& value,
                             std::string_view decimal_mark);

}  // namespace lintaro::table
