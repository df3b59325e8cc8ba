// Message lines on standard error.
#pragma once

#include <string>

#include "client/support/message_text.h"

namespace tolvar::client {

// How a message line on standard error ends: CR LF, or LF under -lu.
enum class TLineEnd { leCrLf, leLf };

// Writes `message` (the program's own Shift_JIS text) and the line end to
// standard error. On Linux the text is shown in the locale's character set.
// Failures to write are ignored.
void WriteStdErrLine(const std::string& message, TLineEnd end);

// The same for a message that holds data of the user (a path, a URL): only
// the program's own parts are converted, the data reaches the user unchanged.
void WriteStdErrLine(const TMessageText& message, TLineEnd end);

}  // namespace tolvar::client
