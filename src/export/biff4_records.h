// The records of an Excel 4.0 worksheet (a BIFF4 record stream) that the worksheet export writes,
// encoded into a byte buffer. Each record is a 16-bit type, a 16-bit data length and the data;
// every number is little-endian, rows and columns are 0-based 16-bit numbers, texts are
// Windows-1251 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lintaro::worksheet::biff4 {

inline constexpr uint16_t kBof = 0x0409;
inline constexpr uint16_t kCodePage = 0x0042;
inline constexpr uint16_t kGuts = 0x0080;
inline constexpr uint16_t kPalette = 0x0092;
inline constexpr uint16_t kFont = 0x0231;
inline constexpr uint16_t kXf = 0x0443;
inline constexpr uint16_t kColInfo = 0x007D;
inline constexpr uint16_t kDimensions = 0x0200;
inline constexpr uint16_t kBlank = 0x0201;
inline constexpr uint16_t kNumber = 0x0203;
inline constexpr uint16_t kLabel = 0x0204;
inline constexpr uint16_t kRk = 0x027E;
inline constexpr uint16_t kFormula = 0x0406;
inline constexpr uint16_t kEof = 0x000A;

// The worksheet's size limits: row numbers in cell references have 14 bits.
inline constexpr int kMaxRows = 16'384;
inline constexpr int kMaxColumns = 256;

// Font option flags.
inline constexpr uint16_t kFontBold = 1;
inline constexpr uint16_t kFontItalic = 2;
inline constexpr uint16_t kFontUnderline = 4;
inline constexpr uint16_t kFontStrikeOut = 8;

// Function numbers of the footer formulas.
inline constexpr uint16_t kFuncCountA = 169;
inline constexpr uint16_t kFuncMin = 6;
inline constexpr uint16_t kFuncMax = 7;
inline constexpr uint16_t kFuncAverage = 5;

// An RGB entry of the palette.
struct PaletteColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// The function of a footer formula over an area.
enum class AreaFunction { kSum, kMin, kMax, kCountA, kAverage };

// Appends records to a buffer, which the caller drains whenever it likes.
class RecordWriter {
  public:
    void Bof();       // worksheet, version 0
    void CodePage();  // 1251
    void Guts();
    void Palette(const std::array<PaletteColour, 13>& colours);
    void Font(uint16_t height, uint16_t options, uint16_t colour, std::string_view name);
    void Xf(const std::array<uint8_t, 12>& data);
    void ColInfo(uint16_t column, uint16_t width);  // one column, default cell format XF 15
    void Dimensions();                              // rows 0..0xFFFF, columns 0..0xFF
    void Blank(uint16_t row, uint16_t column, uint16_t xf);
    // `text` is cut to 0xFFFF bytes, the most its length field holds.
    void Label(uint16_t row, uint16_t column, uint16_t xf, std::string_view text);
    void Number(uint16_t row, uint16_t column, uint16_t xf, double value);
    // An integer of 30 bits (-2^29 .. 2^29 - 1) as an RK value; other integers as a NUMBER.
    void Integer(uint16_t row, uint16_t column, uint16_t xf, int32_t value);
    // A formula with XF 24 and a zero result, recalculated when the worksheet is opened: `function`
    // over the rows first_row..last_row (14 bits each) of `source_column`.
    void AreaFormula(uint16_t row, uint16_t column, uint16_t first_row, uint16_t last_row,
                     uint8_t source_column, AreaFunction function);
    void Eof();

    // The bytes appended since the caller last cleared the buffer.
    std::string& Buffer() { return buffer_; }
    size_t Size() const { return buffer_.size(); }

  private:
    void Header(uint16_t type, uint16_t length);
    void U8(uint8_t value) { buffer_ += static_cast<char>(value); }
    void U16(uint16_t value);
    void U32(uint32_t value);

    std::string buffer_;
};

}  // namespace lintaro::worksheet::biff4
