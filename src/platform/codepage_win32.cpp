#include "platform/codepage.h"

#include <windows.h>

namespace platform {

int SystemCodePage() {
  return static_cast<int>(GetACP());
}

}  // namespace platform
