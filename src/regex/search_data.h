// The search-data analysis: what a compiled program tells about where its matches can start and
// what they must contain, and which of its loops repeat a pass of fixed width. It runs once per
// compile, after the node bytes are written, and fills the Program's search data.
#pragma once

#include "regex/program.h"

namespace lintaro::regex {

// Fills everything of `program` past its bytes: what the start screens read (start character,
// anchoring, required literal, probe, start table, the fixed beginning and its screened pair) and
// what the matcher reads per node (next and forward links, character tables, fixed loops, what
// follows each repetition, where alternatives can begin). `flags` are the parse flags of the whole
// pattern.
void DeriveSearchData(Program& program, int flags, const CompileSettings& settings);

}  // namespace lintaro::regex
