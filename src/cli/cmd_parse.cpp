// lintaro-cli parse: not built yet.
#include "cli_args.h"
#include "commands.h"

namespace lintaro::cli {

int RunParse(const std::vector<std::string>&) { throw UsageError("parse is not available yet"); }

}  // namespace lintaro::cli
