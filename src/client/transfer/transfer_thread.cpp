#include "client/transfer/transfer_thread.h"

namespace tolvar::client {

TTransferThread::~TTransferThread() {
  if (FThread.joinable()) FThread.join();
}

void TTransferThread::Start() {
  FThread = std::thread([this] {
    Execute();
    FFinished.Set();
  });
}

}  // namespace tolvar::client
