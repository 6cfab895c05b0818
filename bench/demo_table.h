// The demo line's events stored in an odds table, as the grid, export and window benchmarks
// measure them, with the heap the table takes.
#pragma once

#include <malloc.h>

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "table/odds_table.h"

namespace lintaro::bench {

// Bytes of the heap in use now (glibc's count).
inline size_t HeapInUse() { return mallinfo2().uordblks; }

// The values InsertRow takes to store `record` again as it is.
inline std::vector<table::FieldValue> ValuesOf(const table::OddsRecord& record) {
    std::vector<table::FieldValue> values;
    for (int field = 0; field < table::kOddsFieldCount; ++field) {
        const table::StoredValue value = table::GetField(record, field);
        if (const auto* text = std::get_if<std::string_view>(&value)) {
            values.emplace_back(std::string(*text));
        } else if (const auto* moment = std::get_if<table::DateTime>(&value)) {
            values.emplace_back(table::DaysFromDateTime(*moment));
        } else if (const auto* decimal = std::get_if<table::Decimal>(&value)) {
            values.emplace_back(decimal->ToDouble());
        } else if (const auto* integer = std::get_if<int32_t>(&value)) {
            values.emplace_back(*integer);
        } else {
            values.emplace_back(table::Null{});
        }
    }
    return values;
}

// Empties `table` and stores `rows` in it with display suspended, as a refresh does; returns the
// heap the stored rows take.
inline size_t FillTable(table::OddsTable& table, const std::vector<table::OddsRecord>& rows) {
    const size_t before = HeapInUse();
    table.ResetTable();
    {
        table::ScopedDisplaySuspension suspended(table);
        for (const table::OddsRecord& row : rows) table.InsertRow(ValuesOf(row));
    }
    return HeapInUse() - before;
}

}  // namespace lintaro::bench
