// Loading a shared library at run time and finding its functions by name
// (library_posix.cpp: dlopen; library_win32.cpp: LoadLibraryA). Used for
// libraries the programs must run without, such as OpenSSL.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tolvar::platform {

class SharedLibrary {
 public:
  // Null when the library cannot be found or loaded.
  static std::unique_ptr<SharedLibrary> Open(const std::string& name);
  // The same; on failure `why` (when given) says what the loader could not
  // find or bind, in the system's words (a missing dependency is named).
  static std::unique_ptr<SharedLibrary> Open(const std::string& name, std::string* why);
  // Unloads the library: every address taken from it becomes invalid.
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported function or object; null when absent.
  void* Symbol(const char* name) const;

 private:
  explicit SharedLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

// The OpenSSL library pairs this platform may have, as (libssl, libcrypto)
// names in the order they are tried: the current release first.
std::vector<std::pair<std::string, std::string>> OpenSSLLibraryNames();

}  // namespace tolvar::platform
