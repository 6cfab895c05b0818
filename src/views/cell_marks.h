// What moved in a cell since the previous refresh, as the grid shows it: a small mark whose shape
// tells the direction, and a text for its tooltip and for assistive technology. The grid asks the
// window for a cell's mark through a function, so it knows nothing of how movement is worked out.
#pragma once

#include <QColor>
#include <QString>
#include <functional>

#include "table/odds_table.h"

namespace lintaro::views {

enum class CellMarkKind {
    kNone,
    kUp,           // the price or line rose: a triangle pointing up
    kDown,         // it fell: a triangle pointing down
    kLineChanged,  // a price whose handicap or total line changed: a small diamond
    kNew,          // an event new since the previous refresh (on its date cell): a dot
};

// The colour a mark of `kind` is drawn in on the light colours it was chosen for (each reads at
// 4.5:1 or more on white, the tooltip yellow and the apricot band); on other backgrounds it is made
// readable (ReadableGraphicColour).
QColor MarkColour(CellMarkKind kind);

struct CellMark {
    CellMarkKind kind = CellMarkKind::kNone;
    // What the tooltip and a screen reader say of the movement ("было 1.85 (в 10:42:05)",
    // "новое").
    QString text;
    // A letter or two drawn small at the cell's right edge, in the text's colour: which bookmaker
    // holds the price shown when two lines are compared ("М", "П"). Empty: none.
    QString badge{};
    // What the tooltip and a screen reader say of the two lines ("Марафон 2.10, Пинакл 2.15",
    // "только у Пинакла"), before the movement's text. The badge and this text show even while
    // the movement marks are switched off.
    QString badge_text{};
};

// The mark of field `field_index` (an index into kOddsFields) of a shown row.
using CellMarkSource = std::function<CellMark(const table::OddsRecord& row, int field_index)>;

// How many marks of each kind a row holds, or a group's rows together: what a collapsed group row
// tells of the prices under it, and what "only what moved" keeps.
struct MarkCounts {
    int up = 0;            // prices and lines that rose
    int down = 0;          // ... that fell
    int line_changed = 0;  // prices whose handicap or total line changed
    int new_events = 0;    // events new since the previous refresh
    bool Any() const { return up != 0 || down != 0 || line_changed != 0 || new_events != 0; }
    MarkCounts& operator+=(const MarkCounts& other) {
        up += other.up;
        down += other.down;
        line_changed += other.line_changed;
        new_events += other.new_events;
        return *this;
    }
    friend bool operator==(const MarkCounts&, const MarkCounts&) = default;
};

// The marks of a shown row, counted (the same marks CellMarkSource gives cell by cell). Asked once
// per row after each read, never while painting.
using RowMarkSource = std::function<MarkCounts(const table::OddsRecord& row)>;

// The short form a collapsed group row shows at its right ("▲3 ▼2", a diamond for changed lines,
// a dot for new events), empty when nothing moved.
QString MarkCountsShortText(const MarkCounts& counts);
// The same in words, for its tooltip and for assistive technology ("выросло цен: 3, упало: 2").
QString MarkCountsLongText(const MarkCounts& counts);

}  // namespace lintaro::views
