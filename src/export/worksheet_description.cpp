// The rules of a worksheet description that both worksheet writers share.
#include "export/worksheet_description.h"

#include <algorithm>
#include <string_view>

namespace lintaro::worksheet {

using table::kOddsFieldCount;
using table::kOddsFields;
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string_view FieldName(const WorksheetColumn& column) {
    if (column.field_index < 0 || column.field_index >= kOddsFieldCount) return {};
    return kOddsFields[column.field_index].name;
}

}  // namespace

int SummarySourceColumn(const std::vector<WorksheetColumn>& columns, int i) {
    const WorksheetColumn& column = columns[i];
    if (column.summary == WorksheetSummary::kCount) return i;
    if (column.summary == WorksheetSummary::kNone) return -1;
    const std::string_view wanted =
        column.summary_field.empty() ? FieldName(column) : column.summary_field;
    for (int s = 0; s < static_cast<int>(columns.size()); ++s) {
        const std::string_view name = FieldName(columns[s]);
        if (!name.empty() && SameNameIgnoringCase(name, wanted)) return s;
    }
    return -1;
}

}  // namespace lintaro::worksheet
