// The CLI's table output: row writers and worksheet exports behind one --format / --out pair.
#include "cli/table_output.h"

#include <unistd.h>

#include <iostream>
#include <ostream>
#include <streambuf>

#include "export/grid_export.h"
#include "export/grid_worksheet.h"
#include "export/replacing_file.h"
#include "export/row_format.h"
#include "export/xlsx_export.h"
#include "grid/grid_tree.h"

namespace lintaro::cli {

using worksheet::DescribeGrid;
using worksheet::ReplacingFile;
using worksheet::RowFormat;
using worksheet::RowFormatFromName;
using worksheet::RowOptions;
using worksheet::SaveGridAsWorksheet;
using worksheet::SaveGridAsXlsx;
using worksheet::WorksheetDescription;
using worksheet::WriteRows;
using worksheet::WriteWorksheet;
using worksheet::WriteXlsx;
namespace {

// An output stream buffer over a file that replaces its target when complete. A failed write
// throws from the file, and the stream passes that exception on (badbit is in its mask).
class ReplacingFileBuf : public std::streambuf {
  public:
    explicit ReplacingFileBuf(ReplacingFile& file) : file_(file) {
        setp(buffer_, buffer_ + sizeof buffer_);
    }

  protected:
    int_type overflow(int_type c) override {
        Drain();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        Drain();
        return 0;
    }

  private:
    void Drain() {
        file_.Write(std::string_view(pbase(), static_cast<size_t>(pptr() - pbase())));
        setp(buffer_, buffer_ + sizeof buffer_);
    }

    ReplacingFile& file_;
    char buffer_[1 << 16];
};

const char* FormatName(TableFormat format) {
    switch (format) {
        case TableFormat::kCsv:
            return "csv";
        case TableFormat::kXls:
            return "xls";
        case TableFormat::kXlsx:
            return "xlsx";
        case TableFormat::kJsonl:
            break;
    }
    return "jsonl";
}

}  // namespace

TableOutput ParseTableOutput(const Args& parsed) {
    TableOutput output;
    const std::string name = parsed.Value("--format", "jsonl");
    if (name == "xls") {
        output.format = TableFormat::kXls;
    } else if (name == "xlsx") {
        output.format = TableFormat::kXlsx;
    } else if (const std::optional<RowFormat> rows = RowFormatFromName(name)) {
        output.format = *rows == RowFormat::kCsv ? TableFormat::kCsv : TableFormat::kJsonl;
    } else {
        throw UsageError("unknown format \"" + name + "\": use jsonl, csv, xls or xlsx");
    }
    if (parsed.Has("--out")) {
        output.file = parsed.Value("--out");
        if (output.file.empty()) throw UsageError("--out needs a file name");
    }
    output.to_terminal = output.file.empty() && isatty(STDOUT_FILENO);
    const bool binary = output.format == TableFormat::kXls || output.format == TableFormat::kXlsx;
    if (binary && output.to_terminal) {
        throw UsageError(std::string("--format ") + FormatName(output.format) +
                         " is binary and is not written to a terminal: give --out FILE or "
                         "redirect standard output");
    }
    return output;
}

void WriteTable(const table::OddsTable& table, const TableOutput& output) {
    if (output.format == TableFormat::kJsonl || output.format == TableFormat::kCsv) {
        const RowFormat format =
            output.format == TableFormat::kCsv ? RowFormat::kCsv : RowFormat::kJsonl;
        if (output.file.empty()) {
            // A page's text must not drive the terminal it is read on (escape sequences that
            // recolour, retitle or clear it); a pipe or a redirected file keeps the bytes.
            WriteRows(std::cout, table.Rows(), format,
                      RowOptions{.escape_control_bytes = output.to_terminal});
            return;
        }
        ReplacingFile file(output.file);
        ReplacingFileBuf buffer(file);
        std::ostream out(&buffer);
        out.exceptions(std::ios::badbit);
        WriteRows(out, table.Rows(), format);
        file.Commit();
        return;
    }

    // The grid as the window shows it at start: grouped by sport and tournament, by start time.
    grid::GridTree tree;
    tree.Rebuild(table);
    const WorksheetDescription worksheet = DescribeGrid(tree, grid::GridLook{});
    if (output.format == TableFormat::kXls) {
        if (output.file.empty()) {
            WriteWorksheet(worksheet, std::cout);
        } else {
            SaveGridAsWorksheet(worksheet, output.file, true);
        }
    } else if (output.file.empty()) {
        WriteXlsx(worksheet, std::cout);
    } else {
        SaveGridAsXlsx(worksheet, output.file);
    }
}

std::string WriteTableOrFailure(const table::OddsTable& table, const TableOutput& output) {
    try {
        WriteTable(table, output);
        std::cout.flush();
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

}  // namespace lintaro::cli
