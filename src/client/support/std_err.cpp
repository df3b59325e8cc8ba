#include "client/support/std_err.h"

#include "platform/system.h"

namespace tolvar::client {

void WriteStdErrLine(const std::string& message, TLineEnd end) {
  WriteStdErrLine(TMessageText(message), end);
}

void WriteStdErrLine(const TMessageText& message, TLineEnd end) {
  // One write, so that the line end cannot be separated from its text.
  platform::WriteStdErr(message.ForUser() + (end == TLineEnd::leLf ? "\n" : "\r\n"));
}

}  // namespace tolvar::client
