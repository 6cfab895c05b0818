// The .xlsx export through libxlsxwriter in its constant-memory mode: rows are written in order
// and each is flushed to a temporary file as soon as the next begins, so a large grid costs little
// more memory than its own rows.
#include "export/xlsx_export.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "export/grid_export.h"
#include "export/library_messages.h"
#include "export/replacing_file.h"
#include "export/zip_check.h"
#include "table/cp1251_text.h"

namespace lintaro::worksheet {

using table::CalendarParts;
using table::Cp1251ToUtf8;
using table::DateTime;
using table::DaysFromDateTime;
using table::FieldAlignment;
using table::FormatDateTime;
using table::MsOfDay;
using table::SplitDateTime;
namespace {

constexpr int kMaxOutlineLevel = 7;
constexpr double kGroupColumnWidth = 400 / 256.0;  // characters, as in the Excel 4.0 worksheet

struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};
using WorkbookPtr = std::unique_ptr<lxw_workbook, WorkbookCloser>;

uint32_t ColourValue(const std::optional<WorksheetColour>& colour) {
    if (!colour) return 0x000000;
    return (uint32_t{colour->red} << 16) | (uint32_t{colour->green} << 8) | colour->blue;
}

// Cell text as UTF-8. The library writes control characters other than tab, LF and CR, which the
// workbook's XML cannot hold, as the format's escapes ("_x0001_").
std::string CellText(std::string_view cp1251) { return table::Cp1251ToUtf8(cp1251); }

void SetFont(lxw_format* format, const WorksheetFont& font,
             const std::optional<WorksheetColour>& colour) {
    const std::string face = Cp1251ToUtf8(font.face);
    if (!face.empty()) format_set_font_name(format, face.c_str());
    if (font.height > 0) format_set_font_size(format, font.height / 20.0);
    if (font.bold) format_set_bold(format);
    if (font.italic) format_set_italic(format);
    if (font.underline) format_set_underline(format, LXW_UNDERLINE_SINGLE);
    if (font.strike_out) format_set_font_strikeout(format);
    format_set_font_color(format, ColourValue(colour));
}

void SetFill(lxw_format* format, const std::optional<WorksheetColour>& colour) {
    format_set_pattern(format, LXW_PATTERN_SOLID);
    format_set_bg_color(format, ColourValue(colour));
}

uint8_t Alignment(FieldAlignment alignment) {
    switch (alignment) {
        case FieldAlignment::kRight:
            return LXW_ALIGN_RIGHT;
        case FieldAlignment::kCenter:
            return LXW_ALIGN_CENTER;
        case FieldAlignment::kLeft:
            break;
    }
    return LXW_ALIGN_LEFT;
}

// "A1"-style name of a column (0 -> "A", 26 -> "AA").
std::string ColumnName(int column) {
    std::string name;
    for (++column; column > 0; column = (column - 1) / 26) {
        name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    }
    return name;
}

// Why the library could not write the file: the system's reason when the failure was the system's
// (a full disk, a file size limit), else the library's own text.
std::string FailureReason(lxw_error error, int system_error) {
    switch (error) {
        case LXW_ERROR_CREATING_XLSX_FILE:
        case LXW_ERROR_CREATING_TMPFILE:
        case LXW_ERROR_READING_TMPFILE:
        case LXW_ERROR_ZIP_FILE_OPERATION:
        case LXW_ERROR_ZIP_FILE_ADD:
        case LXW_ERROR_ZIP_CLOSE:
            if (system_error != 0) return std::strerror(system_error);
            break;
        default:
            break;
    }
    return lxw_strerror(error);
}

class XlsxWorksheetWriter {
  public:
    XlsxWorksheetWriter(const WorksheetDescription& grid, const std::string& path)
        : grid_(grid), plan_(grid) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        // The staging files go where the user keeps temporary files.
        const char* tmpdir = std::getenv("TMPDIR");
        if (tmpdir != nullptr && *tmpdir != '\0') options.tmpdir = const_cast<char*>(tmpdir);
        options.use_zip64 = LXW_TRUE;
        workbook_.reset(workbook_new_opt(path.c_str(), &options));
        if (!workbook_) throw std::runtime_error("the workbook could not be started");
        worksheet_ = workbook_add_worksheet(workbook_.get(), nullptr);
        if (!worksheet_) throw std::runtime_error("the workbook's worksheet could not be started");
        MakeFormats();
    }

