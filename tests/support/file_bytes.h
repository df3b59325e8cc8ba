// A file's bytes as the tests compare them.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace tolvar::testing {

// Every byte of the file, unconverted; empty when it cannot be opened (a
// destination the run never made).
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tolvar::testing
