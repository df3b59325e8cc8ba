// The generated help page: the command line, every option with the value
// this run would use, the exit codes and the related files.
#pragma once

#include <string>

#include "client/options/command_line_option.h"

namespace tolvar::client {

// The whole page for `options` as Shift_JIS bytes, every line ended by
// CR LF, the last one too; `help_path` is listed among the related files.
// Every value inserted (settings, the help path, the version) is escaped for
// HTML (& < > " '), so a page for values without those bytes is the same
// as unescaped. The user name and the password are never shown, only
// whether they are set, nor the user information of the URL.
std::string BuildHelpDocument(const TCommandLineOption& options, const std::string& help_path);

}  // namespace tolvar::client
