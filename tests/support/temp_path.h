// A path in the system's temporary folder for a test's own file, with any
// file of that name left by an earlier run removed first.
#pragma once

#include <filesystem>
#include <string>

namespace tolvar::testing {

inline std::string FreshTempPath(const char* name) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove(path);
  return path.string();
}

}  // namespace tolvar::testing
