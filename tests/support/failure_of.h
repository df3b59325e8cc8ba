// The message of the exception a call raised, for asserting exact failure
// texts; "no exception" when the call returned.
#pragma once

#include <functional>
#include <string>

#include "transport/exceptions.h"

namespace tolvar::testing {

template <typename E = tolvar::transport::ENetException>
std::string FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  }
  return "no exception";
}

}  // namespace tolvar::testing
