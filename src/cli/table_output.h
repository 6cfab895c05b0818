// Where `lintaro-cli parse` and `load` put what they read: rows as JSON Lines or CSV, or the grid's
// worksheet (Excel 4.0 or .xlsx) as the window's grid lays the rows out at start, on standard
// output or in a file given by --out.
#pragma once

#include <string>

#include "cli/cli_args.h"
#include "table/odds_table.h"

namespace lintaro::cli {

enum class TableFormat { kJsonl, kCsv, kXls, kXlsx };

struct TableOutput {
    TableFormat format = TableFormat::kJsonl;
    std::string file;  // --out FILE; empty for standard output
    // Standard output is a terminal (and no --out): CSV texts show their control bytes escaped.
    bool to_terminal = false;
};

// Reads --format (jsonl, csv, xls or xlsx; jsonl by default) and --out. Throws UsageError for an
// unknown format, an empty file name, and a binary format bound for a terminal: those are written
// only to a file or to a redirected standard output.
TableOutput ParseTableOutput(const Args& parsed);

// Writes the table: the rows in insertion order (jsonl, csv), or the grid's sheet with every row
// (xls, xlsx) with the Russian regional formats (dd.MM.yyyy, H:mm:ss). Rows bound for a terminal
// show the control bytes inside their texts escaped as the messages do; a file or a pipe gets
// them unchanged. A file is replaced only
// when it is complete. Throws std::runtime_error (EFileCreateError, EFileWriteError,
// EWorksheetTooLarge) with a complete message.
void WriteTable(const table::OddsTable& table, const TableOutput& output);

// WriteTable for a command that writes whatever rows it read, also after a failure of the read:
// writes and flushes, and returns the failure's message, or "" when everything was written.
std::string WriteTableOrFailure(const table::OddsTable& table, const TableOutput& output);

}  // namespace lintaro::cli
