#include "client/transfer/handle_extend_stream.h"

#include "platform/system.h"

namespace tolvar::client {
namespace {

tolvar::platform::TOSHandle CheckedHandle(tolvar::platform::TOSHandle handle) {
  unsigned long code = 0;
  if (!platform::IsOpenHandle(handle, &code)) throw tolvar::platform::EStreamError(platform::SystemErrorText(code));
  return handle;
}

}  // namespace

THandleExtendStream::THandleExtendStream(tolvar::platform::TOSHandle handle) : THandleStream(CheckedHandle(handle)) {}

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
      // Only a cut acts. Growing the file ahead of the data (the transport
      // pre-sizes to the announced length) would leave zeros behind a body
      // cut short, since the cut back compares with the written count, and
      // on a file opened for appending (">>") the body would land behind the
      // zeros.
      if (size < THandleStream::GetSize()) THandleStream::SetSize(size);
      break;
    case platform::HandleKind::kChar:
    case platform::HandleKind::kPipe:
      break;
  }
}

}  // namespace tolvar::client
