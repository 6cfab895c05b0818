// What a worksheet export writes: the grid reduced to plain values (the exported columns, the
// visible bands, the nodes in tree order, and the grid's fonts, colours and switches). The grid
// adapter fills one from the live grid; the .xls and .xlsx writers read nothing else.
//
// Texts (captions, font faces, group texts) are Windows-1251 bytes, like every text of the core.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_layout.h"
#include "table/odds_display.h"
#include "table/odds_table.h"

namespace lintaro::worksheet {

struct WorksheetColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(WorksheetColour, WorksheetColour) = default;
};

struct WorksheetFont {
    std::string face;  // Windows-1251
    int height = 160;  // in twentieths of a point (8 pt)
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
};

// What the footer cell under a column summarises.
enum class WorksheetSummary { kNone, kSum, kMin, kMax, kCount, kAverage };

// One exported column, in worksheet order.
struct WorksheetColumn {
    std::string caption;           // header caption, Windows-1251
    bool disable_caption = false;  // the header cell is written with the empty text
    int field_index = -1;          // the odds table field the column shows, or -1 for none
    // A column computed from the row (the margins) instead of a field; field_index is then -1.
    grid::ComputedColumn computed = grid::ComputedColumn::kNone;
    grid::RowNumberSource row_number;  // the values of the comparison's columns
    int width = 64;                    // current width in pixels
    WorksheetFont font;                // the font of the column's cells
    table::FieldAlignment alignment = table::FieldAlignment::kLeft;  // of the cell text
    WorksheetSummary summary = WorksheetSummary::kNone;
    // Name of the field a sum, minimum, maximum or average reads (compared without regard to
    // letter case with the exported columns' field names); empty: the column's own field. A count
    // always counts the column itself.
    std::string summary_field;
};

// A visible band and the number of exported columns under it (in all of its header rows).
struct WorksheetBand {
    std::string caption;  // Windows-1251
    int column_count = 0;
};

// One row of the grid's tree. Group rows have children, event rows have none.
struct WorksheetNode {
    int level = 0;  // 0 for the first grouping level; an event row's level is the number of levels
    const table::OddsRecord* row = nullptr;  // the event row; nullptr for a group row (not owned)
    std::string group_text;  // a group row's text as the grid shows it, Windows-1251
    bool IsGroup() const { return row == nullptr; }
};

// The 13 colours the worksheet's palette takes (colour indexes 8 to 20 in this order). Unset stands
// for "none" and is written as black.
struct WorksheetPalette {
    std::optional<WorksheetColour> header_font;        // 8
    std::optional<WorksheetColour> header;             // 9
    std::optional<WorksheetColour> group_node_text;    // 10
    std::optional<WorksheetColour> group_node;         // 11
    std::optional<WorksheetColour> font;               // 12: the grid's font
    std::optional<WorksheetColour> background;         // 13: the grid's background
    std::optional<WorksheetColour> window_frame;       // 14: the system window frame
    std::optional<WorksheetColour> window_background;  // 15: the system window background
    std::optional<WorksheetColour> band_font;          // 16
    std::optional<WorksheetColour> band;               // 17
    std::optional<WorksheetColour> footer_text;        // 18
    std::optional<WorksheetColour> footer;             // 19
    std::optional<WorksheetColour> grid_line;          // 20
};

// The grid's look as the export copies it. The defaults are the odds grid at start on the
// standard colour scheme.
struct WorksheetLook {
    WorksheetFont font{"MS Sans Serif", 160};
    WorksheetFont header_font{"MS Sans Serif", 160};
    WorksheetFont band_font{"MS Sans Serif", 160};
    WorksheetPalette palette{
        .header_font = WorksheetColour{0, 0, 128},
        .header = WorksheetColour{240, 240, 240},
        .group_node_text = std::nullopt,
        .group_node = WorksheetColour{240, 240, 240},
        .font = WorksheetColour{0, 0, 0},
        .background = WorksheetColour{255, 255, 255},
        .window_frame = WorksheetColour{100, 100, 100},
        .window_background = WorksheetColour{255, 255, 255},
        .band_font = WorksheetColour{0, 0, 128},
        .band = WorksheetColour{240, 240, 240},
        .footer_text = std::nullopt,
        .footer = WorksheetColour{240, 240, 240},
        .grid_line = std::nullopt,
    };
    bool show_grid = true;            // thin lines around the cells of the exported columns
    bool show_bands = true;           // a band row above the header row
    bool show_header = true;          // a row of column captions
    bool show_summary_footer = true;  // a footer row of live formulas
    // Regional settings for the display texts written as labels (the date column). The defaults
    // are the Russian ones.
    table::RegionalFormats formats;
};

struct WorksheetDescription {
    // False when the grid is linked to no table: the export then writes an empty file.
    bool has_data = true;
    int group_levels = 0;                  // leading worksheet columns that hold the group texts
    std::vector<WorksheetBand> bands;      // visible bands in order
    std::vector<WorksheetColumn> columns;  // exported columns in worksheet order
    std::vector<WorksheetNode> nodes;  // every node in tree order (a group row before its content)
    WorksheetLook look;
};

// The column whose values the footer summary of columns[i] takes: i itself for a count; for a
// sum, minimum, maximum or average the first column whose field name equals the summary's field
// name, letter case ignored. -1 when the column has no summary or no column matches.
int SummarySourceColumn(const std::vector<WorksheetColumn>& columns, int i);

}  // namespace lintaro::worksheet
