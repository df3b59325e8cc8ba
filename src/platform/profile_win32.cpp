#include <windows.h>

#include "platform/profile.h"
#include "platform/system.h"

namespace tolvar::platform {

std::string SettingsFilePath(const std::string& program_path) {
  return ChangeFileExt(program_path, ".ini");
}

std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback) {
  char buf[kProfileReadLimit + 1];
  const DWORD n =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buf, sizeof buf, file.c_str());
  return std::string(buf, n);
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

}  // namespace tolvar::platform
