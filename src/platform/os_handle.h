// The one type for an operating-system handle above the seam.
#pragma once

#include <cstdint>

namespace tolvar::platform {

// An OS handle carried as an integer wide enough for a pointer: a file
// descriptor on Linux, a HANDLE on Windows. -1 is the invalid handle on both.
using TOSHandle = std::intptr_t;
inline constexpr TOSHandle kInvalidOSHandle = -1;

}  // namespace tolvar::platform
