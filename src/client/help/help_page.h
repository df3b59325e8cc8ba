// -?: the help page written beside the program and shown by the desktop.
#pragma once

#include "client/options/command_line_option.h"

namespace tolvar::client {

// Writes "tolvara.htm" into the program's directory for `options` (a new
// file renamed over the old page, so a link planted in its place is
// replaced, never written through; on Linux readable by its owner only) and
// asks the shell to open it without waiting. When the page cannot be written
// the static "tolvar.htm" beside the program is opened instead; when neither
// exists, a line on standard error says so. A viewer that fails to start is
// not reported.
void OpenHelpPage(const TCommandLineOption& options);

}  // namespace tolvar::client
