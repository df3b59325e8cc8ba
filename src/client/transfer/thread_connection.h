// The worker that performs one attempt's request off the window's thread.
#pragma once

#include <cstdint>
#include <string>

#include "client/transfer/net_http_plus.h"
#include "client/transfer/transfer_thread.h"
#include "platform/stream.h"
#include "platform/window_host.h"

namespace tolvar::client {

// Filled by the controller between construction and Start; touches nothing
// but its own fields, the client and the two streams, all borrowed. Reports
// through NotifyWindow: a failure as WM_TRANSFER_ERROR (sent) with the
// method name, ": " and the failure's message, then, unless told to stop,
// WM_TRANSFER_COMMAND kCommandFinished (posted) with lParam -1 on success
// and 0 on failure. Every failure is caught, whatever raised it.
class TThreadConnection : public TTransferThread {
 public:
  // The thread is always made suspended; with `create_suspended` false it
  // starts at once (the fields then keep their empty values).
  explicit TThreadConnection(bool create_suspended);
  ~TThreadConnection() override;

  platform::WindowHandle NotifyWindow = platform::kNoWindow;
  TNetHTTPPlus* Client = nullptr;
  std::string RequestUrl;
  tolvar::platform::TStream* SourceStream = nullptr;  // none: an empty body for POST and PUT
  tolvar::platform::TStream* ResponseStream = nullptr;
  std::uint8_t MethodIndex = 0;  // 0 GET, 1 POST, 2 PUT; others do nothing

 protected:
  void Execute() override;
};

}  // namespace tolvar::client
