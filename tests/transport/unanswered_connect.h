// A connect under a time-out to an address that never answers (TEST-NET-1,
// RFC 5737). A sandboxed machine may refuse such a connect at once ("network
// unreachable" and the like) instead of letting it time out; both outcomes
// are accepted, but either must come within a generous bound and leave the
// connection closed.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "transport/exceptions.h"
#include "transport/tcp_client.h"

namespace tolvar {

inline constexpr int kUnansweredTimeoutMs = 400;

inline void ExpectUnansweredConnectFails() {
  TNetTCPClient client;
  client.Host = "192.0.2.1";
  client.Port = 9;
  const auto start = std::chrono::steady_clock::now();
  std::string outcome;
  try {
    client.Connect(kUnansweredTimeoutMs);
    outcome = "connected";
  } catch (const ENetConnectTimeout& e) {
    outcome = e.what();
    EXPECT_EQ(outcome, "Connect timed out.");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kUnansweredTimeoutMs - 50));
  } catch (const ENetConnectException& e) {
    outcome = e.what();
    EXPECT_EQ(outcome.rfind("Socket Error # ", 0), 0u) << outcome;
  }
  EXPECT_NE(outcome, "connected");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << outcome;
  EXPECT_FALSE(client.Connected());
}

}  // namespace tolvar
