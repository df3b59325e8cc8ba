// The protocol exception a call raised, for asserting its status, text and
// kept body; status 0 and "no exception" when the call returned.
#pragma once

#include <functional>

#include "http/exceptions.h"

namespace tolvar::http {

inline ENetHTTPProtocolException ProtocolFailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ENetHTTPProtocolException& e) {
    return e;
  }
  return ENetHTTPProtocolException(0, "no exception", "");
}

}  // namespace tolvar::http
