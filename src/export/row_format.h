// Row output: odds table rows as JSON Lines (the default) or as CSV, both UTF-8, for
// scripts that read what `lintaro-cli parse` and `load` found.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "table/odds_table.h"

namespace lintaro::worksheet {

enum class RowFormat {
    kJsonl,  // one JSON object per row, the 20 field names as keys in field order; texts as
             // strings, decimals as numbers (at most 4 decimals, no exponent), the date-time as
             // "YYYY-MM-DDTHH:MM:SS.mmm", Key_ID as an integer, null as null
    kCsv,    // RFC 4180 with CRLF line ends: a header row of the field names, then one record per
             // row; "." as the decimal mark, the date-time as "YYYY-MM-DD HH:MM:SS", an empty cell
             // for null (an empty text is an empty cell too). A text that starts with "=", "+",
             // "-", "@", TAB or CR gets a leading apostrophe, so that a spreadsheet
             // program opening the file shows it as text instead of running it as a formula
};

// How texts inside cells are written.
struct RowOptions {
    // The rows go to a terminal: control bytes inside CSV texts are shown as the CLI's messages
    // show them ("\x1B", "\t" as "\x09", "\r", "\n"), so that a page's text cannot move the
    // cursor, recolour or clear the screen. Row ends stay as they are. JSON Lines need nothing
    // more: their strings escape every control byte anyway.
    bool escape_control_bytes = false;
};

// "jsonl" or "csv"; nullopt for anything else.
std::optional<RowFormat> RowFormatFromName(std::string_view name);

// Writes rows one at a time. Texts are converted from Windows-1251 to UTF-8. Throws
// std::runtime_error when the stream fails, so a full disk or a closed pipe is not mistaken for
// success.
class RowWriter {
  public:
    // The CSV header row is written at once, so it is there even when no row follows.
    RowWriter(std::ostream& out, RowFormat format, RowOptions options = {});
    void Write(const table::OddsRecord& row);

  private:
    void Flush();

    std::ostream& out_;
    RowFormat format_;
    RowOptions options_;
    std::string line_;  // reused for every row
};

// Writes every row in order (the CSV header even for no rows).
void WriteRows(std::ostream& out, const std::vector<table::OddsRecord>& rows, RowFormat format,
               RowOptions options = {});

// Appends UTF-8 text as a JSON string: quotes and backslashes escaped, control bytes as \n, \r,
// \t, \b, \f or \u00XX. Every JSON text Lintaro writes goes through here.
void AppendJsonUtf8(std::string& out, std::string_view text);

// The exact decimal text of a stored decimal: "1.85", "-0.5", "2" (no trailing zeros, no exponent).
std::string DecimalText(table::Decimal value);

}  // namespace lintaro::worksheet
