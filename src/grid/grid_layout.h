// The odds grid's layout as data: four bands, nineteen columns with every attribute the grid and
// the worksheet export read (caption, band, width, visibility, background, boldness, alignments,
// fixed, filter, sort, grouping, summary), and the grid's look (fonts and colours) as plain values.
//
// A GridLayout is mutable: the window's header keeps it in step as the user resizes or moves
// columns and groups by other columns, so that the export writes the grid as it stands. A default
// constructed layout is the grid as laid out at start.
//
// Texts here (captions) are Windows-1251 bytes, like every text of the core.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "table/odds_display.h"

namespace lintaro::grid {

// Where a column's cells take their background from.
enum class ColumnBackground {
    kGrid,     // the grid's own background (the scheme's window colour)
    kInfo,     // the scheme's tooltip background (light yellow in the standard scheme)
    kApricot,  // RGB 240, 202, 166
};

enum class SortDirection { kAscending, kDescending };

// What a footer cell under a column summarises.
enum class SummaryKind { kNone, kSum, kMin, kMax, kCount, kAverage };

struct GridBand {
    std::string caption;  // Windows-1251
    bool visible = true;
};

// A column whose cells are computed from the row rather than read from one field.
enum class ComputedColumn {
    kNone,            // the column shows its table field
    kMargin1X2,       // the margin of the 1X2 market (grid/margin.h)
    kMarginHandicap,  // of the handicap
    kMarginTotal,     // of the total
    // Columns of two bookmakers' lines shown together, whose values the comparison gives (a
    // RowNumberSource): without one they are never shown.
    kBestMargin,  // the 1X2 margin at the better price of each outcome
    kSurebet,     // the profit of the event's best surebet
};

// The values of a column computed outside the grid (the comparison's columns): a fraction per row
// (0.023 is 2.3%), nothing when the row has none. Asked while sorting, filtering and drawing, so it
// answers quickly and never throws.
using RowNumberSource = std::function<std::optional<double>(const table::OddsRecord& row)>;

struct GridColumn {
    int field_index = -1;  // index into kOddsFields: the table field the column shows; -1 for a
                           // computed column
    ComputedColumn computed = ComputedColumn::kNone;
    std::string caption;           // header caption, Windows-1251
    bool disable_caption = false;  // the header shows no caption (the event sheet column)
    int band = 0;                  // index into GridLayout::Bands()
    int width = 0;                 // current width in pixels
    bool visible = true;           // shown as a column (grouped columns are not)
    ColumnBackground background = ColumnBackground::kGrid;
    bool bold = false;  // cells in the bold grid font
    table::FieldAlignment caption_alignment = table::FieldAlignment::kLeft;
    table::FieldAlignment alignment =
        table::FieldAlignment::kLeft;  // of the cell text (the field's own)
    bool fixed = false;                // cannot be dragged: neither moved nor grouped by
    bool filter = false;               // a visible column with a filter drop-down in its header
    // Order of the values when the column groups the rows (the group columns) or sorts them at
    // start (the date). Unset: the column does not sort at start.
    std::optional<SortDirection> sorted;
    int group_level = 0;  // 1, 2, ... while the rows are grouped by the column; 0 otherwise
    SummaryKind summary = SummaryKind::kNone;  // footer item under the column
    // kBestMargin and kSurebet read their values here; unset, they have none and cannot be shown.
    RowNumberSource row_number;
};

// Column indexes of the layout (positions in the table of columns, not field indexes).
enum GridColumnIndex : int {
    kColSport = 0,
    kColCompetition,
    kColDate,
    kColHomeTeam,
    kColGuestTeam,
    kColP1,
    kColX,
    kColP2,
    kColPX1,
    kColP12,
    kColP2X,
    kColVF1,
    kColF1,
    kColVF2,
    kColF2,
    kColVT,
    kColTM,
    kColTB,
    kColDopInfo,
    // The margins, hidden until a user shows them; at the end of their bands.
    kColMargin1X2,
    kColMarginHandicap,
    kColMarginTotal,
    // The comparison's columns, hidden, and offered to the user only while a comparison gives
    // their values.
    kColBestMargin,
    kColSurebet,
    kGridColumnCount
};

// Width given to a column the layout leaves at its default (the event sheet column).
inline constexpr int kDefaultColumnWidth = 64;

class GridLayout {
  public:
    // The grid as laid out at start: bands 0..3, the 19 columns in their order, grouped by sport
    // then tournament, the date ascending, the count under the home team; then the three margin
    // columns, hidden, and the comparison's two, hidden and without values.
    GridLayout();

    const std::vector<GridBand>& Bands() const { return bands_; }
    const GridColumn& Column(int column) const { return columns_.at(column); }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }

