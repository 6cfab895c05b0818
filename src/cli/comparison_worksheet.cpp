// The comparison as the worksheet writers read it: the grid's columns and look from a grid at
// start, and nodes of our own, one group per compared event.
#include "cli/comparison_worksheet.h"

#include <cstdio>
#include <optional>
#include <string>

#include "export/grid_worksheet.h"
#include "export/row_format.h"
#include "grid/grid_layout.h"
#include "grid/grid_tree.h"
#include "table/cp1251_text.h"

namespace lintaro::cli {

using table::Cp1251ToUtf8;
using table::Decimal;
using table::OddsRecord;
using table::OddsTable;
using table::Utf8ToCp1251;
using worksheet::DecimalText;
using worksheet::DescribeGrid;

namespace {

using compare::PriceField;

// The grid's caption of a price field ("1", "X1", "Ф1", "ТБ"), UTF-8.
const char* FieldCaption(PriceField field) {
    switch (field) {
        case PriceField::kP1:
            return "1";
        case PriceField::kX:
            return "X";
        case PriceField::kP2:
            return "2";
        case PriceField::kPX1:
            return "X1";
        case PriceField::kP2X:
            return "2X";
        case PriceField::kP12:
            return "12";
        case PriceField::kF1:
            return "Ф1";
        case PriceField::kF2:
            return "Ф2";
        case PriceField::kTM:
            return "TM";
        case PriceField::kTB:
            return "ТБ";
    }
    return "";
}

const char* WhereText(compare::Where where) {
    switch (where) {
        case compare::Where::kFirst:
            return "у первой";
        case compare::Where::kSecond:
            return "у второй";
        case compare::Where::kBoth:
            return "у обеих";
    }
    return "";
}

std::string Fixed(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

// The price field's place in a row, and the line it stands at.
std::optional<Decimal>* PriceOf(OddsRecord& row, PriceField field) {
    switch (field) {
        case PriceField::kP1:
            return &row.P1;
        case PriceField::kX:
            return &row.X;
        case PriceField::kP2:
            return &row.P2;
        case PriceField::kPX1:
            return &row.PX1;
        case PriceField::kP2X:
            return &row.P2X;
        case PriceField::kP12:
            return &row.P12;
        case PriceField::kF1:
            return &row.F1;
        case PriceField::kF2:
            return &row.F2;
        case PriceField::kTM:
            return &row.TM;
        case PriceField::kTB:
            return &row.TB;
    }
    return nullptr;
}

// The row of the better prices: the first's event (sport, date, teams) with each best price at
// its line. A total whose under and over are best at different lines keeps the under's: one row
// has one total line, and the other price stays in its own bookmaker's row.
OddsRecord BestRow(const OddsRecord& first, const compare::EventComparison& comparison) {
    OddsRecord row;
    row.sport_type_name = first.sport_type_name;
    row.competition_name = Utf8ToCp1251("Лучшие цены");
    row.sport_event_date = first.sport_event_date;
    row.team_h_name = first.team_h_name;
    row.team_g_name = first.team_g_name;
    for (const compare::BestPrice& best : comparison.best) {
        std::optional<Decimal>* line = LineOf(row, best.field);
        if (line && *line && best.line != *line) continue;
        if (line) *line = best.line;
        *PriceOf(row, best.field) = best.price;
    }
    return row;
}

// What the group row of an event says (UTF-8).
std::string GroupText(const compare::ComparedEvent& event, const OddsRecord& named) {
    std::string text = Cp1251ToUtf8(named.team_h_name.value_or("")) + " — " +
                       Cp1251ToUtf8(named.team_g_name.value_or(""));
    if (!event.score) {
        return text +
               (event.first >= 0 ? " · только у первой конторы" : " · только у второй конторы");
    }
    const compare::EventComparison& c = event.comparison;
    text += " · совпадение " + Fixed(*event.score, 2);
    if (c.margin) text += " · маржа лучших " + Fixed(*c.margin * 100, 2) + "%";
    for (const compare::Surebet& surebet : c.surebets) {
        text += " · вилка " + surebet.market + " +" + Fixed(surebet.profit * 100, 2) + "%:";
        for (const compare::Stake& stake : surebet.stakes) {
            if (&stake != &surebet.stakes.front()) text += ",";
            text += std::string(" ") + FieldCaption(stake.field) + " " + Fixed(stake.amount, 2);
            for (const compare::BestPrice& best : c.best) {
                if (best.field == stake.field) {
                    text +=
                        std::string(" ") + WhereText(best.from) + " по " + DecimalText(best.price);
                }
            }
        }
    }
    return text;
}

}  // namespace

void DescribeComparison(const compare::LineComparison& comparison,
                        const std::vector<OddsRecord>& first, const std::vector<OddsRecord>& second,
                        ComparisonWorksheet& out) {
    // The grid's columns and look at start, with the tournament shown: it names each row's own
    // tournament, in its bookmaker's language, and marks the row of the better prices.
    OddsTable no_rows;
    no_rows.ResetTable();
    grid::GridTree tree;
    tree.MutableLayout().SetVisible(grid::kColCompetition, true);
    tree.Rebuild(no_rows);
    out.worksheet = DescribeGrid(tree, grid::GridLook{});
    out.worksheet.group_levels = 1;
    out.worksheet.nodes.clear();
    out.best_rows.clear();
    for (const compare::ComparedEvent& event : comparison.events) {
        const OddsRecord* first_row = event.first >= 0 ? &first[event.first] : nullptr;
        const OddsRecord* second_row = event.second >= 0 ? &second[event.second] : nullptr;
        worksheet::WorksheetNode group;
        group.group_text = Utf8ToCp1251(GroupText(event, first_row ? *first_row : *second_row));
        out.worksheet.nodes.push_back(std::move(group));
        if (first_row && second_row) {
            out.best_rows.push_back(BestRow(*first_row, event.comparison));
        }
        for (const OddsRecord* row :
             {first_row, second_row,
              first_row && second_row ? static_cast<const OddsRecord*>(&out.best_rows.back())
                                      : nullptr}) {
            if (!row) continue;
            worksheet::WorksheetNode node;
            node.level = 1;
            node.row = row;
            out.worksheet.nodes.push_back(std::move(node));
        }
    }
}

}  // namespace lintaro::cli
