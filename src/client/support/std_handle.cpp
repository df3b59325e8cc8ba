#include "client/support/std_handle.h"

namespace tolvar::client {

bool IsStdHandle(platform::OsHandle handle) {
  using platform::StdStream;
  return handle == platform::GetStdHandle(StdStream::kInput) || handle == platform::GetStdHandle(StdStream::kOutput) ||
         handle == platform::GetStdHandle(StdStream::kError);
}

}  // namespace tolvar::client
