// Paths for a test's own files, in a folder of this test program's run: two
// runs at once (two trees' tests on one machine or one Wine prefix) never
// share a file, and the folder goes when the program ends.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace tolvar::testing {

// The run's folder below the system's temporary folder, made on first use.
inline const std::filesystem::path& RunTempDir() {
  struct Dir {
    std::filesystem::path path;
    Dir() {
      std::random_device random;
      const auto base = std::filesystem::temp_directory_path();
      for (;;) {
        path = base / ("tolvar_test_" + std::to_string(random()));
        // create_directory is false when the name is taken: draw again.
        if (std::filesystem::create_directory(path)) break;
      }
    }
    ~Dir() {
      std::error_code ignored;  // a file still open (a worker left running) stays
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Dir dir;
  return dir.path;
}

// `name` in the run's folder, with any file of that name an earlier test of
// the same run left removed first.
inline std::string FreshTempPath(const char* name) {
  const auto path = RunTempDir() / name;
  std::filesystem::remove(path);
  return path.string();
}

}  // namespace tolvar::testing
