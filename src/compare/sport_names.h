// The sport table: both bookmakers' names of a sport ("футбол", "soccer") map to one key, so that
// events are compared only with events of the same sport.
#pragma once

#include <string>
#include <string_view>

namespace lintaro::compare {

// The sport's key ("soccer", "baseball", "tennis", "hockey", "basketball", "volleyball",
// "handball") for a name as either bookmaker stores it (Windows-1251, any case, blanks around it
// ignored). A name the table does not know keeps its own lower-case text as its key, so two files
// of one bookmaker still pair up; an empty name gives "".
std::string SportKey(std::string_view cp1251_name);

}  // namespace lintaro::compare
