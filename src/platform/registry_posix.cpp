#include "platform/registry.h"

namespace platform {

bool ReadCurrentUserString(const std::string&, const std::string&, std::string*) {
  return false;
}

}  // namespace platform
