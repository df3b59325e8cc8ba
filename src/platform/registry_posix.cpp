#include "platform/registry.h"

namespace tolvar::platform {

bool ReadCurrentUserString(const std::string&, const std::string&, std::string*) {
  return false;
}

}  // namespace tolvar::platform
