// The generated help page: the command line, every option with the value
// this run would use, the exit codes and the related files.
#pragma once

#include <string>

#include "client/options/command_line_option.h"

namespace tolvar::client {

// The whole page for `options` as Shift_JIS bytes, every line ended by
// CR LF, the last one too; `help_path` is listed among the related files.
// Current values are inserted as they are, without HTML escaping; the user
// name and the password are never shown, only whether they are set.
std::string BuildHelpDocument(const TCommandLineOption& options, const std::string& help_path);

}  // namespace tolvar::client
