// The lintaro program: reads the command line, starts the window (and the demo line when asked)
// and runs the event loop until the main window closes.
#pragma once

namespace lintaro::app {

// Returns the process's exit status: 0 after the window closed or for --help and --version, 2 for
// a mistake in the options.
int RunLintaro(int argc, char** argv);

}  // namespace lintaro::app
