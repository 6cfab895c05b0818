// The search-data analysis: what a compiled program tells about where its matches can start and
// what they must contain, and which of its loops repeat a pass of fixed width. It runs once per
// compile, after the node bytes are written, and fills the Program's search data.
#pragma once

#include "regex/program.h"

namespace lintaro::regex {

// Fills program's start character, anchoring, required literal, probe, start table and
// fixed-loop index from its bytes. `flags` are the parse flags of the whole pattern.
void DeriveSearchData(Program& program, int flags, const CompileSettings& settings);

}  // namespace lintaro::regex