    // Writes every row; Close then completes the file.
    void WriteRows();
    // Returns why the file could not be completed, or nothing when it is complete.
    std::optional<std::string> Close() {
        errno = 0;
        const lxw_error error = workbook_close(workbook_.release());
        const int system_error = errno;
        if (error == LXW_NO_ERROR) return std::nullopt;
        return FailureReason(error, system_error);
    }

  private:
    lxw_format* NewFormat() { return workbook_add_format(workbook_.get()); }
    void MakeFormats();
    lxw_col_t Column(int exported) const {
        return static_cast<lxw_col_t>(plan_.SheetColumnOf(exported));
    }
    void SetColumns();
    void WriteBandRow(lxw_row_t row);
    void WriteHeaderRow(lxw_row_t row);
    void WriteNodeRow(lxw_row_t row, const WorksheetNode& node);
    void WriteEventCell(lxw_row_t row, const WorksheetNode& node, int exported);
    void WriteFooter(lxw_row_t row);
    double FooterResult(const WorksheetFooterCell& footer) const;
    void Check(lxw_error error) const {
        if (error != LXW_NO_ERROR) throw std::runtime_error(lxw_strerror(error));
    }

    const WorksheetDescription& grid_;
    const WorksheetPlan plan_;
    WorkbookPtr workbook_;
    lxw_worksheet* worksheet_ = nullptr;
    lxw_format* band_ = nullptr;
    lxw_format* caption_ = nullptr;
    lxw_format* group_ = nullptr;
    lxw_format* footer_ = nullptr;
    lxw_format* footer_blank_ = nullptr;
    std::vector<lxw_format*> cell_;           // per exported column
    std::vector<lxw_format*> date_;           // per exported column: a date-time
    std::vector<lxw_format*> midnight_date_;  // per exported column: a date alone
};

void XlsxWorksheetWriter::MakeFormats() {
    const WorksheetLook& look = grid_.look;
    const WorksheetPalette& palette = look.palette;
    const auto borders = [&](lxw_format* format) {
        if (!look.show_grid) return;
        format_set_border(format, LXW_BORDER_THIN);
        format_set_border_color(format, ColourValue(palette.grid_line));
    };

    band_ = NewFormat();
    SetFont(band_, look.band_font, palette.band_font);
    SetFill(band_, palette.band);
    format_set_align(band_, LXW_ALIGN_CENTER_ACROSS);
    borders(band_);

    caption_ = NewFormat();
    SetFont(caption_, look.header_font, palette.header_font);
    SetFill(caption_, palette.header);
    format_set_align(caption_, LXW_ALIGN_CENTER);
    borders(caption_);

    group_ = NewFormat();
    SetFont(group_, look.font, palette.group_node_text);
    SetFill(group_, palette.group_node);

    footer_ = NewFormat();
    SetFont(footer_, look.font, palette.footer_text);
    SetFill(footer_, palette.footer);
    format_set_align(footer_, LXW_ALIGN_CENTER);
    format_set_num_format(footer_, "0");
    borders(footer_);
    footer_blank_ = NewFormat();
    SetFill(footer_blank_, palette.footer);

    const std::string date_format = SpreadsheetDateFormat(look.formats.short_date);
    const std::string date_time_format =
        date_format + " " + SpreadsheetDateFormat(look.formats.long_time);
    // Columns that look alike share one format: the library looks a format that duplicates
    // another up again for every cell written with it.
    std::map<std::string, lxw_format*> shared;
    for (int exported = 0; exported < plan_.ExportedCount(); ++exported) {
        const WorksheetColumn& column = grid_.columns[exported];
        const auto make = [&](const std::string& number_format) {
            const WorksheetFont& f = column.font;
            const std::string key =
                f.face + '\n' + std::to_string(f.height) + '\n' + char('0' + f.bold) +
                char('0' + f.italic) + char('0' + f.underline) + char('0' + f.strike_out) +
                char('0' + static_cast<int>(column.alignment)) + '\n' + number_format;
            lxw_format*& format = shared[key];
            if (format != nullptr) return format;
            format = NewFormat();
            SetFont(format, column.font, palette.font);
            SetFill(format, palette.background);
            format_set_align(format, Alignment(column.alignment));
            borders(format);
            if (!number_format.empty()) format_set_num_format(format, number_format.c_str());
            return format;
        };
        std::string number_format;
        if (plan_.KindOf(exported) == WorksheetValueKind::kPrice) number_format = "0.00#";
        // A margin is kept as its percent (5.3) and shown as the grid shows it, "5.3%".
        if (plan_.KindOf(exported) == WorksheetValueKind::kPercent) number_format = "0.0\"%\"";
        cell_.push_back(make(number_format));
        date_.push_back(make(date_time_format));
        midnight_date_.push_back(make(date_format));
    }
}

