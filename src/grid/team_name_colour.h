// The odds grid's one colouring rule: team names in navy when the event has an event sheet. Kept as
// a pure function so the window's drawing and the tests share it.
#pragma once

#include <optional>
#include <string>

namespace lintaro::grid {

// What the rule needs to know about one cell about to be drawn.
struct TeamCellContext {
    bool selected = false;   // drawn in the selection colours
    bool group_row = false;  // the cell belongs to a group row
    int column = -1;         // layout column index (see GridColumnIndex)
    // The row's event sheet as loaded; null counts as a sheet.
    const std::optional<std::string>* dop_info = nullptr;
};

// True when the cell's text is to be drawn in navy (RGB 0, 0, 128): an unselected event row's
// home or guest team whose event sheet is anything but the empty text (null included). Every other
// cell keeps its font; the grid always draws the cell itself.
bool TeamNameIsNavy(const TeamCellContext& cell);

}  // namespace lintaro::grid
