// The work a reader lets its patterns do over page text. A hostile or broken page could otherwise
// make a search take time quadratic or worse in the page's length and stall the refresh; each text
// a reader walks gets a budget proportional to its length, and a walk that exhausts it fails like
// any other matcher error: the page ends there as an unreadable page does, the rows read so far
// stay.
#pragma once

#include <string_view>

#include "regex/pattern.h"

namespace lintaro::readers {

// Steps per byte of text, and a floor for short texts. Real pages take a few steps per byte (the
// reader benchmark reports them); the margin keeps every real page far inside the budget, while a
// 1 MB page of any content stays well under a second of matching.
inline constexpr unsigned long long kSearchStepsPerByte = 32;
inline constexpr unsigned long long kSearchStepsFloor = 1 << 16;

// The budget for walking every match of a pattern over `text`.
inline unsigned long long SearchBudget(std::string_view text) {
    return kSearchStepsFloor + kSearchStepsPerByte * text.size();
}

// Starts a walk of `pattern` over `text` (Exec) with the budget of that text; ExecNext carries on
// within it. Throws EPattern 1017 when the walk exhausts it, as for any matcher failure.
inline bool ExecWithBudget(regex::TPattern& pattern, std::string_view text) {
    pattern.SetWorkBudget(SearchBudget(text));
    return pattern.Exec(text);
}

}  // namespace lintaro::readers
