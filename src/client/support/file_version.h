// The version text of a program file.
#pragma once

#include <string>

namespace tolvar::client {

// The FileVersion of the program file at `path` ("1.0.0.1"); "*.*.*.*" when
// it cannot be read.
std::string GetFileVersionString(const std::string& path);

}  // namespace tolvar::client
