// The program's version record: a block of the shape of a Windows version resource (a fixed part,
// a string table per translation, and the list of translations), built at compile time from the
// build's one version and read back with the same path queries as that resource is.
//
// Every node is: 16-bit total length, 16-bit value length (bytes for binary values, UTF-16 code
// units with the closing NUL for text), 16-bit type (1 text, 0 binary), the key in UTF-16 with a
// NUL, padding to 32 bits, the value, padding to 32 bits, then the child nodes, each at a 32-bit
// boundary. All numbers are little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "version/version.h"

class QString;

namespace lintaro::views {

// What a record holds. Keys and texts are ASCII.
struct VersionRecordContents {
    std::string_view version;  // "a.b.c.d" for the fixed part's file and product version
    // The translation (language, code page), or none at all.
    std::optional<std::pair<uint16_t, uint16_t>> translation;
    // The string table of that translation: key and text, in order.
    std::vector<std::pair<std::string_view, std::string_view>> strings;
};

namespace version_record_detail {

constexpr void PutWord(std::vector<uint8_t>& out, uint16_t word) {
    out.push_back(static_cast<uint8_t>(word & 0xFF));
    out.push_back(static_cast<uint8_t>(word >> 8));
}

constexpr void PutDword(std::vector<uint8_t>& out, uint32_t dword) {
    PutWord(out, static_cast<uint16_t>(dword & 0xFFFF));
    PutWord(out, static_cast<uint16_t>(dword >> 16));
}

constexpr void Align(std::vector<uint8_t>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

constexpr void PutText(std::vector<uint8_t>& out, std::string_view text) {
    for (const char c : text) PutWord(out, static_cast<unsigned char>(c) < 128 ? c : '?');
    PutWord(out, 0);
}

// Writes a node's head and key and returns where the node starts; EndNode fills in its length.
constexpr size_t BeginNode(std::vector<uint8_t>& out, std::string_view key, uint16_t value_length,
                           uint16_t type) {
    Align(out);
    const size_t start = out.size();
    PutWord(out, 0);
    PutWord(out, value_length);
    PutWord(out, type);
    PutText(out, key);
    Align(out);
    return start;
}

constexpr void EndNode(std::vector<uint8_t>& out, size_t start) {
    const size_t length = out.size() - start;
    out[start] = static_cast<uint8_t>(length & 0xFF);
    out[start + 1] = static_cast<uint8_t>(length >> 8);
}

// The four 16-bit parts of "a.b.c.d" (missing parts are 0).
constexpr std::array<uint16_t, 4> VersionParts(std::string_view version) {
    std::array<uint16_t, 4> parts{};
    size_t part = 0;
    for (const char c : version) {
        if (c == '.') {
            if (++part == parts.size()) break;
        } else if (c >= '0' && c <= '9') {
            parts[part] = static_cast<uint16_t>(parts[part] * 10 + (c - '0'));
        }
    }
    return parts;
}

}  // namespace version_record_detail

constexpr std::vector<uint8_t> BuildVersionRecord(const VersionRecordContents& contents) {
    using namespace version_record_detail;
    std::vector<uint8_t> out;
    const size_t root = BeginNode(out, "VS_VERSION_INFO", 52, 0);
    // The fixed part: signature, structure version, file and product version, flags, the
    // operating system (32-bit Windows), the file type (an application), and no date.
    const std::array<uint16_t, 4> v = VersionParts(contents.version);
    const uint32_t high = (uint32_t{v[0]} << 16) | v[1];
    const uint32_t low = (uint32_t{v[2]} << 16) | v[3];
    for (const uint32_t dword :
         {0xFEEF04BDu, 0x00010000u, high, low, high, low, 0x3Fu, 0u, 0x00040004u, 1u, 0u, 0u, 0u}) {
        PutDword(out, dword);
    }
    Align(out);
    if (contents.translation) {
        const auto [language, code_page] = *contents.translation;
        const size_t string_file_info = BeginNode(out, "StringFileInfo", 0, 1);
        char table_key[9] = {};
        const char* digits = "0123456789ABCDEF";
        for (int i = 0; i < 4; ++i) {
            table_key[i] = digits[(language >> (12 - 4 * i)) & 0xF];
            table_key[4 + i] = digits[(code_page >> (12 - 4 * i)) & 0xF];
        }
        const size_t table = BeginNode(out, std::string_view(table_key, 8), 0, 1);
        for (const auto& [key, text] : contents.strings) {
            const size_t string = BeginNode(out, key, static_cast<uint16_t>(text.size() + 1), 1);
            PutText(out, text);
            EndNode(out, string);
        }
        EndNode(out, table);
        EndNode(out, string_file_info);
    }
    const size_t var_file_info = BeginNode(out, "VarFileInfo", 0, 1);
    const size_t var = BeginNode(out, "Translation", contents.translation ? 4 : 0, 0);
    if (contents.translation) {
        PutWord(out, contents.translation->first);
        PutWord(out, contents.translation->second);
    }
    EndNode(out, var);
    EndNode(out, var_file_info);
    EndNode(out, root);
    return out;
}

// The contents of the program's own record: Russian with code page 1251, and this build's version.
constexpr VersionRecordContents ProgramVersionContents() {
    return VersionRecordContents{kVersion,
                                 std::pair<uint16_t, uint16_t>{0x0419, 0x04E3},
                                 {{"FileDescription", "Lintaro"},
                                  {"FileVersion", kVersion},
                                  {"ProductName", "Lintaro"},
                                  {"ProductVersion", kVersion}}};
}

// The program's own record, compiled into the program.
std::span<const uint8_t> ProgramVersionRecord();

// Looks up `sub_block` in `record` as the version resource's query does: the path's parts are
// separated by "\" (leading, trailing and doubled ones ignored; "\" alone names the fixed part) and
// name a child by its key, without regard to ASCII letter case. Returns the bytes of the value
// (texts in UTF-16 with their NUL), or nullopt when the path names no node, the node has no
// value, or the block is malformed.
std::optional<std::span<const uint8_t>> VerQueryValue(std::span<const uint8_t> record,
                                                      std::string_view sub_block);

// The file version as the about window shows it: the first translation's "FileVersion" string,
// or `fallback` when the record has no translation or no such string.
QString ReadFileVersion(std::span<const uint8_t> record, const QString& fallback);

}  // namespace lintaro::views
