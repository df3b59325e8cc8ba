// Addresses of the scripted loopback server as the tests write them in URLs
// and settings, and a port on which a connect is refused.
#pragma once

#include <string>

#include "support/scripted_server.h"

namespace tolvar::testing {

// "127.0.0.1:PORT".
inline std::string LoopbackOrigin(const TScriptedServer& server) {
  return "127.0.0.1:" + std::to_string(server.Port());
}

// "http://127.0.0.1:PORT" + path.
inline std::string LoopbackUrl(const TScriptedServer& server, const std::string& path = "/") {
  return "http://" + LoopbackOrigin(server) + path;
}

// A loopback port that was free a moment ago and is closed again, so a
// connect to it is refused (10061) rather than left unanswered.
inline int RefusedPort() {
  TScriptedServer gone({});
  return gone.Port();
}

}  // namespace tolvar::testing
