#include "client/transfer/handle_extend_stream.h"

#include <algorithm>
#include <utility>

#include "platform/system.h"

namespace tolvar::client {
namespace {

platform::TOSHandle CheckedHandle(platform::TOSHandle handle) {
  unsigned long code = 0;
  if (!platform::IsOpenHandle(handle, &code)) throw platform::EStreamError(platform::SystemErrorText(code));
  return handle;
}

}  // namespace

THandleExtendStream::THandleExtendStream(platform::TOSHandle handle, std::int64_t kept,
                                         std::unique_ptr<platform::TStream> owner)
    : THandleStream(CheckedHandle(handle)), FOwner(std::move(owner)) {
  if (IsSizable()) FKept = kept >= 0 ? kept : std::max<std::int64_t>(THandleStream::GetSize(), 0);
}

bool THandleExtendStream::TakeBack() {
  if (!IsSizable()) return false;
  try {
    THandleStream::SetSize(FKept);
  } catch (const platform::EStreamError&) {
    // The system refuses to cut this handle (Wine does for a standard
    // handle inherited from a Unix file): the bytes stay out there.
    return false;
  }
  // A handle that writes at its position goes back there too; one opened
  // for appending writes at the end anyway.
  if (Position() > FKept) Seek(FKept, platform::TSeekOrigin::soBeginning);
  FWritten = 0;
  return true;
}

bool THandleExtendStream::IsSizable() const {
  switch (platform::GetHandleKind(handle_)) {
    case platform::HandleKind::kUnknown:
    case platform::HandleKind::kDisk:
      return true;
    case platform::HandleKind::kChar:
    case platform::HandleKind::kPipe:
      break;
  }
  return false;
}

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
  if (!IsSizable()) return;
  // Only a cut acts. Growing the file ahead of the data (the transport
  // pre-sizes to the announced length) would leave zeros behind a body cut
  // short, since the cut back compares with the written count, and on a file
  // opened for appending (">>") the body would land behind the zeros.
  // A cut never reaches into what the file held before: with ">>" the
  // position the engine measures from can still be 0 while every write lands
  // behind the old content, so a pre-size or the cut back before a second
  // request would otherwise truncate the user's file.
  const std::int64_t physical = THandleStream::GetSize();
  const std::int64_t target = std::max(size, FKept);
  if (target >= physical) return;
  THandleStream::SetSize(target);
  // The bytes cut off are no longer part of what this run delivered.
  FWritten = std::max<std::int64_t>(FWritten - (physical - target), 0);
}

}  // namespace tolvar::client
