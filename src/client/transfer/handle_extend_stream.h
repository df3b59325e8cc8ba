// The stream over an inherited standard handle (standard output or error)
// that the body and the header are written through.
#pragma once

#include <cstdint>

#include "platform/handle_stream.h"

namespace tolvar::client {

// Pipes and consoles can neither be sized nor measured, yet the engine
// pre-sizes its destination when it knows the body length and the
// controller compares the body size with Content-Length. This stream counts
// what is handed to Write and reports that count as its size; a size change
// acts only on a disk file (or a handle of unknown type), and there only when
// it cuts the file: it is ignored on a pipe or a character device, and a disk
// file is never grown ahead of its data. The handle is borrowed and never closed here.
class THandleExtendStream : public tolvar::platform::THandleStream {
 public:
  // EStreamError with the system's text when `handle` is not open (a
  // process started without standard output, say).
  explicit THandleExtendStream(tolvar::platform::TOSHandle handle);
  ~THandleExtendStream() override;

  // Adds `count` to the written count before writing, whatever the
  // outcome; a short or failed write is also recorded in WriteFailed().
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  // The written count; the handle is not consulted.
  std::int64_t GetSize() override;
  void SetSize(std::int64_t size) override;

  std::int64_t Written() const { return FWritten; }
  // True once any write moved fewer bytes than it was given: the count then
  // includes bytes that never reached the destination.
  bool WriteFailed() const { return FWriteFailed; }

 private:
  std::int64_t FWritten = 0;
  bool FWriteFailed = false;
};

}  // namespace tolvar::client