void XlsxWorksheetWriter::WriteEventCell(lxw_row_t row, const WorksheetNode& node, int exported) {
    const lxw_col_t sheet_column = Column(exported);
    lxw_format* format = cell_[exported];
    const WorksheetValue value = plan_.Value(node, exported);
    if (const auto* text = std::get_if<std::string_view>(&value)) {
        const std::string utf8 = CellText(*text);
        Check(worksheet_write_string(worksheet_, row, sheet_column, utf8.c_str(), format));
    } else if (const auto* number = std::get_if<double>(&value)) {
        Check(worksheet_write_number(worksheet_, row, sheet_column, *number, format));
    } else if (const auto* integer = std::get_if<int32_t>(&value)) {
        Check(worksheet_write_number(worksheet_, row, sheet_column, *integer, format));
    } else if (const auto* moment = std::get_if<DateTime>(&value)) {
        const CalendarParts parts = SplitDateTime(*moment);
        if (parts.year < 1900) {
            // Spreadsheet dates begin in 1900; an earlier one stays readable as text.
            const std::string shown = FormatDateTime(*moment, grid_.look.formats);
            Check(worksheet_write_string(worksheet_, row, sheet_column, shown.c_str(), format));
            return;
        }
        lxw_datetime date{parts.year, parts.month,  parts.day,
                          parts.hour, parts.minute, parts.second + parts.millisecond / 1000.0};
        lxw_format* date_format =
            MsOfDay(*moment) == 0 ? midnight_date_[exported] : date_[exported];
        Check(worksheet_write_datetime(worksheet_, row, sheet_column, &date, date_format));
    } else {
        // A null field is an empty cell: no price is not a price of 0.
        Check(worksheet_write_blank(worksheet_, row, sheet_column, format));
    }
}

// The value the footer formula gives now, stored with it for readers that do not calculate.
double XlsxWorksheetWriter::FooterResult(const WorksheetFooterCell& footer) const {
    double sum = 0;
    double min = 0;
    double max = 0;
    int numbers = 0;
    int filled = 0;
    for (const WorksheetNode& node : grid_.nodes) {
        if (node.IsGroup()) continue;
        const WorksheetValue value = plan_.Value(node, footer.source);
        if (const auto* text = std::get_if<std::string_view>(&value)) {
            if (!text->empty()) ++filled;
            continue;
        }
        if (std::holds_alternative<std::monostate>(value)) continue;
        ++filled;
        double number = 0;
        if (const auto* decimal = std::get_if<double>(&value)) {
            number = *decimal;
        } else if (const auto* integer = std::get_if<int32_t>(&value)) {
            number = *integer;
        } else {
            number = DaysFromDateTime(std::get<DateTime>(value));
        }
        sum += number;
        min = numbers == 0 ? number : std::min(min, number);
        max = numbers == 0 ? number : std::max(max, number);
        ++numbers;
    }
    switch (footer.summary) {
        case WorksheetSummary::kSum:
            return sum;
        case WorksheetSummary::kMin:
            return min;
        case WorksheetSummary::kMax:
            return max;
        case WorksheetSummary::kAverage:
            return numbers > 0 ? sum / numbers : 0;
        case WorksheetSummary::kCount:
        case WorksheetSummary::kNone:
            break;
    }
    return filled;
}

