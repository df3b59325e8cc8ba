#include <windows.h>

#include <vector>

#include "platform/registry.h"

namespace tolvar::platform {
namespace {

// Closes the key on every way out.
class KeyHandle {
 public:
  explicit KeyHandle(HKEY key) : key_(key) {}
  ~KeyHandle() { RegCloseKey(key_); }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_;
};

}  // namespace

bool ReadCurrentUserString(const std::string& key_path, const std::string& name, std::string* value) {
  // A leading backslash is not part of a subkey name.
  std::string path = key_path;
  while (!path.empty() && path[0] == '\\') path.erase(0, 1);
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
  KeyHandle key(raw);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::vector<char> buf(size + 1, '\0');
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  std::size_t n = 0;
  while (n < size && buf[n] != '\0') ++n;
  *value = std::string(buf.data(), n);
  return true;
}

}  // namespace tolvar::platform
