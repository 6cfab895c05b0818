// The grid as an Office Open XML workbook (.xlsx) for analysts: the same worksheet plan as the
// Excel 4.0 export (export/worksheet_plan.h: group texts in leading columns, band row, header row,
// one row per node, the footer formula), with the groups as collapsible outline levels, the title
// rows frozen, an autofilter on the header row, prices and values as numbers, dates as date cells,
// and no row limit beyond the format's own 1 048 576.
#pragma once

#include <ostream>
#include <string>

#include "export/worksheet_description.h"

namespace lintaro::worksheet {

// Writes `grid` to `file_name`, replacing a file of that name only when the workbook is complete.
// Throws EFileCreateError when the folder cannot take the file, EFileWriteError when writing
// fails, and EWorksheetTooLarge for more rows or columns than the format holds (before any file is
// touched).
void SaveGridAsXlsx(const WorksheetDescription& grid, const std::string& file_name);

// The same workbook written to a stream (through a temporary file, since the container is only
// complete at the end). Throws as SaveGridAsXlsx, and std::runtime_error when the stream fails.
void WriteXlsx(const WorksheetDescription& grid, std::ostream& out);

// The number format of a date or time pattern of the regional settings (tokens as FormatCalendar
// reads them): "dd.MM.yyyy" gives "dd.mm.yyyy", "H:mm:ss" gives "h:mm:ss", "h:mm AP" gives
// "h:mm AM/PM". Other characters are kept as literal text.
std::string SpreadsheetDateFormat(std::string_view pattern);

}  // namespace lintaro::worksheet