    // Header positions: every column (hidden ones included) in the order the header places them,
    // band by band. At start this is the order of the columns within each band.
    const std::vector<int>& Order() const { return order_; }

    // The visible columns of the visible bands in band order, then header order: what the header
    // shows and what the worksheet export writes (its ExportColumns). At start: the date, the two
    // teams, the six prices (P1, X, P2, PX1, P12, P2X), the four handicap and the three total
    // columns.
    std::vector<int> ExportColumns() const;
    // Visible columns of `band` (0 when the band itself is hidden).
    int VisibleColumnCount(int band) const;

    // The grouping: column indexes, level 1 first. At start: sport, tournament.
    std::vector<int> GroupColumns() const;

    // Changes made by the window. Each keeps the layout consistent.
    void SetWidth(int column, int width);  // clamped to at least 1 pixel
    void SetVisible(int column, bool visible);
    // Gives a computed column its values (see RowNumberSource); an empty source takes them away
    // and hides the column.
    void SetRowNumbers(int column, RowNumberSource source);

    // The columns a user may show or hide (the header's column checklist), in header order: every
    // column but the event sheet's markup and the ones that group the rows.
    std::vector<int> UserToggleableColumns() const;
    bool IsUserToggleable(int column) const;
    // The order of a grouping column's values (set while grouped; the event rows' sort is the
    // tree's own).
    void SetSorted(int column, std::optional<SortDirection> direction);
    // Moves `column` to header position `position` within its own band (clamped to the band's
    // positions); columns never leave their band.
    void MoveWithinBand(int column, int position_in_band);
    // Header position of `column` within its band (counting hidden columns too).
    int PositionInBand(int column) const;
    // Moves `column` to just before `before` (a drop on that header), when both are columns of
    // one band and not the same column; false, and nothing moves, otherwise.
    bool MoveBefore(int column, int before);
    bool CanMoveBefore(int column, int before) const;

    // Whether the rows can be grouped by `column`: a known column that is not fixed. A column
    // already grouping can (it keeps its level or takes another).
    bool CanGroupBy(int column) const;
    // Whether `columns` can be the grouping levels: each can group, none repeated.
    bool CanGroupBy(const std::vector<int>& columns) const;
    // Groups by `columns` (level 1 first): those columns become hidden, and a column that stops
    // grouping is shown again at the end of its band. A list that CanGroupBy refuses throws
    // std::invalid_argument; the layout is then unchanged.
    void SetGroupColumns(const std::vector<int>& columns);

    // The text of `column` in the header's checklist of columns (Windows-1251): its caption, told
    // apart from another listed column of the same caption ("знач." three times) by its band
    // ("знач. (Фора)"), or within the band by the column that follows it ("знач. (Ф1)").
    std::string ChecklistCaption(int column) const;

  private:
    std::vector<GridBand> bands_;
    std::vector<GridColumn> columns_;
    std::vector<int> order_;
};

// An RGB colour.
struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb kNavy{0, 0, 128};
inline constexpr Rgb kApricot{240, 202, 166};

struct GridFont {
    std::string face;  // family name
    int point_size = 8;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    Rgb colour;
};

// The grid's fonts, colours and switches, which the worksheet export copies. A colour left unset
// stands for "none". The window fills one from its live widgets (OddsGridView::Look); the default
// is the grid at start on the standard Windows colour scheme, with the face the layout names, for
// exports made without a window.
struct GridLook {
    GridFont font{"MS Sans Serif", 8, false, false, false, false, Rgb{0, 0, 0}};
    GridFont header_font{"MS Sans Serif", 8, false, false, false, false, kNavy};
    GridFont band_font{"MS Sans Serif", 8, false, false, false, false, kNavy};
    std::optional<Rgb> header_colour = Rgb{240, 240, 240};  // button face
    std::optional<Rgb> group_node_text_colour;              // none
    std::optional<Rgb> group_node_colour = Rgb{240, 240, 240};
    std::optional<Rgb> background = Rgb{255, 255, 255};         // the grid colour (window)
    std::optional<Rgb> window_frame = Rgb{100, 100, 100};       // system window frame
    std::optional<Rgb> window_background = Rgb{255, 255, 255};  // system window background
    std::optional<Rgb> band_colour = Rgb{240, 240, 240};
    std::optional<Rgb> footer_text_colour;  // none
    std::optional<Rgb> footer_colour = Rgb{240, 240, 240};
    std::optional<Rgb> grid_line_colour;  // none
    Rgb info_background{255, 255, 225};   // tooltip background
    Rgb apricot = kApricot;
    bool show_bands = true;
    bool show_header = true;
    bool show_summary_footer = true;
    bool show_grid = true;  // lines between the cells
};

}  // namespace lintaro::grid
