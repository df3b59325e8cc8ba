// The program body of tagsift.
#pragma once

#include <string>
#include <vector>

namespace tagsift::filter {

// Exit codes.
enum : int {
  kExitOk = 0,          // all input processed
  kExitHelp = 1,        // help page or usage text shown
  kExitFileMissing = 2  // at least one input file could not be opened
};

// Runs tagsift over its arguments (args[0] is the program) and returns the
// exit code.
int RunProgram(const std::vector<std::string>& args);

}  // namespace tagsift::filter
