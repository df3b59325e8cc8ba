// Linux has no TLS client of the operating system: tolvar speaks TLS there
// through OpenSSL (the transport's OpenSSL handler), and asks
// SystemTlsAvailable() rather than knowing which target it runs on.
#include "platform/system_tls.h"

namespace tolvar::platform {

std::unique_ptr<SystemTlsSession> SystemTlsSession::Create(SystemTlsChannel& channel) {
  (void)channel;
  return nullptr;
}

bool SystemTlsAvailable() {
  return false;
}

}  // namespace tolvar::platform
