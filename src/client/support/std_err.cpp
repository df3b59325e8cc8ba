#include "client/support/std_err.h"

#include "client/options/command_line_option.h"
#include "platform/system.h"

namespace tolvar::client {

void WriteStdErrLine(const std::string& message) {
  WriteStdErrLine(TMessageText(message));
}

void WriteStdErrLine(const TMessageText& message) {
  const bool unix_style = CommandLineOption && (CommandLineOption->FFlags & ofUnixStyle);
  // One write, so that the line end cannot be separated from its text.
  platform::WriteStdErr(message.ForUser() + (unix_style ? "\n" : "\r\n"));
}

}  // namespace tolvar::client