const char* FunctionName(WorksheetSummary summary) {
    switch (summary) {
        case WorksheetSummary::kSum:
            return "SUM";
        case WorksheetSummary::kMin:
            return "MIN";
        case WorksheetSummary::kMax:
            return "MAX";
        case WorksheetSummary::kAverage:
            return "AVERAGE";
        case WorksheetSummary::kCount:
        case WorksheetSummary::kNone:
            break;
    }
    return "COUNTA";
}

void XlsxWorksheetWriter::WriteFooter(lxw_row_t row) {
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        Check(worksheet_write_blank(worksheet_, row, static_cast<lxw_col_t>(g), footer_blank_));
    }
    for (int i = 0; i < plan_.ExportedCount(); ++i) {
        const WorksheetFooterCell footer = plan_.Footer(i);
        if (footer.IsBlank()) {
            Check(worksheet_write_blank(worksheet_, row, Column(i), footer_blank_));
            continue;
        }
        if (!footer.HasRows()) {
            Check(worksheet_write_number(worksheet_, row, Column(i), 0, footer_));
            continue;
        }
        const std::string source = ColumnName(plan_.SheetColumnOf(footer.source));
        const std::string formula = std::string("=") + FunctionName(footer.summary) + "(" + source +
                                    std::to_string(footer.first_row + 1) + ":" + source +
                                    std::to_string(footer.last_row + 1) + ")";
        Check(worksheet_write_formula_num(worksheet_, row, Column(i), formula.c_str(), footer_,
                                          FooterResult(footer)));
    }
}

void XlsxWorksheetWriter::SetColumns() {
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        Check(worksheet_set_column(worksheet_, static_cast<lxw_col_t>(g), static_cast<lxw_col_t>(g),
                                   kGroupColumnWidth, nullptr));
    }
    for (int i = 0; i < plan_.ExportedCount(); ++i) {
        Check(worksheet_set_column_pixels(worksheet_, Column(i), Column(i),
                                          std::max(grid_.columns[i].width, 0), nullptr));
    }
    // Group rows stand above their content, so the outline buttons belong above too.
    worksheet_outline_settings(worksheet_, LXW_TRUE, LXW_FALSE, LXW_TRUE, LXW_FALSE);
}

void XlsxWorksheetWriter::WriteBandRow(lxw_row_t row) {
    for (int column = 0; column < plan_.SheetColumnCount(); ++column) {
        Check(worksheet_write_blank(worksheet_, row, static_cast<lxw_col_t>(column),
                                    column < plan_.GroupColumnCount() ? group_ : band_));
    }
    for (const WorksheetPlan::BandCaption& band : plan_.BandCaptions()) {
        const std::string caption = CellText(band.caption);
        Check(worksheet_write_string(worksheet_, row, static_cast<lxw_col_t>(band.sheet_column),
                                     caption.c_str(), band_));
    }
}

void XlsxWorksheetWriter::WriteHeaderRow(lxw_row_t row) {
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        Check(worksheet_write_blank(worksheet_, row, static_cast<lxw_col_t>(g), group_));
    }
    for (int i = 0; i < plan_.ExportedCount(); ++i) {
        const std::string caption = CellText(plan_.Caption(i));
        Check(worksheet_write_string(worksheet_, row, Column(i), caption.c_str(), caption_));
    }
}

