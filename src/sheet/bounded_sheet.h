// An event sheet made safe and quick to show. A sheet is an HTML fragment from a bookmaker's page:
// untrusted, possibly broken, possibly hostile. Qt's rich-text layout is exponential in table
// nesting and slow in spans and cells, so the sheet is parsed by a real HTML5 parser (Gumbo) and
// written again with only what the viewer shows, within bounds that keep any sheet's layout
// within a fraction of a second:
//   - at most kMaxSheetBytes of the sheet are read;
//   - elements: p br hr b i u s strong em sub sup font span div pre code h1-h6 ul ol li table tr
//     td th caption img a. Other elements are dropped and their text kept (block containers such
//     as <section> or <form> become <div>, so their text keeps its lines); script, style, head,
//     frames and the like are dropped with their content;
//   - attributes: colspan rowspan align valign width height border cellpadding cellspacing
//     bgcolor color size, and alt on images. No URL, event handler, style or class survives, so
//     the viewer has nothing to load or follow;
//   - tables nest at most kMaxTableDepth deep; a deeper table becomes its text (cells separated by
//     spaces, rows by line breaks);
//   - spans are at most kMaxSpan; widths and heights at most kMaxLength pixels or 100%; border,
//     cellpadding and cellspacing at most kMaxSpacing; font sizes 1 to 7; images at most
//     kMaxImageExtent pixels each way;
//   - all tables together hold at most kMaxGridSlots grid slots (rows times columns after spans);
//     a slot of a table nested d deep counts kNestingCost^(d-1) times, because each level of
//     nesting makes Qt lay out everything inside it two to three times over. What the cells hold
//     is charged to the same budget when the table starts: an eighth of a slot for each block or
//     line (paragraph, line break, list item, image, row of a table inside) and for every 16
//     bytes of a text past its first 16, times kNestingCost^d. A table whose content does not fit
//     becomes text; the row that would pass the budget, and every row after it in its table,
//     becomes text;
//   - other elements nest at most kMaxElementDepth deep; deeper ones are dropped, their text kept;
//   - a sheet whose parse needs more than kMaxParseBytes of memory shows its text without markup.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lintaro::sheet {

inline constexpr size_t kMaxSheetBytes = 32 * 1024;
inline constexpr int kMaxTableDepth = 8;
inline constexpr int kMaxSpan = 8;
inline constexpr long kMaxGridSlots = 2000;
inline constexpr long kNestingCost = 3;
inline constexpr int kMaxLength = 2000;
inline constexpr int kMaxSpacing = 16;
inline constexpr int kMaxImageExtent = 200;
inline constexpr int kMaxElementDepth = 32;
inline constexpr size_t kMaxParseBytes = 4 * 1024 * 1024;

// Writes the bounded form of `cp1251_sheet` (Windows-1251 HTML) as UTF-8 HTML for the viewer.
// Never fails: whatever the input, the result is well-formed markup within the bounds above.
std::string WriteBoundedSheet(std::string_view cp1251_sheet);

}  // namespace lintaro::sheet
