// Reading the version record: the path queries and the file version lookup.
#include "views/version_record.h"

#include <QString>

namespace lintaro::views {

namespace {

constexpr auto kProgramRecordSize = BuildVersionRecord(ProgramVersionContents()).size();
constexpr std::array<uint8_t, kProgramRecordSize> kProgramRecord = [] {
    const std::vector<uint8_t> bytes = BuildVersionRecord(ProgramVersionContents());
    std::array<uint8_t, kProgramRecordSize> record{};
    for (size_t i = 0; i < record.size(); ++i) record[i] = bytes[i];
    return record;
}();

uint16_t Word(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

size_t Aligned(size_t offset) { return (offset + 3) & ~size_t{3}; }

char AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char(c - u'A' + 'a') : char(c); }

// One node of the block, located by its bounds.
struct Node {
    size_t start = 0;
    size_t end = 0;  // start + its length
    std::u16string key;
    size_t value_start = 0;
    size_t value_size = 0;  // in bytes
    size_t children_start = 0;
};

std::optional<Node> ReadNode(std::span<const uint8_t> bytes, size_t start, size_t limit) {
    if (start + 6 > limit) return std::nullopt;
    Node node;
    node.start = start;
    const uint16_t length = Word(bytes, start);
    const uint16_t value_length = Word(bytes, start + 2);
    const uint16_t type = Word(bytes, start + 4);
    if (length < 6 || start + length > limit) return std::nullopt;
    node.end = start + length;
    size_t at = start + 6;
    for (;;) {
        if (at + 2 > node.end) return std::nullopt;
        const char16_t c = Word(bytes, at);
        at += 2;
        if (c == 0) break;
        node.key.push_back(c);
    }
    node.value_start = Aligned(at);
    node.value_size = type == 1 ? size_t{value_length} * 2 : value_length;
    if (node.value_start + node.value_size > node.end) {
        // A text's length may be given in bytes by some writers; trust only what fits.
        if (node.value_start > node.end) return std::nullopt;
        node.value_size = node.end - node.value_start;
    }
    node.children_start = Aligned(node.value_start + node.value_size);
    return node;
}

bool KeyEquals(const std::u16string& key, std::string_view name) {
    if (key.size() != name.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        if (AsciiLower(key[i]) != AsciiLower(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

}  // namespace

std::span<const uint8_t> ProgramVersionRecord() { return kProgramRecord; }

std::optional<std::span<const uint8_t>> VerQueryValue(std::span<const uint8_t> record,
                                                      std::string_view sub_block) {
    std::optional<Node> node = ReadNode(record, 0, record.size());
    if (!node) return std::nullopt;
    size_t begin = 0;
    while (begin < sub_block.size()) {
        if (sub_block[begin] == '\\') {
            ++begin;
            continue;
        }
        size_t end = sub_block.find('\\', begin);
        if (end == std::string_view::npos) end = sub_block.size();
        const std::string_view name = sub_block.substr(begin, end - begin);
        begin = end;
        std::optional<Node> found;
        for (size_t at = node->children_start; at < node->end;) {
            const std::optional<Node> child = ReadNode(record, at, node->end);
            if (!child) return std::nullopt;
            if (KeyEquals(child->key, name)) {
                found = child;
                break;
            }
            at = Aligned(child->end);
        }
        if (!found) return std::nullopt;
        node = found;
    }
    if (node->value_size == 0) return std::nullopt;
    return record.subspan(node->value_start, node->value_size);
}

QString ReadFileVersion(std::span<const uint8_t> record, const QString& fallback) {
    const auto translation = VerQueryValue(record, "\\VarFileInfo\\Translation");
    if (!translation || translation->size() < 4) return fallback;
    const QString path =
        QString::asprintf("StringFileInfo\\%.4X%.4X\\FileVersion", unsigned{Word(*translation, 0)},
                          unsigned{Word(*translation, 2)});
    const auto value = VerQueryValue(record, path.toStdString());
    if (!value) return fallback;
    QString text;
    for (size_t at = 0; at + 1 < value->size(); at += 2) {
        const char16_t c = Word(*value, at);
        if (c == 0) break;
        text.append(QChar(c));
    }
    return text;
}

}  // namespace lintaro::views
