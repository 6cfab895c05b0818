// The team-name colouring rule.
#include "grid/team_name_colour.h"

#include "grid/grid_layout.h"

namespace lintaro::grid {

bool TeamNameIsNavy(const TeamCellContext& cell) {
    if (cell.selected || cell.group_row) return false;
    if (cell.column != kColHomeTeam && cell.column != kColGuestTeam) return false;
    // A missing row reads as a null sheet, which differs from the empty text.
    return !cell.dop_info || !cell.dop_info->has_value() || !(*cell.dop_info)->empty();
}

}  // namespace lintaro::grid
