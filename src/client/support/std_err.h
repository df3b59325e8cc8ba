// Message lines on standard error.
#pragma once

#include <string>

#include "client/support/message_text.h"

namespace tolvar::client {

// Writes `message` (the program's own Shift_JIS text) and a line end to
// standard error: LF when the global option set has ofUnixStyle (-lu), CR LF
// otherwise or before the option set exists. On Linux the text is shown in
// the locale's character set. Failures to write are ignored.
void WriteStdErrLine(const std::string& message);

// The same for a message that holds data of the user (a path, a URL): only
// the program's own parts are converted, the data reaches the user unchanged.
void WriteStdErrLine(const TMessageText& message);

}  // namespace tolvar::client
