// The grid's event rows as CSV, for scripts and spreadsheet programs: the rows lintaro-cli load
// writes (the same header of field names and the same cells), in the grid's order with its
// filters applied, and after the fields one column per computed column the grid shows (the
// margins), headed by its caption and holding the value the cell shows in percent ("5.3").
#pragma once

#include <ostream>
#include <string>

#include "grid/grid_tree.h"

namespace lintaro::worksheet {

// Writes the CSV to `out`. Throws std::runtime_error when the stream fails.
void WriteGridCsv(const grid::GridTree& tree, std::ostream& out);

// Writes the CSV to `file_name`, replacing a file of that name only when it is complete. Throws
// EFileCreateError when the folder cannot take the file and EFileWriteError when writing fails.
void SaveGridAsCsv(const grid::GridTree& tree, const std::string& file_name);

}  // namespace lintaro::worksheet
