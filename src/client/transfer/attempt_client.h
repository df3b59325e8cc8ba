// The HTTP client of one attempt, set up from the window's settings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "client/transfer/form_model.h"
#include "client/transfer/net_http_plus.h"

namespace tolvar::client {

// A new client with the referer box's text; the proxy box's host with
// `proxy_port` (the checked port), or a direct connection when that box is
// empty; Basic credentials when the user name or the password box holds
// anything; `user_agent` unless it is empty (the engine's own stays then);
// and `timeout_ms` as its read time-out (0: none). Everything else keeps
// the engine's defaults: in particular redirects are not followed. An https
// URL gets the verifying TLS handler (NewHttpsIOHandler), plain http the
// engine's plain one. The status relay is the caller's.
std::unique_ptr<TNetHTTPPlus> NewAttemptClient(const TFormModel& model, std::int32_t proxy_port,
                                               std::int32_t timeout_ms, const std::string& user_agent);

}  // namespace tolvar::client
