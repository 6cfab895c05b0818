// BIFF4 record encoding: fixed layouts, little-endian, appended to one growing buffer.
#include "export/biff4_records.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace lintaro::worksheet::biff4 {

void RecordWriter::Header(uint16_t type, uint16_t length) {
    U16(type);
    U16(length);
}

void RecordWriter::U16(uint16_t value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    buffer_.append(bytes, 2);
}

void RecordWriter::U32(uint32_t value) {
    U16(static_cast<uint16_t>(value & 0xFFFF));
    U16(static_cast<uint16_t>(value >> 16));
}

void RecordWriter::Bof() {
    Header(kBof, 6);
    U16(0x0000);  // version
    U16(0x0010);  // worksheet
    U16(0x0000);
}

void RecordWriter::CodePage() {
    Header(kCodePage, 2);
    U16(1251);
}

void RecordWriter::Guts() {
    Header(kGuts, 8);
    buffer_.append(8, '\0');
}

void RecordWriter::Palette(const std::array<PaletteColour, 13>& colours) {
    Header(kPalette, 2 + 4 * colours.size());
    U16(static_cast<uint16_t>(colours.size()));
    for (const PaletteColour& colour : colours) {
        U8(colour.red);
        U8(colour.green);
        U8(colour.blue);
        U8(0);
    }
}

void RecordWriter::Font(uint16_t height, uint16_t options, uint16_t colour, std::string_view name) {
    name = name.substr(0, 255);  // the length is one byte
    Header(kFont, static_cast<uint16_t>(7 + name.size()));
    U16(height);
    U16(options);
    U16(colour);
    U8(static_cast<uint8_t>(name.size()));
    buffer_.append(name);
}

void RecordWriter::Xf(const std::array<uint8_t, 12>& data) {
    Header(kXf, 12);
    buffer_.append(reinterpret_cast<const char*>(data.data()), data.size());
}

void RecordWriter::ColInfo(uint16_t column, uint16_t width) {
    Header(kColInfo, 12);
    U16(column);
    U16(column);
    U16(width);
    U16(15);  // the default cell format
    U16(0);   // options
    U16(0);   // reserved
}

void RecordWriter::Dimensions() {
    Header(kDimensions, 10);
    U16(0);
    U16(0xFFFF);
    U16(0);
    U16(0x00FF);
    U16(0);
}

void RecordWriter::Blank(uint16_t row, uint16_t column, uint16_t xf) {
    Header(kBlank, 6);
    U16(row);
    U16(column);
    U16(xf);
}

void RecordWriter::Label(uint16_t row, uint16_t column, uint16_t xf, std::string_view text) {
    // The record's own length field must also hold the 8 bytes before the text.
    text = text.substr(0, 0xFFFF - 8);
    Header(kLabel, static_cast<uint16_t>(8 + text.size()));
    U16(row);
    U16(column);
    U16(xf);
    U16(static_cast<uint16_t>(text.size()));
    buffer_.append(text);
}

void RecordWriter::Number(uint16_t row, uint16_t column, uint16_t xf, double value) {
    Header(kNumber, 14);
    U16(row);
    U16(column);
    U16(xf);
    const auto bits = std::bit_cast<uint64_t>(value);
    U32(static_cast<uint32_t>(bits & 0xFFFFFFFF));
    U32(static_cast<uint32_t>(bits >> 32));
}

void RecordWriter::Integer(uint16_t row, uint16_t column, uint16_t xf, int32_t value) {
    // An RK integer keeps 30 bits beside its two flag bits; a larger one would lose its top bits.
    if (value < -(1 << 29) || value >= (1 << 29)) {
        Number(row, column, xf, value);
        return;
    }
    Header(kRk, 10);
    U16(row);
    U16(column);
    U16(xf);
    U32(static_cast<uint32_t>(value) * 4 + 2);
}

void RecordWriter::AreaFormula(uint16_t row, uint16_t column, uint16_t first_row, uint16_t last_row,
                               uint8_t source_column, AreaFunction function) {
    Header(kFormula, 29);
    U16(row);
    U16(column);
    U16(24);                  // the footer's format
    buffer_.append(8, '\0');  // result
    U16(0x0003);              // always calculate, calculate on load
    U16(11);                  // formula length
    U8(0x25);                 // area reference, relative rows and columns
    U16(static_cast<uint16_t>((first_row & 0x3FFF) | 0xC000));
    U16(static_cast<uint16_t>((last_row & 0x3FFF) | 0xC000));
    U8(source_column);
    U8(source_column);
    if (function == AreaFunction::kSum) {
        U8(0x19);  // sum attribute
        U8(0x10);
        U16(0);
        return;
    }
    U8(0x42);  // function with a variable argument count
    U8(1);
    switch (function) {
        case AreaFunction::kMin:
            U16(kFuncMin);
            break;
        case AreaFunction::kMax:
            U16(kFuncMax);
            break;
        case AreaFunction::kAverage:
            U16(kFuncAverage);
            break;
        default:
            U16(kFuncCountA);
            break;
    }
}

void RecordWriter::Eof() { Header(kEof, 0); }

}  // namespace lintaro::worksheet::biff4
