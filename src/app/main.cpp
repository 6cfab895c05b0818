// lintaro: the desktop viewer of bookmakers' betting lines.
#include "app/app_main.h"

int main(int argc, char** argv) { return lintaro::app::RunLintaro(argc, argv); }
