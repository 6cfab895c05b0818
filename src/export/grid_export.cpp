// The worksheet export: the walk of TGridExport and the BIFF4 worksheet of TGridExportExcel. The
// records are gathered in memory and handed to the output in large blocks.
#include "export/grid_export.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <variant>

#include "export/replacing_file.h"
#include "table/cp1251_text.h"

namespace lintaro::worksheet {

using table::DateTime;
using table::FieldAlignment;
using table::FormatDateTime;
using table::kOddsFields;
using table::Utf8ToCp1251;
namespace {

using Xf = std::array<uint8_t, 12>;

// The fixed formats 0 to 28: styles, the default cell format (15), and the formats of the
// worksheet's own parts (21 to 28). Byte 0 is the font, byte 4 the alignment, bytes 6 and 7 the
// fill, bytes 8 to 11 the borders.
constexpr std::array<Xf, 29> kFixedXfs = {{
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 0
    {0x01, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 1
    {0x01, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 2
    {0x02, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 3
    {0x02, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 4
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 5
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 6
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 7
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 8
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 9
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 10
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 11
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 12
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 13
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 14
    {0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 15: default cell
    {0x01, 0x21, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 16: format 33
    {0x01, 0x1F, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 17: format 31
    {0x01, 0x20, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 18: format 32
    {0x01, 0x1E, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 19: format 30
    {0x01, 0x0D, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},  // 20: format 13
    {0x05, 0x00, 0x01, 0x00, 0x21, 0x78, 0x41, 0x03, 0x00, 0x00, 0x00, 0x00},  // 21: column base
    {0x06, 0x00, 0x01, 0x00, 0x22, 0x78, 0x41, 0x02, 0x71, 0x71, 0x71, 0x71},  // 22: captions
    {0x07, 0x00, 0x01, 0x00, 0x21, 0x78, 0xC1, 0x02, 0x00, 0x00, 0x00, 0x00},  // 23: group texts
    {0x05, 0x00, 0x01, 0x00, 0x22, 0x78, 0xC1, 0x02, 0xB9, 0xB9, 0xB9, 0xB9},  // 24: footer
    {0x05, 0x00, 0x01, 0x00, 0x22, 0x78, 0xC1, 0x02, 0xB9, 0x00, 0xB9, 0x00},  // 25: footer blank
    {0x08, 0x00, 0x01, 0x00, 0x22, 0x78, 0x41, 0x02, 0x71, 0x71, 0x71, 0x00},  // 26: bands
    {0x09, 0x00, 0x01, 0x00, 0x21, 0x78, 0xC1, 0x02, 0xB9, 0xB9, 0xB9, 0xB9},  // 27: group footer
    {0x09, 0x00, 0x01, 0x00, 0x21, 0x78, 0xC1, 0x02, 0xB9, 0x00, 0xB9, 0x00},  // 28: its blanks
}};

constexpr uint16_t kXfColumnBase = 21;
constexpr uint16_t kXfCaption = 22;
constexpr uint16_t kXfGroup = 23;
constexpr uint16_t kXfFooter = 24;
constexpr uint16_t kXfFooterBlank = 25;
constexpr uint16_t kXfBand = 26;
constexpr uint16_t kXfFirstColumn = 29;
// Thin lines in palette colour 20 on all four sides, when the grid shows its lines.
constexpr uint8_t kThinGridLine = 0xA1;

constexpr int kFirstColumnFont = 10;
constexpr uint16_t kGroupColumnWidth = 400;
constexpr int kWidthPerPixel = 36;  // 1/256 of a character per pixel
constexpr size_t kFlushSize = 256 * 1024;
// Texts of a memo field are cut to what a cell shows.
constexpr size_t kMemoCellLength = 255;

uint16_t FontOptions(const WorksheetFont& font) {
    uint16_t options = 0;
    if (font.bold) options |= biff4::kFontBold;
    if (font.italic) options |= biff4::kFontItalic;
    if (font.underline) options |= biff4::kFontUnderline;
    if (font.strike_out) options |= biff4::kFontStrikeOut;
    return options;
}

uint16_t FontHeight(const WorksheetFont& font) {
    return static_cast<uint16_t>(std::clamp(font.height, 0, 0xFFFF));
}

biff4::PaletteColour PaletteEntry(const std::optional<WorksheetColour>& colour) {
    if (!colour) return {};  // "none" is black
    return {colour->red, colour->green, colour->blue};
}

uint8_t AlignmentByte(FieldAlignment alignment) {
    switch (alignment) {
        case FieldAlignment::kRight:
            return 0x23;
        case FieldAlignment::kCenter:
            return 0x22;
        case FieldAlignment::kLeft:
            break;
    }
    return 0x21;
}

// The largest number of exported columns: worksheet columns are one byte in formulas, and the
// column fonts (10 + i) must fit the format's one-byte font index.
int MaxExportedColumns(int group_levels) {
    return std::min(255 - kFirstColumnFont + 1, biff4::kMaxColumns - group_levels);
}

class FileSink : public ExportSink {
  public:
    explicit FileSink(ReplacingFile& file) : file_(file) {}
    void Write(std::string_view bytes) override { file_.Write(bytes); }

  private:
    ReplacingFile& file_;
};

class StreamSink : public ExportSink {
  public:
    explicit StreamSink(std::ostream& out) : out_(out) {}
    void Write(std::string_view bytes) override {
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out_) throw std::runtime_error("Cannot write the worksheet: the output stream failed");
    }

  private:
    std::ostream& out_;
};

}  // namespace

// ---- TGridExport ----

TGridExport::TGridExport(std::string file_name, const WorksheetDescription& grid, bool all_rows)
    : file_name_(std::move(file_name)), grid_(grid), all_rows_(all_rows) {}

void TGridExport::Execute() {
    CheckFits();
    ReplacingFile file(file_name_);
    FileSink sink(file);
    Run(sink);
    file.Commit();
}

void TGridExport::ExportTo(ExportSink& out) {
    CheckFits();
    Run(out);
}

void TGridExport::Run(ExportSink& out) {
    output_ = &out;
    try {
        ExportRows();
    } catch (...) {
        output_ = nullptr;
        throw;
    }
    output_ = nullptr;
}

void TGridExport::ExportRows() {
    if (!grid_.has_data) return;
    BeginFile();
    SheetRow = 0;
    WriteTitleRows();
    for (const WorksheetNode& node : grid_.nodes) {
        WriteNodeRow(node);
        ++SheetRow;
    }
    WriteFooterRows();
    EndFile();
}

// ---- TGridExportExcel ----

TGridExportExcel::TGridExportExcel(std::string file_name, const WorksheetDescription& grid,
                                   bool all_rows)
    : TGridExport(std::move(file_name), grid, all_rows), plan_(grid) {}

void TGridExportExcel::CheckFits() const {
    const int groups = std::max(grid_.group_levels, 0);
    plan_.CheckFits(
        {biff4::kMaxRows, MaxExportedColumns(groups) + groups, "an Excel 4.0 worksheet"});
}

void TGridExportExcel::FlushWhenFull() {
    if (records_.Size() < kFlushSize) return;
    Output(records_.Buffer());
    records_.Buffer().clear();
}

void TGridExportExcel::BeginFile() {
    records_.Buffer().clear();
    ExportColumns.clear();
    for (int i = 0; i < plan_.ExportedCount(); ++i) ExportColumns.push_back(i);

    records_.Bof();
    // Without the code page, readers take the texts for their own locale's 8-bit set.
    records_.CodePage();
    records_.Guts();
    const WorksheetPalette& p = grid_.look.palette;
    records_.Palette({PaletteEntry(p.header_font), PaletteEntry(p.header),
                      PaletteEntry(p.group_node_text), PaletteEntry(p.group_node),
                      PaletteEntry(p.font), PaletteEntry(p.background),
                      PaletteEntry(p.window_frame), PaletteEntry(p.window_background),
                      PaletteEntry(p.band_font), PaletteEntry(p.band), PaletteEntry(p.footer_text),
                      PaletteEntry(p.footer), PaletteEntry(p.grid_line)});
    WriteFonts();
    WriteFormats();
    WriteColumnWidths();
    records_.Dimensions();
}

void TGridExportExcel::WriteFonts() {
    const WorksheetLook& look = grid_.look;
    // Fonts 0 to 3; readers skip index 4, so the next record is font 5.
    for (int i = 0; i < 4; ++i) records_.Font(200, 0, 0x7FFF, "Arial");
    const auto font = [&](const WorksheetFont& f, uint16_t colour) {
        records_.Font(FontHeight(f), FontOptions(f), colour, f.face);
    };
    font(look.font, 12);                                          // 5: cells
    font(look.header_font, 8);                                    // 6: column captions
    font(look.font, 10);                                          // 7: group rows
    font(look.band_font, 16);                                     // 8: band captions
    font(look.font, 18);                                          // 9: group footers
    for (int i : ExportColumns) font(grid_.columns[i].font, 12);  // 10 + i
}

void TGridExportExcel::WriteFormats() {
    const bool grid_lines = grid_.look.show_grid;
    for (size_t i = 0; i < kFixedXfs.size(); ++i) {
        Xf xf = kFixedXfs[i];
        if (i == kXfColumnBase && grid_lines) std::fill(xf.begin() + 8, xf.end(), kThinGridLine);
        records_.Xf(xf);
    }
    for (size_t i = 0; i < ExportColumns.size(); ++i) {
        Xf xf = kFixedXfs[kXfColumnBase];
        xf[0] = static_cast<uint8_t>(kFirstColumnFont + i);
        xf[4] = AlignmentByte(grid_.columns[ExportColumns[i]].alignment);
        if (grid_lines) std::fill(xf.begin() + 8, xf.end(), kThinGridLine);
        records_.Xf(xf);
    }
}

void TGridExportExcel::WriteColumnWidths() {
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        records_.ColInfo(static_cast<uint16_t>(g), kGroupColumnWidth);
    }
    for (size_t i = 0; i < ExportColumns.size(); ++i) {
        const long width =
            static_cast<long>(grid_.columns[ExportColumns[i]].width) * kWidthPerPixel;
        records_.ColInfo(Column(static_cast<int>(i)),
                         static_cast<uint16_t>(std::clamp(width, 0L, 0xFFFFL)));
    }
}

void TGridExportExcel::WriteTitleRows() {
    if (plan_.BandRow() >= 0) WriteBandRow(static_cast<uint16_t>(plan_.BandRow()));
    if (plan_.HeaderRow() >= 0) WriteHeaderRow(static_cast<uint16_t>(plan_.HeaderRow()));
    SheetRow = plan_.TitleRows();
    FlushWhenFull();
}

void TGridExportExcel::WriteBandRow(uint16_t row) {
    const auto columns = static_cast<uint16_t>(plan_.SheetColumnCount());
    for (uint16_t column = 0; column < columns; ++column) records_.Blank(row, column, kXfGroup);
    for (const WorksheetPlan::BandCaption& band : plan_.BandCaptions()) {
        records_.Label(row, static_cast<uint16_t>(band.sheet_column), kXfBand, band.caption);
    }
}

void TGridExportExcel::WriteHeaderRow(uint16_t row) {
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        records_.Blank(row, static_cast<uint16_t>(g), kXfGroup);
    }
    for (size_t i = 0; i < ExportColumns.size(); ++i) {
        records_.Label(row, Column(static_cast<int>(i)), kXfCaption,
                       plan_.Caption(ExportColumns[i]));
    }
}

void TGridExportExcel::WriteCell(uint16_t row, const WorksheetNode& node, int exported) {
    const uint16_t column = Column(exported);
    const auto xf = static_cast<uint16_t>(kXfFirstColumn + exported);
    const int index = ExportColumns[exported];
    const WorksheetValue value = plan_.Value(node, index);
    switch (plan_.KindOf(index)) {
        case WorksheetValueKind::kNone:
            records_.Label(row, column, xf, {});
            return;
        case WorksheetValueKind::kPrice:
        case WorksheetValueKind::kDecimal: {
            // A null price is written as 0, as the format's readers have always found it.
            const auto* number = std::get_if<double>(&value);
            records_.Number(row, column, xf, number ? *number : 0.0);
            return;
        }
        case WorksheetValueKind::kPercent:
            // A margin that cannot be computed is no margin of 0: the cell stays empty.
            if (const auto* number = std::get_if<double>(&value)) {
                records_.Number(row, column, xf, *number);
            } else {
                records_.Label(row, column, xf, {});
            }
            return;
        case WorksheetValueKind::kInteger: {
            const auto* integer = std::get_if<int32_t>(&value);
            records_.Integer(row, column, xf, integer ? *integer : 0);
            return;
        }
        case WorksheetValueKind::kDateTime: {
            const auto* moment = std::get_if<DateTime>(&value);
            records_.Label(
                row, column, xf,
                moment ? table::Utf8ToCp1251(table::FormatDateTime(*moment, grid_.look.formats))
                       : std::string());
            return;
        }
        case WorksheetValueKind::kText: {
            const auto* text = std::get_if<std::string_view>(&value);
            std::string_view shown = text ? *text : std::string_view();
            if (table::kOddsFields[grid_.columns[index].field_index].size >
                static_cast<int>(kMemoCellLength)) {
                shown = shown.substr(0, kMemoCellLength);
            }
            records_.Label(row, column, xf, shown);
            return;
        }
    }
}

void TGridExportExcel::WriteNodeRow(const WorksheetNode& node) {
    const auto row = static_cast<uint16_t>(SheetRow);
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        if (g == node.level && node.IsGroup()) {
            records_.Label(row, static_cast<uint16_t>(g), kXfGroup, node.group_text);
        } else {
            records_.Blank(row, static_cast<uint16_t>(g), kXfGroup);
        }
    }
    for (int i = 0; i < static_cast<int>(ExportColumns.size()); ++i) {
        if (node.IsGroup()) {
            records_.Blank(row, Column(i), kXfGroup);
        } else {
            WriteCell(row, node, i);
        }
    }
    FlushWhenFull();
}

void TGridExportExcel::WriteFooterRows() {
    if (plan_.FooterRow() < 0) return;
    const auto row = static_cast<uint16_t>(plan_.FooterRow());
    for (int g = 0; g < plan_.GroupColumnCount(); ++g) {
        records_.Blank(row, static_cast<uint16_t>(g), kXfFooterBlank);
    }
    for (int i = 0; i < static_cast<int>(ExportColumns.size()); ++i) WriteFooterCell(row, i);
    ++SheetRow;
}

void TGridExportExcel::WriteFooterCell(uint16_t row, int exported) {
    // The exported columns are the worksheet description's columns in their order.
    const WorksheetFooterCell footer = plan_.Footer(ExportColumns[exported]);
    if (footer.IsBlank()) {
        records_.Blank(row, Column(exported), kXfFooterBlank);
        return;
    }
    if (!footer.HasRows()) {
        records_.Number(row, Column(exported), kXfFooter, 0.0);
        return;
    }
    biff4::AreaFunction function = biff4::AreaFunction::kCountA;
    switch (footer.summary) {
        case WorksheetSummary::kSum:
            function = biff4::AreaFunction::kSum;
            break;
        case WorksheetSummary::kMin:
            function = biff4::AreaFunction::kMin;
            break;
        case WorksheetSummary::kMax:
            function = biff4::AreaFunction::kMax;
            break;
        case WorksheetSummary::kAverage:
            function = biff4::AreaFunction::kAverage;
            break;
        case WorksheetSummary::kCount:
        case WorksheetSummary::kNone:
            break;
    }
    records_.AreaFormula(row, Column(exported), static_cast<uint16_t>(footer.first_row),
                         static_cast<uint16_t>(footer.last_row),
                         static_cast<uint8_t>(plan_.SheetColumnOf(footer.source)), function);
}

void TGridExportExcel::EndFile() {
    records_.Eof();
    Output(records_.Buffer());
    records_.Buffer().clear();
}

void SaveGridAsWorksheet(const WorksheetDescription& grid, const std::string& file_name,
                         bool all_rows) {
    TGridExportExcel exporter(file_name, grid, all_rows);
    exporter.Execute();
}

void WriteWorksheet(const WorksheetDescription& grid, std::ostream& out) {
    TGridExportExcel exporter("", grid, true);
    StreamSink sink(out);
    exporter.ExportTo(sink);
    out.flush();
    if (!out) throw std::runtime_error("Cannot write the worksheet: the output stream failed");
}

}  // namespace lintaro::worksheet
