// The grid's worksheet export: TGridExport walks what the grid shows (title rows, every node in
// tree order, the footer) and TGridExportExcel writes it as an Excel 4.0 worksheet (BIFF4), with
// the group texts in leading columns, the grid's fonts, colours, alignment and widths, and a live
// formula in the footer. Rows, captions and footer cells come from the worksheet plan
// (export/worksheet_plan.h); this file only encodes them as records (export/biff4_records.h).
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "export/biff4_records.h"
#include "export/worksheet_description.h"
#include "export/worksheet_plan.h"

namespace lintaro::worksheet {

// Where an export's bytes go.
class ExportSink {
  public:
    virtual ~ExportSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

// The export's walk over the grid. The five writing slots do nothing here; a file format fills
// them. One object serves one export.
class TGridExport {
  public:
    // `grid` must outlive the object. `all_rows`: every node, rows inside collapsed groups too (the
    // description's nodes are exactly what is written; the flag records how they were chosen).
    TGridExport(std::string file_name, const WorksheetDescription& grid, bool all_rows);
    virtual ~TGridExport() = default;
    TGridExport(const TGridExport&) = delete;
    TGridExport& operator=(const TGridExport&) = delete;

    virtual void BeginFile() {}
    virtual void EndFile() {}
    virtual void WriteTitleRows() {}
    virtual void WriteFooterRows() {}
    virtual void WriteNodeRow(const WorksheetNode& node) { (void)node; }
    // Writes the file: the bytes go to a new file beside the target, which replaces the target only
    // when the export is complete, so a failure leaves the old file as it was. Throws
    // EFileCreateError ("Cannot create file NAME: REASON") when the folder cannot take the file,
    // EFileWriteError when writing fails, and what the format refuses before creating anything.
    virtual void Execute();
    // Title rows, then every node in order, then the footer. Nothing at all when the grid has no
    // table.
    virtual void ExportRows();

    // Runs the export into `out` instead of a file (with the same checks as Execute).
    void ExportTo(ExportSink& out);

  protected:
    // Refuses, before any output, a grid the format cannot hold. Nothing to refuse here.
    virtual void CheckFits() const {}
    void Output(std::string_view bytes) { output_->Write(bytes); }

    const std::string file_name_;
    const WorksheetDescription& grid_;
    const bool all_rows_;
    int SheetRow = 0;                // 0-based number of the next worksheet row
    ExportSink* output_ = nullptr;   // the file while the export runs
    std::vector<int> ExportColumns;  // indexes into grid_.columns, in worksheet order

  private:
    void Run(ExportSink& out);
};

class TGridExportExcel : public TGridExport {
  public:
    TGridExportExcel(std::string file_name, const WorksheetDescription& grid, bool all_rows);

    void BeginFile() override;
    void EndFile() override;
    void WriteTitleRows() override;
    void WriteFooterRows() override;
    void WriteNodeRow(const WorksheetNode& node) override;

  protected:
    void CheckFits() const override;

  private:
    // Rows and columns are 16 bits in the records; CheckFits keeps both in range.
    uint16_t Column(int exported) const {
        return static_cast<uint16_t>(plan_.SheetColumnOf(exported));
    }
    void FlushWhenFull();
    void WriteFonts();
    void WriteFormats();
    void WriteColumnWidths();
    void WriteBandRow(uint16_t row);
    void WriteHeaderRow(uint16_t row);
    void WriteCell(uint16_t row, const WorksheetNode& node, int exported);
    void WriteFooterCell(uint16_t row, int exported);

    const WorksheetPlan plan_;
    biff4::RecordWriter records_;
};

// Writes `grid` as an Excel 4.0 worksheet to `file_name`, replacing a file of that name only when
// the export is complete. Throws as TGridExport::Execute.
void SaveGridAsWorksheet(const WorksheetDescription& grid, const std::string& file_name,
                         bool all_rows);

// The same worksheet written to a stream (standard output); throws std::runtime_error when the
// stream fails and EWorksheetTooLarge before writing anything.
void WriteWorksheet(const WorksheetDescription& grid, std::ostream& out);

}  // namespace lintaro::worksheet
