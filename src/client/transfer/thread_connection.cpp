#include "client/transfer/thread_connection.h"

#include <exception>
#include <memory>

#include "client/support/method.h"
#include "client/transfer/transfer_messages.h"

namespace tolvar::client {

TThreadConnection::TThreadConnection(bool create_suspended) {
  if (!create_suspended) Start();
}

TThreadConnection::~TThreadConnection() {
  RequestUrl.clear();
}

void TThreadConnection::Execute() {
  bool succeeded = true;
  std::string failure;
  try {
    std::unique_ptr<tolvar::platform::TMemoryStream> empty_source;
    tolvar::platform::TStream* source = SourceStream;
    if ((MethodIndex == miPost || MethodIndex == miPut) && source == nullptr) {
      empty_source = std::make_unique<tolvar::platform::TMemoryStream>();
      source = empty_source.get();
    }
    try {
      switch (MethodIndex) {
        case miGet:
          Client->RunGet(RequestUrl, ResponseStream);
          break;
        case miPost:
          Client->RunPost(RequestUrl, source, ResponseStream);
          break;
        case miPut:
          Client->RunPut(RequestUrl, source, ResponseStream);
          break;
        default:
          break;
      }
    } catch (const std::exception& e) {
      failure = std::string(MethodName(MethodIndex)) + ": " + e.what();
      succeeded = false;
    } catch (...) {
      failure = std::string(MethodName(MethodIndex)) + ": Unknown failure.";
      succeeded = false;
    }
  } catch (...) {
    // The temporary source could not be made: no request, no report but the
    // failed attempt.
    if (!Terminated()) platform::PostWindowMessage(NotifyWindow, WM_TRANSFER_COMMAND, kCommandFinished, 0);
    return;
  }
  // The send returns at once when the window is gone or closes meanwhile,
  // so a worker told to stop is never left blocked here.
  if (!succeeded)
    platform::SendWindowMessage(NotifyWindow, WM_TRANSFER_ERROR, 0, reinterpret_cast<std::intptr_t>(failure.c_str()));
  if (!Terminated())
    platform::PostWindowMessage(NotifyWindow, WM_TRANSFER_COMMAND, kCommandFinished, succeeded ? -1 : 0);
}

}  // namespace tolvar::client
