#include "platform/codepage.h"

#include <windows.h>

namespace tolvar::platform {

int SystemCodePage() {
  return static_cast<int>(GetACP());
}

}  // namespace tolvar::platform
