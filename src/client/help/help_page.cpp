#include "client/help/help_page.h"

#include <exception>

#include "client/help/help_document.h"
#include "client/support/std_err.h"
#include "platform/system.h"

namespace tolvar::client {
namespace {

// Compiled to Shift_JIS, as are all string literals of this file.
const char kNoHelpFile[] = "ヘルプファイルが見つからないが生成できません.";

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
  const std::string open_path =
      WritePage(options, help_path) ? help_path : platform::ChangeFileExt(options.FProgramPath, ".htm");
  if (platform::FileExists(open_path))
    platform::ShellOpen(open_path);
  else
    WriteStdErrLine(kNoHelpFile, StdErrLineEnd(options));
}

}  // namespace tolvar::client
