// From the headless grid to the worksheet description: a walk over the layout's exported columns
// and the tree's pre-order nodes. Only group rows carry a text of their own; event rows point at
// their table rows.
#include "export/grid_sheet.h"

#include <algorithm>
#include <unordered_set>

#include "export/grid_export.h"
#include "table/cp1251_text.h"

namespace lintaro {
namespace {

SheetColour Colour(const grid::Rgb& rgb) { return {rgb.red, rgb.green, rgb.blue}; }

std::optional<SheetColour> Colour(const std::optional<grid::Rgb>& rgb) {
    if (!rgb) return std::nullopt;
    return Colour(*rgb);
}

SheetFont Font(const grid::GridFont& font) {
    SheetFont sheet_font;
    sheet_font.face = table::Utf8ToCp1251(font.face);
    sheet_font.height = font.point_size * 20;
    sheet_font.bold = font.bold;
    sheet_font.italic = font.italic;
    sheet_font.underline = font.underline;
    sheet_font.strike_out = font.strike_out;
    return sheet_font;
}

SheetSummary Summary(grid::SummaryKind kind) {
    switch (kind) {
        case grid::SummaryKind::kSum:
            return SheetSummary::kSum;
        case grid::SummaryKind::kMin:
            return SheetSummary::kMin;
        case grid::SummaryKind::kMax:
            return SheetSummary::kMax;
        case grid::SummaryKind::kCount:
            return SheetSummary::kCount;
        case grid::SummaryKind::kAverage:
            return SheetSummary::kAverage;
        case grid::SummaryKind::kNone:
            break;
    }
    return SheetSummary::kNone;
}

// An event row whose table row has gone since the tree was built reads as a row of nulls.
const table::OddsRecord kVanishedRow{};

}  // namespace

SheetDescription DescribeGrid(const grid::GridTree& tree, const grid::GridLook& look, bool all_rows,
                              const std::vector<int>& selected_rows) {
    const grid::GridLayout& layout = tree.Layout();
    SheetDescription sheet;
    sheet.group_levels = tree.LevelCount();

    for (int band = 0; band < static_cast<int>(layout.Bands().size()); ++band) {
        if (!layout.Bands()[band].visible) continue;
        sheet.bands.push_back({layout.Bands()[band].caption, layout.VisibleColumnCount(band)});
    }
    const SheetFont grid_font = Font(look.font);
    for (int index : layout.ExportColumns()) {
        const grid::GridColumn& column = layout.Column(index);
        SheetColumn sheet_column;
        sheet_column.caption = column.caption;
        sheet_column.disable_caption = column.disable_caption;
        sheet_column.field_index = column.field_index;
        sheet_column.computed = column.computed;
        sheet_column.width = column.width;
        sheet_column.font = grid_font;
        sheet_column.font.bold = grid_font.bold || column.bold;
        sheet_column.alignment = column.alignment;
        sheet_column.summary = Summary(column.summary);
        sheet.columns.push_back(std::move(sheet_column));
    }

    const std::unordered_set<int> selected(selected_rows.begin(), selected_rows.end());
    std::vector<grid::NodeRef> open_groups;  // group rows above the next event, not yet written
    for (const grid::NodeRef node : tree.PreOrder()) {
        SheetNode sheet_node;
        sheet_node.level = node.level;
        if (tree.IsGroup(node)) {
            if (all_rows) {
                sheet_node.group_text = tree.GroupText(node);
                sheet.nodes.push_back(std::move(sheet_node));
            } else {
                while (!open_groups.empty() && open_groups.back().level >= node.level) {
                    open_groups.pop_back();
                }
                open_groups.push_back(node);
            }
            continue;
        }
        if (!all_rows) {
            if (!selected.count(tree.TableRow(node))) continue;
            for (const grid::NodeRef group : open_groups) {
                SheetNode group_node;
                group_node.level = group.level;
                group_node.group_text = tree.GroupText(group);
                sheet.nodes.push_back(std::move(group_node));
            }
            open_groups.clear();
        }
        const table::OddsRecord* row = tree.Record(node);
        sheet_node.row = row ? row : &kVanishedRow;
        sheet.nodes.push_back(std::move(sheet_node));
    }

    SheetLook& sheet_look = sheet.look;
    sheet_look.font = grid_font;
    sheet_look.header_font = Font(look.header_font);
    sheet_look.band_font = Font(look.band_font);
    sheet_look.palette = {
        .header_font = Colour(look.header_font.colour),
        .header = Colour(look.header_colour),
        .group_node_text = Colour(look.group_node_text_colour),
        .group_node = Colour(look.group_node_colour),
        .font = Colour(look.font.colour),
        .background = Colour(look.background),
        .window_frame = Colour(look.window_frame),
        .window_background = Colour(look.window_background),
        .band_font = Colour(look.band_font.colour),
        .band = Colour(look.band_colour),
        .footer_text = Colour(look.footer_text_colour),
        .footer = Colour(look.footer_colour),
        .grid_line = Colour(look.grid_line_colour),
    };
    sheet_look.show_grid = look.show_grid;
    sheet_look.show_bands = look.show_bands;
    sheet_look.show_header = look.show_header;
    sheet_look.show_summary_footer = look.show_summary_footer;
    sheet_look.formats = tree.Formats();
    return sheet;
}

void SaveGridAsWorksheet(const grid::GridTree& tree, const grid::GridLook& look,
                         const std::string& file_name, bool all_rows) {
    const SheetDescription sheet = DescribeGrid(tree, look, all_rows);
    TGridExportExcel exporter(file_name, sheet, all_rows);
    exporter.Execute();
}

}  // namespace lintaro