void XlsxWorksheetWriter::WriteNodeRow(lxw_row_t row, const WorksheetNode& node) {
    lxw_row_col_options options{};
    options.level = static_cast<uint8_t>(std::clamp(node.level, 0, kMaxOutlineLevel));
    Check(worksheet_set_row_opt(worksheet_, row, LXW_DEF_ROW_HEIGHT, nullptr, &options));
    if (!node.IsGroup()) {
        for (int i = 0; i < plan_.ExportedCount(); ++i) WriteEventCell(row, node, i);
        return;
    }
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        const auto column = static_cast<lxw_col_t>(g);
        if (g == node.level) {
            const std::string text = CellText(node.group_text);
            Check(worksheet_write_string(worksheet_, row, column, text.c_str(), group_));
        } else {
            Check(worksheet_write_blank(worksheet_, row, column, group_));
        }
    }
    for (int i = 0; i < plan_.ExportedCount(); ++i) {
        Check(worksheet_write_blank(worksheet_, row, Column(i), group_));
    }
}

void XlsxWorksheetWriter::WriteRows() {
    SetColumns();
    // Rows are flushed as they are written, so everything that names earlier rows comes first.
    const int header_row = plan_.HeaderRow();
    if (plan_.TitleRows() > 0) {
        worksheet_freeze_panes(worksheet_, static_cast<lxw_row_t>(plan_.TitleRows()), 0);
    }
    if (header_row >= 0 && plan_.ExportedCount() > 0) {
        Check(worksheet_autofilter(
            worksheet_, static_cast<lxw_row_t>(header_row), 0,
            static_cast<lxw_row_t>(std::max(plan_.LastNodeRow(), header_row)),
            static_cast<lxw_col_t>(std::max(plan_.SheetColumnCount() - 1, 0))));
    }

    if (plan_.BandRow() >= 0) WriteBandRow(static_cast<lxw_row_t>(plan_.BandRow()));
    if (header_row >= 0) WriteHeaderRow(static_cast<lxw_row_t>(header_row));
    auto row = static_cast<lxw_row_t>(plan_.TitleRows());
    for (const WorksheetNode& node : grid_.nodes) WriteNodeRow(row++, node);
    if (plan_.FooterRow() >= 0) WriteFooter(static_cast<lxw_row_t>(plan_.FooterRow()));
}

void CheckXlsxFits(const WorksheetDescription& grid) {
    WorksheetPlan(grid).CheckFits(
        {static_cast<int>(LXW_ROW_MAX), static_cast<int>(LXW_COL_MAX), "an .xlsx worksheet"});
}

// Writes the workbook to `path`; throws EFileWriteError naming `target` when it cannot be
// completed.
void WriteWorkbook(const WorksheetDescription& grid, const std::string& path,
                   const std::string& target) {
    std::optional<std::string> error;
    {
        // The library reports a failure on standard error as well as in its code; the code becomes
        // the one message below.
        const ScopedLibraryMessageFilter quiet;
        try {
            XlsxWorksheetWriter writer(grid, path);
            if (grid.has_data) writer.WriteRows();
            error = writer.Close();
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
    }
    if (error) throw EFileWriteError(target, *error);
    if (const std::optional<std::string> problem = FindIncompleteXmlPart(path)) {
        throw EFileWriteError(target,
                              "the workbook came out incomplete, its temporary data could "
                              "not be written (" +
                                  *problem + ")");
    }
}

}  // namespace

