// The find bar's search: an event is found when its home team, guest team or tournament contains
// the typed text, with letter case ignored (the Windows-1251 case pairs) and "ё" read as "е", as a
// Russian reader expects of a search.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "table/odds_table.h"

namespace lintaro::grid {

class FindText {
  public:
    FindText() = default;
    // `utf8` as typed. Text the code page cannot hold is found nowhere.
    explicit FindText(std::string_view utf8);

    bool IsEmpty() const { return utf8_.empty(); }
    const std::string& Utf8() const { return utf8_; }
    // True for every row when the text is empty.
    bool Matches(const table::OddsRecord& row) const;
    // True when Windows-1251 `text` contains the searched text.
    bool Contains(std::string_view text) const;

    // The byte searches compare: the small letter, and "е" for "ё" and "Ё".
    static unsigned char Fold(unsigned char byte);

  private:
    std::string utf8_;
    std::string folded_;         // Windows-1251, folded
    bool representable_ = true;  // the text converts to Windows-1251 and back unchanged
    // The bytes that fold to the first byte of the text, for a quick scan.
    std::array<bool, 256> first_{};
};

}  // namespace lintaro::grid
