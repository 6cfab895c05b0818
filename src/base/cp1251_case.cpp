// The case tables of Windows-1251, built once from the list of case pairs.
#include "base/cp1251_case.h"

namespace lintaro::base {
namespace {

enum class CaseMap { kToggle, kLower, kUpper };

constexpr std::array<unsigned char, 256> BuildCaseTable(CaseMap map) {
    std::array<unsigned char, 256> table{};
    for (int ch = 0; ch < 256; ++ch) table[ch] = static_cast<unsigned char>(ch);
    auto pair = [&table, map](int lower, int upper) {
        if (map != CaseMap::kLower) table[lower] = static_cast<unsigned char>(upper);
        if (map != CaseMap::kUpper) table[upper] = static_cast<unsigned char>(lower);
    };
    for (int ch = 'a'; ch <= 'z'; ++ch) pair(ch, ch - 'a' + 'A');
    for (int ch = 224; ch <= 255; ++ch) pair(ch, ch - 32);  // а-я / А-Я
    // Letters outside the two contiguous alphabets: ё, the Serbian, Macedonian, Ukrainian and
    // Belarusian letters, each as lower / upper.
    constexpr int kPairs[][2] = {{184, 168}, {144, 128}, {131, 129}, {154, 138}, {156, 140},
                                 {157, 141}, {158, 142}, {159, 143}, {162, 161}, {188, 163},
                                 {180, 165}, {186, 170}, {179, 178}, {190, 189}, {191, 175}};
    for (const auto& p : kPairs) pair(p[0], p[1]);
    return table;
}

}  // namespace

const std::array<unsigned char, 256> kCp1251ToggleCase = BuildCaseTable(CaseMap::kToggle);
const std::array<unsigned char, 256> kCp1251LowerCase = BuildCaseTable(CaseMap::kLower);
const std::array<unsigned char, 256> kCp1251UpperCase = BuildCaseTable(CaseMap::kUpper);

}  // namespace lintaro::base
