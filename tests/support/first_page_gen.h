// A deterministic generator of first-bookmaker odds pages for the pattern benchmarks and the
// differential test: Windows-1251 text with CR LF line ends, sport and tournament sections, event
// lines in each sport's column layout, and the sections a reader passes over (results, outrights,
// sports it does not know).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lintaro {

// A page of at least `target_bytes` bytes (a little more: it ends with whole sections and the page
// footer). The same size and seed always give the same bytes.
std::string GenerateFirstBookmakerPage(size_t target_bytes, uint32_t seed = 1);

// Which event pattern (1 to 5) reads a section with this heading, by the reader's sport table and
// skip words; 0 for a section the reader passes over. Both texts are Windows-1251, as captured.
int EventPatternForSection(std::string_view sport, std::string_view tournament);

}  // namespace lintaro
