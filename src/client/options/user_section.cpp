#include "client/options/user_section.h"

#include "platform/system.h"

namespace tolvar::client {

std::string GetUserSectionName() {
  std::string name;
  if (!platform::GetLoginName(&name) || name.empty()) return ".Default";
  return name;
}

}  // namespace tolvar::client
