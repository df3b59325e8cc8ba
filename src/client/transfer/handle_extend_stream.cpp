#include "client/transfer/handle_extend_stream.h"

#include "platform/system.h"

namespace client {
namespace {

tolvar::TOSHandle CheckedHandle(tolvar::TOSHandle handle) {
  unsigned long code = 0;
  if (!platform::IsOpenHandle(handle, &code)) throw tolvar::EStreamError(platform::SystemErrorText(code));
  return handle;
}

}  // namespace

THandleExtendStream::THandleExtendStream(tolvar::TOSHandle handle) : THandleStream(CheckedHandle(handle)) {}

THandleExtendStream::~THandleExtendStream() {
  FWritten = 0;
}

std::int32_t THandleExtendStream::Write(const void* buffer, std::int32_t count) {
  FWritten += static_cast<std::int64_t>(count);
  const std::int32_t n = THandleStream::Write(buffer, count);
  if (count > 0 && n != count) FWriteFailed = true;
  return n;
}

std::int64_t THandleExtendStream::GetSize() {
  return FWritten;
}

void THandleExtendStream::SetSize(std::int64_t size) {
  switch (platform::GetHandleKind(handle_)) {
    case platform::HandleKind::kUnknown:
    case platform::HandleKind::kDisk:
      THandleStream::SetSize(size);
      break;
    case platform::HandleKind::kChar:
    case platform::HandleKind::kPipe:
      break;
  }
}

}  // namespace client
