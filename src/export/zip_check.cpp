// Zip reading just deep enough for the check: the end record, the central directory (with the
// 64-bit sizes of large parts), each local header, and zlib's raw inflate.
#include "export/zip_check.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string_view>

namespace lintaro::worksheet {
namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint16_t kZip64Extra = 0x0001;

class Bytes {
  public:
    explicit Bytes(std::string_view data) : data_(data) {}
    bool Has(uint64_t at, uint64_t length) const {
        return at <= data_.size() && length <= data_.size() - at;
    }
    uint16_t U16(uint64_t at) const { return static_cast<uint16_t>(Byte(at) | Byte(at + 1) << 8); }
    uint32_t U32(uint64_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    uint64_t U64(uint64_t at) const { return U32(at) | static_cast<uint64_t>(U32(at + 4)) << 32; }
    std::string_view View(uint64_t at, uint64_t length) const { return data_.substr(at, length); }
    uint64_t Size() const { return data_.size(); }

  private:
    unsigned Byte(uint64_t at) const { return static_cast<unsigned char>(data_[at]); }
    std::string_view data_;
};

// The name of the document's root element: the first tag that is not a declaration.
std::string RootName(std::string_view head) {
    size_t at = 0;
    while ((at = head.find('<', at)) != std::string_view::npos) {
        if (at + 1 < head.size() && (head[at + 1] == '?' || head[at + 1] == '!')) {
            ++at;
            continue;
        }
        const size_t end = head.find_first_of(" \t\r\n/>", at + 1);
        if (end == std::string_view::npos) return {};
        return std::string(head.substr(at + 1, end - at - 1));
    }
    return {};
}

// Inflates one part, keeping its first and last bytes; checks size, checksum and closing tag.
std::optional<std::string> CheckPart(const std::string& name, std::string_view compressed,
                                     uint16_t method, uint64_t expected_size, uint32_t crc) {
    constexpr size_t kKeep = 512;
    std::string head;
    std::string tail;
    uint64_t size = 0;
    uLong checksum = crc32(0, nullptr, 0);
    const auto take = [&](const char* data, size_t length) {
        if (head.size() < kKeep) head.append(data, std::min(length, kKeep - head.size()));
        tail.append(data, length);
        if (tail.size() > 2 * kKeep) tail.erase(0, tail.size() - kKeep);
        checksum = crc32(checksum, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(length));
        size += length;
    };
    if (method == 0) {
        for (size_t at = 0; at < compressed.size(); at += 1 << 20) {
            const std::string_view block = compressed.substr(at, 1 << 20);
            take(block.data(), block.size());
        }
    } else if (method == 8) {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return name + ": cannot inflate";
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
        stream.avail_in = static_cast<uInt>(compressed.size());
        char buffer[1 << 16];
        int status = Z_OK;
        while (status == Z_OK) {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            status = inflate(&stream, Z_NO_FLUSH);
            take(buffer, sizeof buffer - stream.avail_out);
            if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
        }
        inflateEnd(&stream);
        if (status != Z_STREAM_END) return name + ": its compressed data is cut off";
    } else {
        return name + ": unknown compression";
    }
    if (size != expected_size || checksum != crc) return name + ": its size or checksum is wrong";
    const std::string root = RootName(head);
    std::string_view end = tail;
    while (!end.empty() && (end.back() == '\n' || end.back() == '\r' || end.back() == ' ')) {
        end.remove_suffix(1);
    }
    if (root.empty() || !end.ends_with("</" + root + ">")) {
        return name + ": the document stops before its end";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FindIncompleteXmlPart(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && !in) return "the workbook cannot be read back";
    const Bytes bytes(data);

    // The end record sits in the last 22 bytes plus a comment of up to 64 KiB.
    uint64_t end_record = UINT64_MAX;
    const uint64_t lowest = bytes.Size() > 22 + 0xFFFF ? bytes.Size() - 22 - 0xFFFF : 0;
    for (uint64_t at = bytes.Size() >= 22 ? bytes.Size() - 22 : 0; bytes.Size() >= 22; --at) {
        if (bytes.U32(at) == kEndOfDirectory) {
            end_record = at;
            break;
        }
        if (at == lowest) break;
    }
    if (end_record == UINT64_MAX) return "the workbook's container has no directory";
    const uint16_t entries = bytes.U16(end_record + 10);
    uint64_t at = bytes.U32(end_record + 16);

    int xml_parts = 0;
    for (uint16_t i = 0; i < entries; ++i) {
        if (!bytes.Has(at, 46) || bytes.U32(at) != kDirectoryEntry) {
            return "the workbook's directory is damaged";
        }
        const uint16_t method = bytes.U16(at + 10);
        const uint32_t crc = bytes.U32(at + 16);
        uint64_t compressed_size = bytes.U32(at + 20);
        uint64_t size = bytes.U32(at + 24);
        const uint16_t name_length = bytes.U16(at + 28);
        const uint16_t extra_length = bytes.U16(at + 30);
        const uint16_t comment_length = bytes.U16(at + 32);
        uint64_t local = bytes.U32(at + 42);
        if (!bytes.Has(at + 46, uint64_t{name_length} + extra_length + comment_length)) {
            return "the workbook's directory is damaged";
        }
        const std::string name(bytes.View(at + 46, name_length));
        // Large parts keep their sizes and offset in a 64-bit extra field, in this order.
        for (uint64_t extra = at + 46 + name_length;
             extra + 4 <= at + 46 + name_length + extra_length;) {
            const uint16_t id = bytes.U16(extra);
            const uint16_t length = bytes.U16(extra + 2);
            if (id == kZip64Extra) {
                uint64_t field = extra + 4;
                if (size == 0xFFFFFFFF && field + 8 <= extra + 4 + length) {
                    size = bytes.U64(field);
                    field += 8;
                }
                if (compressed_size == 0xFFFFFFFF && field + 8 <= extra + 4 + length) {
                    compressed_size = bytes.U64(field);
                    field += 8;
                }
                if (local == 0xFFFFFFFF && field + 8 <= extra + 4 + length)
                    local = bytes.U64(field);
            }
            extra += 4 + uint64_t{length};
        }
        at += 46 + uint64_t{name_length} + extra_length + comment_length;

        if (!name.ends_with(".xml") && !name.ends_with(".rels")) continue;
        ++xml_parts;
        if (!bytes.Has(local, 30) || bytes.U32(local) != kLocalHeader) {
            return name + ": its header is damaged";
        }
        const uint64_t data_at = local + 30 + bytes.U16(local + 26) + bytes.U16(local + 28);
        if (!bytes.Has(data_at, compressed_size)) return name + ": its data is cut off";
        if (auto problem =
                CheckPart(name, bytes.View(data_at, compressed_size), method, size, crc)) {
            return problem;
        }
    }
    if (xml_parts == 0) return "the workbook holds no document";
    return std::nullopt;
}

}  // namespace lintaro::worksheet
