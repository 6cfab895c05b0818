// lintaro-cli match: not built yet.
#include "cli_args.h"
#include "commands.h"

namespace lintaro::cli {

int RunMatch(const std::vector<std::string>&) { throw UsageError("match is not available yet"); }

}  // namespace lintaro::cli
