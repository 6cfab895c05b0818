// A minimal reader of BIFF4 record streams for the export tests: splits a file into records and
// decodes the cell records, so tests compare what was written with what they expect.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lintaro::worksheet::testing {

struct Record {
    uint16_t type = 0;
    std::string data;
};

inline uint16_t U16At(std::string_view data, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(data.at(at)) |
                                 static_cast<unsigned char>(data.at(at + 1)) << 8);
}

inline uint32_t U32At(std::string_view data, size_t at) {
    return U16At(data, at) | static_cast<uint32_t>(U16At(data, at + 2)) << 16;
}

inline double DoubleAt(std::string_view data, size_t at) {
    double value = 0;
    std::memcpy(&value, data.data() + at, sizeof value);
    return value;
}

// Splits `bytes` into records; throws when a record runs past the end.
inline std::vector<Record> SplitRecords(std::string_view bytes) {
    std::vector<Record> records;
    size_t pos = 0;
    while (pos < bytes.size()) {
        if (pos + 4 > bytes.size()) throw std::runtime_error("truncated record header");
        const uint16_t type = U16At(bytes, pos);
        const uint16_t length = U16At(bytes, pos + 2);
        if (pos + 4 + length > bytes.size()) throw std::runtime_error("truncated record");
        records.push_back({type, std::string(bytes.substr(pos + 4, length))});
        pos += 4 + length;
    }
    return records;
}

// A cell record decoded: BLANK, LABEL, NUMBER, RK or FORMULA.
struct Cell {
    uint16_t type = 0;
    uint16_t row = 0;
    uint16_t column = 0;
    uint16_t xf = 0;
    std::string text;     // LABEL
    double number = 0;    // NUMBER, RK
    std::string formula;  // FORMULA: the formula bytes
    friend bool operator==(const Cell&, const Cell&) = default;
};

// Readable failures: "LABEL r2 c3 xf30 'text'".
inline void PrintTo(const Cell& cell, std::ostream* out) {
    static const char kHex[] = "0123456789ABCDEF";
    *out << "type 0x" << std::hex << cell.type << std::dec << " r" << cell.row << " c"
         << cell.column << " xf" << cell.xf << " text '" << cell.text << "' number " << cell.number
         << " formula";
    for (char c : cell.formula) {
        *out << ' ' << kHex[static_cast<unsigned char>(c) >> 4] << kHex[c & 0xF];
    }
}

inline bool IsCellRecord(uint16_t type) {
    return type == 0x0201 || type == 0x0204 || type == 0x0203 || type == 0x027E || type == 0x0406;
}

inline Cell DecodeCell(const Record& record) {
    Cell cell;
    cell.type = record.type;
    cell.row = U16At(record.data, 0);
    cell.column = U16At(record.data, 2);
    cell.xf = U16At(record.data, 4);
    switch (record.type) {
        case 0x0204: {
            const uint16_t length = U16At(record.data, 6);
            cell.text = record.data.substr(8, length);
            if (record.data.size() != 8u + length) throw std::runtime_error("LABEL length");
            break;
        }
        case 0x0203:
            cell.number = DoubleAt(record.data, 6);
            break;
        case 0x027E: {
            const auto rk = static_cast<int32_t>(U32At(record.data, 6));
            cell.number = rk >> 2;
            break;
        }
        case 0x0406: {
            const uint16_t length = U16At(record.data, 16);
            cell.formula = record.data.substr(18, length);
            if (record.data.size() != 18u + length) throw std::runtime_error("FORMULA length");
            break;
        }
        default:
            break;
    }
    return cell;
}

inline std::vector<Cell> CellsOf(const std::vector<Record>& records) {
    std::vector<Cell> cells;
    for (const Record& record : records) {
        if (IsCellRecord(record.type)) cells.push_back(DecodeCell(record));
    }
    return cells;
}

}  // namespace lintaro::worksheet::testing
