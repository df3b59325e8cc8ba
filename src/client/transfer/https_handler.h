// The I/O handler an attempt installs when its URL asks for https.
#pragma once

#include <memory>
#include <string>

#include "transport/io_handler.h"

namespace tolvar::client {

// true when the engine will take `url` as an https request (its scheme,
// ignoring case, as the engine's own parse reads it). Plain http keeps the
// engine's plain handler.
bool IsHttpsUrl(const std::string& url);

// A new TLS handler for one attempt's connection. It verifies the server:
// the system's trust store, the origin's name against the certificate, SNI,
// TLS 1.2 at least; the engine sets the origin's name and switches it into
// TLS for a direct request or once a proxy's tunnel is open. Where no TLS
// library can be loaded it is still returned: the attempt then fails with a
// message naming the libraries that were looked for.
std::shared_ptr<transport::TNetIOHandler> NewHttpsIOHandler();

}  // namespace tolvar::client
