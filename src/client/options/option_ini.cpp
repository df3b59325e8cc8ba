// Settings persistence of TCommandLineOption: one switch string and the
// window rectangle per user in the ini file.
#include "client/options/command_line_option.h"
#include "client/options/user_section.h"
#include "client/support/work_area.h"
#include "platform/profile.h"

namespace client {
namespace {

const char kCommandLineKey[] = "CommandLine";
const char kPositionMainKey[] = "PositionMain";
// "%s に書き込めません", the file name going first.
const char kCannotWrite[] = " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1";
const char kCannotSave[] = ": Can't save options to ini file.";

std::string UserSection() {
  return "User." + GetUserSectionName();
}

}  // namespace

void TCommandLineOption::LoadFromIni() {
  LoadFromIniSection(UserSection());
}

bool TCommandLineOption::SaveToIni(std::string* failure) const {
  return SaveToIniSection(UserSection(), failure);
}

void TCommandLineOption::LoadFromIniSection(const std::string& section) {
  // The program path stands in for token 0, which the parser skips; pieces
  // of a path with blanks are non-switch tokens and are ignored as well.
  const std::string stored = platform::ReadIniValue(FIniFileName, section, kCommandLineKey, "");
  ParseString(FProgramPath + " " + stored);
  TextToPosition(platform::ReadIniValue(FIniFileName, section, kPositionMainKey, ""), FPositionMain);
  // A window saved on a larger screen or beside a moved taskbar comes back
  // fully visible, its size kept.
  FitIntoArea(FPositionMain, GetWorkArea());
}

bool TCommandLineOption::SaveToIniSection(const std::string& section, std::string* failure) const {
  // The quotes keep blanks at either end of the value; the read drops them.
  if (!platform::WriteIniValue(FIniFileName, section, kCommandLineKey, "\"" + BuildCommandLine() + "\"") ||
      !platform::WriteIniValue(FIniFileName, section, kPositionMainKey, PositionToText(FPositionMain))) {
    if (failure) *failure = FIniFileName + kCannotWrite + kCannotSave;
    return false;
  }
  return true;
}

}  // namespace client
