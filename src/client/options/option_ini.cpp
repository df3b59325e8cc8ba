// Settings persistence of TCommandLineOption: one switch string and the
// window rectangle per user in the ini file.
#include "client/options/command_line_option.h"
#include "client/options/user_section.h"
#include "client/support/wipe.h"
#include "client/support/work_area.h"
#include "platform/profile.h"

namespace tolvar::client {
namespace {

const char kCommandLineKey[] = "CommandLine";
const char kPositionMainKey[] = "PositionMain";
// Follows the file name. Compiled to Shift_JIS, as are all string
// literals of this file.
const char kCannotWrite[] = " に書き込めません";
const char kCannotSave[] = ": Can't save options to ini file.";

std::string UserSection() {
  return "User." + GetUserSectionName();
}

}  // namespace

void TCommandLineOption::LoadFromIni() {
  LoadFromIniSection(UserSection());
}

bool TCommandLineOption::SaveToIni(TMessageText* failure, std::vector<std::string>* left_out) const {
  return SaveToIniSection(UserSection(), failure, left_out);
}

void TCommandLineOption::LoadFromIniSection(const std::string& section) {
  // The program path is token 0, which the parser skips. It goes in as one
  // token of its own: split along with the stored string, a path such as
  // "/tmp/q /bin/tolvar" would hand the parser a switch "/bin/tolvar".
  std::vector<std::string> tokens =
      SplitCommandLine(FProgramPath, platform::ReadIniValue(FIniFileName, section, kCommandLineKey, ""));
  ParseArguments(tokens);
  // A file saved before URLs lost their user information may hold one.
  for (std::string& token : tokens) WipeString(token);
  TextToPosition(platform::ReadIniValue(FIniFileName, section, kPositionMainKey, ""), FPositionMain);
  // A window saved on a larger screen or beside a moved taskbar comes back
  // fully visible, its size kept.
  FitIntoArea(FPositionMain, GetWorkArea());
}

bool TCommandLineOption::SaveToIniSection(const std::string& section, TMessageText* failure,
                                          std::vector<std::string>* left_out) const {
  // The quotes keep blanks at either end of the value; the read drops them.
  const std::string stored = "\"" + BuildCommandLine(left_out) + "\"";
  if (!platform::WriteIniValue(FIniFileName, section, kCommandLineKey, stored) ||
      !platform::WriteIniValue(FIniFileName, section, kPositionMainKey, PositionToText(FPositionMain))) {
    // The path is the user's, in whatever character set the disk uses.
    if (failure) *failure = TMessageText().Data(FIniFileName).Own(kCannotWrite).Own(kCannotSave);
    return false;
  }
  return true;
}

}  // namespace tolvar::client
