// From the headless grid to the worksheet description: a walk over the layout's exported columns
// and the tree's pre-order nodes. Only group rows carry a text of their own; event rows point at
// their table rows.
#include "export/grid_worksheet.h"

#include <algorithm>
#include <unordered_set>

#include "export/grid_export.h"
#include "table/cp1251_text.h"

namespace lintaro::worksheet {

using table::OddsRecord;
using table::RegionalFormats;
using table::Utf8ToCp1251;
namespace {

WorksheetColour Colour(const grid::Rgb& rgb) { return {rgb.red, rgb.green, rgb.blue}; }

std::optional<WorksheetColour> Colour(const std::optional<grid::Rgb>& rgb) {
    if (!rgb) return std::nullopt;
    return Colour(*rgb);
}

WorksheetFont Font(const grid::GridFont& font) {
    WorksheetFont worksheet_font;
    worksheet_font.face = Utf8ToCp1251(font.face);
    worksheet_font.height = font.point_size * 20;
    worksheet_font.bold = font.bold;
    worksheet_font.italic = font.italic;
    worksheet_font.underline = font.underline;
    worksheet_font.strike_out = font.strike_out;
    return worksheet_font;
}

WorksheetSummary Summary(grid::SummaryKind kind) {
    switch (kind) {
        case grid::SummaryKind::kSum:
            return WorksheetSummary::kSum;
        case grid::SummaryKind::kMin:
            return WorksheetSummary::kMin;
        case grid::SummaryKind::kMax:
            return WorksheetSummary::kMax;
        case grid::SummaryKind::kCount:
            return WorksheetSummary::kCount;
        case grid::SummaryKind::kAverage:
            return WorksheetSummary::kAverage;
        case grid::SummaryKind::kNone:
            break;
    }
    return WorksheetSummary::kNone;
}

// An event row whose table row has gone since the tree was built reads as a row of nulls.
const OddsRecord kVanishedRow{};

// The visible bands and the exported columns of the layout, in the grid's font.
void DescribeColumns(const grid::GridLayout& layout, const WorksheetFont& grid_font,
                     WorksheetDescription& worksheet) {
    for (int band = 0; band < static_cast<int>(layout.Bands().size()); ++band) {
        if (!layout.Bands()[band].visible) continue;
        worksheet.bands.push_back({layout.Bands()[band].caption, layout.VisibleColumnCount(band)});
    }
    for (int index : layout.ExportColumns()) {
        const grid::GridColumn& column = layout.Column(index);
        WorksheetColumn worksheet_column;
        worksheet_column.caption = column.caption;
        worksheet_column.disable_caption = column.disable_caption;
        worksheet_column.field_index = column.field_index;
        worksheet_column.computed = column.computed;
        worksheet_column.row_number = column.row_number;
        worksheet_column.width = column.width;
        worksheet_column.font = grid_font;
        worksheet_column.font.bold = grid_font.bold || column.bold;
        worksheet_column.alignment = column.alignment;
        worksheet_column.summary = Summary(column.summary);
        worksheet.columns.push_back(std::move(worksheet_column));
    }
}

WorksheetNode GroupNode(const grid::GridTree& tree, grid::NodeRef group) {
    WorksheetNode node;
    node.level = group.level;
    node.group_text = tree.GroupText(group);
    return node;
}

WorksheetNode EventNode(const grid::GridTree& tree, grid::NodeRef event) {
    WorksheetNode node;
    node.level = event.level;
    const OddsRecord* row = tree.Record(event);
    node.row = row ? row : &kVanishedRow;
    return node;
}

// Every node of the tree in pre-order.
void DescribeAllNodes(const grid::GridTree& tree, std::vector<WorksheetNode>& nodes) {
    for (const grid::NodeRef node : tree.PreOrder()) {
        nodes.push_back(tree.IsGroup(node) ? GroupNode(tree, node) : EventNode(tree, node));
    }
}

// The event rows whose table rows are selected, each with the group rows above it that are not
// written yet, in pre-order.
void DescribeSelectedNodes(const grid::GridTree& tree, const std::vector<int>& selected_rows,
                           std::vector<WorksheetNode>& nodes) {
    const std::unordered_set<int> selected(selected_rows.begin(), selected_rows.end());
    std::vector<grid::NodeRef> open_groups;  // group rows above the next event, not yet written
    for (const grid::NodeRef node : tree.PreOrder()) {
        if (tree.IsGroup(node)) {
            while (!open_groups.empty() && open_groups.back().level >= node.level) {
                open_groups.pop_back();
            }
            open_groups.push_back(node);
            continue;
        }
        if (!selected.count(tree.TableRow(node))) continue;
        for (const grid::NodeRef group : open_groups) nodes.push_back(GroupNode(tree, group));
        open_groups.clear();
        nodes.push_back(EventNode(tree, node));
    }
}

WorksheetLook DescribeLook(const grid::GridLook& look, const WorksheetFont& grid_font,
                           const RegionalFormats& formats) {
    WorksheetLook worksheet_look;
    worksheet_look.font = grid_font;
    worksheet_look.header_font = Font(look.header_font);
    worksheet_look.band_font = Font(look.band_font);
    worksheet_look.palette = {
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
    worksheet_look.show_grid = look.show_grid;
    worksheet_look.show_bands = look.show_bands;
    worksheet_look.show_header = look.show_header;
    worksheet_look.show_summary_footer = look.show_summary_footer;
    worksheet_look.formats = formats;
    return worksheet_look;
}

}  // namespace

WorksheetDescription DescribeGrid(const grid::GridTree& tree, const grid::GridLook& look,
                                  bool all_rows, const std::vector<int>& selected_rows) {
    WorksheetDescription worksheet;
    worksheet.group_levels = tree.LevelCount();
    const WorksheetFont grid_font = Font(look.font);
    DescribeColumns(tree.Layout(), grid_font, worksheet);
    if (all_rows) {
        DescribeAllNodes(tree, worksheet.nodes);
    } else {
        DescribeSelectedNodes(tree, selected_rows, worksheet.nodes);
    }
    worksheet.look = DescribeLook(look, grid_font, tree.Formats());
    return worksheet;
}

void SaveGridAsWorksheet(const grid::GridTree& tree, const grid::GridLook& look,
                         const std::string& file_name, bool all_rows) {
    const WorksheetDescription worksheet = DescribeGrid(tree, look, all_rows);
    TGridExportExcel exporter(file_name, worksheet, all_rows);
    exporter.Execute();
}

}  // namespace lintaro::worksheet
