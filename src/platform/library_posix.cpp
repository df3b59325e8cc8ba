#include <dlfcn.h>

#include "platform/library.h"

namespace tolvar::platform {

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& name) {
  return Open(name, nullptr);
}

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& name, std::string* why) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    // dlerror names the file that was missing, the library itself or one
    // it needs.
    const char* text = dlerror();
    if (why) *why = text ? text : name;
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() {
  dlclose(handle_);
}

void* SharedLibrary::Symbol(const char* name) const {
  return dlsym(handle_, name);
}

std::vector<std::pair<std::string, std::string>> OpenSSLLibraryNames() {
  return {{"libssl.so.3", "libcrypto.so.3"}, {"libssl.so.1.1", "libcrypto.so.1.1"}};
}

}  // namespace tolvar::platform
