// Message lines on standard error.
#pragma once

#include <string>

namespace client {

// Writes `message` (the program's own Shift_JIS text) and a line end to
// standard error: LF when the global option set has ofUnixStyle (-lu), CR LF
// otherwise or before the option set exists. On Linux the text is shown in
// the locale's character set. Failures to write are ignored.
void WriteStdErrLine(const std::string& message);

}  // namespace client
