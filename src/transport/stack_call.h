// Inline part of stack.h.
#pragma once

#include "platform/socket.h"
#include "transport/exceptions.h"

namespace tolvar::transport {

template <typename F>
auto StackCall(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const platform::SocketLibraryError& e) {
    throw ENetWS2StubError(e.Title(), e.ErrorNumber(), e.SystemText());
  }
}

}  // namespace tolvar::transport
