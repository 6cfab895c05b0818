// lintaro-cli load: not built yet.
#include "cli_args.h"
#include "commands.h"

namespace lintaro::cli {

int RunLoad(const std::vector<std::string>&) { throw UsageError("load is not available yet"); }

}  // namespace lintaro::cli
