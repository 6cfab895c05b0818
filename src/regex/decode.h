// The pre-decoded records the matcher's walk reads (Op, program.h), built from a compiled program
// once its search data is derived.
#pragma once

#include "regex/program.h"

namespace lintaro::regex {

// Fills program.ops, op_at, literal_forms and first_op from the node bytes and the search data.
void DecodeProgram(Program& program);

}  // namespace lintaro::regex
