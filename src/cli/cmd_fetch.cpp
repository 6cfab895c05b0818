// lintaro-cli fetch: not built yet.
#include "cli_args.h"
#include "commands.h"

namespace lintaro::cli {

int RunFetch(const std::vector<std::string>&) { throw UsageError("fetch is not available yet"); }

}  // namespace lintaro::cli
