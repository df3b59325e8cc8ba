#include <windows.h>

#include "platform/library.h"
#include "platform/system.h"

namespace tolvar::platform {

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& name) {
  return Open(name, nullptr);
}

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& name, std::string* why) {
  // No "cannot find" dialog for a library that is simply absent.
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name.c_str());
  const DWORD code = GetLastError();
  SetErrorMode(old_mode);
  if (module == nullptr) {
    if (why) *why = name + ": " + SystemErrorText(code);
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(reinterpret_cast<void*>(module)));
}

SharedLibrary::~SharedLibrary() {
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
}

void* SharedLibrary::Symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

std::vector<std::pair<std::string, std::string>> OpenSSLLibraryNames() {
  std::vector<std::pair<std::string, std::string>> names;
  // 64-bit builds of current OpenSSL carry an "-x64" suffix; try those
  // first where the process is 64-bit, then the plain names.
  if (sizeof(void*) == 8) {
    names.push_back({"libssl-3-x64.dll", "libcrypto-3-x64.dll"});
    names.push_back({"libssl-1_1-x64.dll", "libcrypto-1_1-x64.dll"});
  }
  names.push_back({"libssl-3.dll", "libcrypto-3.dll"});
  names.push_back({"libssl-1_1.dll", "libcrypto-1_1.dll"});
  names.push_back({"ssleay32.dll", "libeay32.dll"});
  return names;
}

}  // namespace tolvar::platform
