#include "client/help/help_page.h"

#include <exception>

#include "client/help/help_document.h"
#include "client/support/std_err.h"
#include "platform/system.h"

namespace tolvar::client {
namespace {

// Compiled to Shift_JIS, as are all string literals of this file.
const char kNoHelpFile[] = "ヘルプファイルが見つからないが生成できません.";
const char kProgramPrefix[] = "tolvar: ";
// Where a Linux installation keeps the same switches and exit codes.
const char kManualHint[] = "the manual page says the same: man tolvar";

bool WritePage(const TCommandLineOption& options, const std::string& path) {
  try {
    return platform::ReplaceWholeFile(path, BuildHelpDocument(options, path));
  } catch (const std::exception&) {
    return false;  // building the page ran out of memory
  }
}

}  // namespace

void OpenHelpPage(const TCommandLineOption& options) {
  const std::string help_path = platform::PathDirectory(options.FProgramPath) + "tolvara.htm";
  const bool written = WritePage(options, help_path);
  // Taken at once: the calls below may change it.
  const unsigned long write_error = written ? 0 : platform::LastErrorCode();
  const std::string open_path = written ? help_path : platform::ChangeFileExt(options.FProgramPath, ".htm");
  const TLineEnd end = StdErrLineEnd(options);
  if (!written) {
    WriteStdErrLine(TMessageText(kProgramPrefix)
                        .Own("the help page could not be written to ")
                        .Data(help_path)
                        .Own(": ")
                        .Data(platform::SystemErrorText(write_error)),
                    end);
  }
  if (!platform::FileExists(open_path)) {
    WriteStdErrLine(kNoHelpFile, end);
    WriteStdErrLine(TMessageText(kProgramPrefix).Own(kManualHint), end);
    return;
  }
  if (!platform::ShellOpen(open_path)) {
    WriteStdErrLine(TMessageText(kProgramPrefix)
                        .Own("no viewer could open the help page; it is ")
                        .Data(open_path)
                        .Own(": open it in a web browser"),
                    end);
    WriteStdErrLine(TMessageText(kProgramPrefix).Own(kManualHint), end);
  }
}

}  // namespace tolvar::client
