// Each row goes through the CLI's row writer, so the window's CSV and lintaro-cli's cannot drift
// apart; the computed columns are appended to its record.
#include "export/grid_csv.h"

#include <sstream>
#include <vector>

#include "export/grid_worksheet.h"
#include "export/replacing_file.h"
#include "export/row_format.h"
#include "grid/column_value.h"
#include "table/cp1251_text.h"

namespace lintaro::worksheet {
namespace {

// A header cell of our own (a caption): quoted when it holds a comma, a quote or a line end.
void AppendCsvCell(std::string& out, const std::string& utf8) {
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) {
        out += utf8;
        return;
    }
    out += '"';
    for (const char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// Writes the CSV through `write`, one record at a time.
template <typename Write>
void WriteCsv(const grid::GridTree& tree, Write&& write) {
    const WorksheetDescription worksheet = DescribeGrid(tree, grid::GridLook{}, /*all_rows=*/true);
    std::vector<grid::GridColumn> computed;
    for (const WorksheetColumn& column : worksheet.columns) {
        if (column.computed == grid::ComputedColumn::kNone) continue;
        grid::GridColumn shown;
        shown.computed = column.computed;
        shown.row_number = column.row_number;
        shown.caption = column.caption;
        computed.push_back(shown);
    }
    std::ostringstream record;
    RowWriter rows(record, RowFormat::kCsv);
    // The row writer ends each record with CR LF; the computed cells go before it.
    const auto take = [&record] {
        std::string text = record.str();
        record.str(std::string());
        if (text.size() >= 2) text.resize(text.size() - 2);
        return text;
    };
    std::string line = take();
    for (const grid::GridColumn& column : computed) {
        line += ',';
        AppendCsvCell(line, table::Cp1251ToUtf8(column.caption));
    }
    write(line + "\r\n");
    for (const WorksheetNode& node : worksheet.nodes) {
        if (node.IsGroup()) continue;
        rows.Write(*node.row);
        line = take();
        for (const grid::GridColumn& column : computed) {
            line += ',';
            const table::StoredValue value = grid::ColumnValue(*node.row, grid::KeyOf(column));
            if (const auto* decimal = std::get_if<table::Decimal>(&value))
                line += DecimalText(*decimal);
        }
        write(line + "\r\n");
    }
}

}  // namespace

void WriteGridCsv(const grid::GridTree& tree, std::ostream& out) {
    WriteCsv(tree, [&out](const std::string& line) {
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        if (!out) throw std::runtime_error("Cannot write the rows: the output stream failed");
    });
    out.flush();
    if (!out) throw std::runtime_error("Cannot write the rows: the output stream failed");
}

void SaveGridAsCsv(const grid::GridTree& tree, const std::string& file_name) {
    ReplacingFile file(file_name);
    WriteCsv(tree, [&file](const std::string& line) { file.Write(line); });
    file.Commit();
}

}  // namespace lintaro::worksheet
