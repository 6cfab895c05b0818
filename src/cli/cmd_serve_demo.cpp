// lintaro-cli serve-demo: not built yet.
#include "cli_args.h"
#include "commands.h"

namespace lintaro::cli {

int RunServeDemo(const std::vector<std::string>&) { throw UsageError("serve-demo is not available yet"); }

}  // namespace lintaro::cli
