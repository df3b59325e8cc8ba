#include "client/support/file_version.h"

#include "platform/system.h"

namespace tolvar::client {

std::string GetFileVersionString(const std::string& path) {
  std::string version;
  if (!platform::ReadFileVersion(path, &version)) return "*.*.*.*";
  return version;
}

}  // namespace tolvar::client
