// Substring search over folded Windows-1251 bytes: a scan for any byte that folds to the text's
// first byte, then a folded comparison of the rest.
#include "grid/find_text.h"

#include "base/cp1251_case.h"
#include "table/cp1251_text.h"

namespace lintaro::grid {
namespace {

constexpr unsigned char kSmallYo = 0xB8;  // "ё"
constexpr unsigned char kSmallYe = 0xE5;  // "е"

struct FoldTable {
    std::array<unsigned char, 256> folded{};
    FoldTable() {
        for (int b = 0; b < 256; ++b) {
            unsigned char c = base::Cp1251LowerCase(static_cast<unsigned char>(b));
            folded[b] = c == kSmallYo ? kSmallYe : c;
        }
    }
};

const FoldTable& Folds() {
    static const FoldTable table;
    return table;
}

}  // namespace

unsigned char FindText::Fold(unsigned char byte) { return Folds().folded[byte]; }

FindText::FindText(std::string_view utf8) : utf8_(utf8) {
    const std::string cp1251 = table::Utf8ToCp1251(utf8);
    representable_ = table::Cp1251ToUtf8(cp1251) == utf8;
    folded_.reserve(cp1251.size());
    for (char c : cp1251) folded_ += static_cast<char>(Fold(static_cast<unsigned char>(c)));
    if (!folded_.empty()) {
        for (int b = 0; b < 256; ++b) {
            first_[b] =
                Fold(static_cast<unsigned char>(b)) == static_cast<unsigned char>(folded_.front());
        }
    }
}

bool FindText::Contains(std::string_view text) const {
    if (folded_.empty()) return true;
    if (!representable_ || text.size() < folded_.size()) return false;
    const auto& folds = Folds().folded;
    const size_t last_start = text.size() - folded_.size();
    for (size_t start = 0; start <= last_start; ++start) {
        if (!first_[static_cast<unsigned char>(text[start])]) continue;
        size_t i = 1;
        while (i < folded_.size() && folds[static_cast<unsigned char>(text[start + i])] ==
                                         static_cast<unsigned char>(folded_[i])) {
            ++i;
        }
        if (i == folded_.size()) return true;
    }
    return false;
}

bool FindText::Matches(const table::OddsRecord& row) const {
    if (IsEmpty()) return true;
    for (const std::optional<std::string>* field :
         {&row.team_h_name, &row.team_g_name, &row.competition_name}) {
        if (*field && Contains(**field)) return true;
    }
    return false;
}

}  // namespace lintaro::grid
