// What moved in a cell since the previous refresh, as the grid shows it: a small mark whose shape
// tells the direction, and a text for its tooltip and for assistive technology. The grid asks the
// window for a cell's mark through a function, so it knows nothing of how movement is worked out.
#pragma once

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

struct CellMark {
    CellMarkKind kind = CellMarkKind::kNone;
    // What the tooltip and a screen reader say ("было 1.85 (в 10:42:05)", "новое").
    QString text;
};

// The mark of field `field_index` (an index into kOddsFields) of a shown row.
using CellMarkSource = std::function<CellMark(const OddsRecord& row, int field_index)>;

}  // namespace lintaro::views