namespace {

// Appends `c` to a number format as literal text: separators as they are, anything else escaped.
void AppendLiteral(std::string& out, char c) {
    if (c == ' ' || c == '.' || c == ':' || c == '/' || c == '-' || c == ',') {
        out += c;
    } else {
        out += '\\';
        out += c;
    }
}

// Appends the quoted text that starts at pattern[pos] (a quote) as literal text; a doubled quote
// stands for one quote, inside and outside quoted text. Returns the position after it.
size_t AppendQuoted(std::string& out, std::string_view pattern, size_t pos) {
    ++pos;
    if (pos < pattern.size() && pattern[pos] == '\'') {
        AppendLiteral(out, '\'');
        return pos + 1;
    }
    while (pos < pattern.size()) {
        if (pattern[pos] != '\'') {
            AppendLiteral(out, pattern[pos++]);
        } else if (pos + 1 < pattern.size() && pattern[pos + 1] == '\'') {
            AppendLiteral(out, '\'');
            pos += 2;
        } else {
            return pos + 1;
        }
    }
    return pos;
}

// Appends the number format of the token at pattern[pos], a run of `run` equal characters.
// Returns how many of them the token took.
size_t AppendToken(std::string& out, std::string_view pattern, size_t pos, size_t run) {
    const char c = pattern[pos];
    // "h" and "H" both become "h": a spreadsheet shows a 24-hour clock unless an AM/PM marker
    // follows, exactly as the regional pattern's own "h" does.
    const auto up_to_two = [&](const char* one, const char* two) {
        out += run >= 2 ? two : one;
        return std::min<size_t>(run, 2);
    };
    switch (c) {
        case 'd':
            out += run >= 2 ? "dd" : "d";
            return run;
        case 'M':
            out += run >= 2 ? "mm" : "m";
            return run;
        case 'y':
            if (run >= 4) {
                out += "yyyy";
                return 4;
            }
            if (run >= 2) {
                out += "yy";
                return 2;
            }
            AppendLiteral(out, c);
            return run;
        case 'H':
        case 'h':
            return up_to_two("h", "hh");
        case 'm':
            return up_to_two("m", "mm");
        case 's':
            return up_to_two("s", "ss");
        case 'z':
            out += run >= 3 ? "000" : "0";
            return run >= 3 ? 3 : 1;
        case 'A':
        case 'a':
            out += c == 'A' ? "AM/PM" : "am/pm";
            return pos + 1 < pattern.size() && (pattern[pos + 1] == 'P' || pattern[pos + 1] == 'p')
                       ? 2
                       : 1;
        case 't':
            return run;
        default:
            for (size_t i = 0; i < run; ++i) AppendLiteral(out, c);
            return run;
    }
}

}  // namespace

std::string SpreadsheetDateFormat(std::string_view pattern) {
    std::string out;
    size_t pos = 0;
    while (pos < pattern.size()) {
        if (pattern[pos] == '\'') {
            pos = AppendQuoted(out, pattern, pos);
            continue;
        }
        size_t run = 1;
        while (pos + run < pattern.size() && pattern[pos + run] == pattern[pos]) ++run;
        pos += AppendToken(out, pattern, pos, run);
    }
    return out;
}

namespace {

// Writes the workbook to a temporary file of its own (the container is complete only at the end)
// and hands its bytes to `consume` in blocks.
void WriteThroughTemporaryFile(const WorksheetDescription& grid,
                               const std::function<void(std::string_view)>& consume) {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/lintaro-XXXXXX.xlsx";
    const int fd = mkstemps(path.data(), 5);
    if (fd < 0) throw EFileCreateError(path, std::strerror(errno));
    close(fd);
    struct Remove {
        const std::string& path;
        ~Remove() { std::remove(path.c_str()); }
    } remove_on_exit{path};
    WriteWorkbook(grid, path, path);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 16);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        consume(std::string_view(block.data(), static_cast<size_t>(in.gcount())));
    }
    if (in.bad()) throw std::runtime_error("Cannot read back the workbook " + path);
}

}  // namespace

void SaveGridAsXlsx(const WorksheetDescription& grid, const std::string& file_name) {
    CheckXlsxFits(grid);
    ReplacingFile file(file_name);
    if (file.Direct()) {
        WriteThroughTemporaryFile(grid, [&file](std::string_view bytes) { file.Write(bytes); });
    } else {
        WriteWorkbook(grid, file.TemporaryPath(), file_name);
    }
    file.Commit();
}

void WriteXlsx(const WorksheetDescription& grid, std::ostream& out) {
    CheckXlsxFits(grid);
    WriteThroughTemporaryFile(grid, [&out](std::string_view bytes) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("Cannot write the workbook: the output stream failed");
    });
    out.flush();
    if (!out) throw std::runtime_error("Cannot write the workbook: the output stream failed");
}

}  // namespace lintaro::worksheet
