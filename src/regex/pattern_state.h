// The inside of a TPattern: its settings, the compiled program (shared, read-only) and the state
// of searching its subject. The face (pattern.cpp) ties them together; the compiler (compile.cpp)
// turns settings into a Program; a search picks where to try (search.cpp) and the matcher makes
// one attempt at a time (match.h, match.cpp) over the SearchState.
#pragma once

#include <memory>
#include <string>

#include "regex/program.h"
#include "regex/search_state.h"

namespace lintaro::regex {

struct PatternState {
    std::string expression;  // empty: no expression
    CompileSettings settings;
    // The program of the last successful compile, or none. Searches only read it, so a copy of the
    // pointer may be handed to any number of searches at once.
    std::shared_ptr<const Program> program;
    SearchState search;

    void DiscardProgram() {
        program.reset();
        search.ForgetOccurrences();
    }
};

// Builds the message of error `code` and throws EPattern; compile errors (below 1000) carry the
// position in their text.
[[noreturn]] void RaiseError(int code, int position);

// Compiles `expression` under `settings` (compile.cpp) and derives its search data
// (search_data.cpp). Throws EPattern for a pattern that does not compile.
std::shared_ptr<const Program> CompileExpression(const std::string& expression,
                                                 const CompileSettings& settings);

}  // namespace lintaro::regex
