#include "client/help/help_page.h"

#include <exception>

#include "client/help/help_document.h"
#include "client/options/command_line_option.h"
#include "client/support/std_err.h"
#include "platform/system.h"

namespace client {
namespace {

// "ヘルプファイルが見つからないが生成できません."
const char kNoHelpFile[] =
    "\x83w\x83\x8B\x83v\x83t\x83@\x83"
    "C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE7\x82\xC8\x82\xA2\x82\xAA"
    "\x90\xB6\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1.";

bool WritePage(const TCommandLineOption& options, const std::string& path) {
  try {
    return platform::WriteWholeFile(path, BuildHelpDocument(options, path));
  } catch (const std::exception&) {
    return false;  // building the page ran out of memory
  }
}

}  // namespace

void OpenHelpPage() {
  const TCommandLineOption& options = *CommandLineOption;
  const std::string help_path = platform::PathDirectory(options.FProgramPath) + "tolvara.htm";
  const std::string open_path =
      WritePage(options, help_path) ? help_path : platform::ChangeFileExt(options.FProgramPath, ".htm");
  if (platform::FileExists(open_path))
    platform::ShellOpen(open_path);
  else
    WriteStdErrLine(kNoHelpFile);
}

}  // namespace client
