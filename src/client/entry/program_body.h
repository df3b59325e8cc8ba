// The program body of tolvar, between a ready option set and shutdown.
#pragma once

#include "client/options/command_line_option.h"

namespace tolvar::client {

// With -? writes the notice, opens the help page and sets exit code 1,
// touching nothing else (no window, the URL not read). Otherwise reads the
// URL from standard input when it is "-", creates the main window and runs
// its message loop until the window closes; a failure there takes the fatal
// path (message box, exit code 5). The result is left in options.FExitCode.
void RunProgramBody(TCommandLineOption& options);

}  // namespace tolvar::client
