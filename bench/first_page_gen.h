// A deterministic generator of first-bookmaker odds pages for the pattern benchmarks: Windows-1251
// text with CR LF line ends, sport and tournament sections, event lines in each sport's column
// layout, and the sections a reader passes over (results, outrights, sports it does not know).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lintaro {

// A page of at least `target_bytes` bytes (a little more: it ends with whole sections and the page
// footer). The same size and seed always give the same bytes.
std::string GenerateFirstBookmakerPage(size_t target_bytes, uint32_t seed = 1);

}  // namespace lintaro
