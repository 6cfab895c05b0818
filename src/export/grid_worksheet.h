// The grid's exports: the headless grid (its tree, layout and look) reduced to the description the
// worksheet writers read, and the operations the window and lintaro-cli call.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "export/worksheet_description.h"
#include "grid/grid_layout.h"
#include "grid/grid_tree.h"

namespace lintaro::worksheet {

// What the export writes of `tree` as it stands: the exported columns of its layout (visible
// columns of visible bands, in band then header order) with their captions, widths, fonts (the
// grid font, bold where the column is bold), alignment and summaries; the visible bands; every
// node in pre-order, rows inside collapsed groups included; the look's fonts, colours and switches
// and the tree's regional formats. Font faces in `look` are taken as UTF-8.
//
// With `all_rows` false only the event rows whose table rows are in `selected_rows` are written,
// each with the group rows above it (once per group), in tree order.
// The description points into the tree's table, which must outlive it.
WorksheetDescription DescribeGrid(const grid::GridTree& tree, const grid::GridLook& look,
                                  bool all_rows = true, const std::vector<int>& selected_rows = {});

// Writes the grid as an Excel 4.0 worksheet to `file_name`, through TGridExportExcel. Throws
// EFileCreateError ("Cannot create file NAME: REASON") when the folder cannot take the file,
// EFileWriteError when writing fails (the old file then stays as it was), and EWorksheetTooLarge
// before touching any file when the grid needs more than 16 384 rows.
void SaveGridAsWorksheet(const grid::GridTree& tree, const grid::GridLook& look,
                         const std::string& file_name, bool all_rows);

}  // namespace lintaro::worksheet
