// Telling the process's standard handles from other OS handles.
#pragma once

#include "platform/system.h"

namespace tolvar::client {

// True when `handle` is the current standard input, output or error handle;
// such a handle is never closed by whoever wraps it.
bool IsStdHandle(platform::OsHandle handle);

}  // namespace tolvar::client
