// The stream over an inherited standard handle (standard output or error)
// that the body and the header are written through.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/handle_stream.h"

namespace tolvar::client {

// Pipes and consoles can neither be sized nor measured, yet the engine
// pre-sizes its destination when it knows the body length and the
// controller compares the body size with Content-Length. This stream counts
// what is handed to Write and reports that count as its size; a size change
// acts only on a disk file (or a handle of unknown type), and there only when
// it cuts the file: it is ignored on a pipe or a character device, a disk
// file is never grown ahead of its data, and never cut below the size it had
// // when this stream was made, or below `kept` when that is given (its content
// before the run, with ">>"). The handle is borrowed and never closed here,
// unless `owner` (the stream that opened it) is handed over with it.
class THandleExtendStream : public platform::THandleStream {
 public:
  // EStreamError with the system's text when `handle` is not open (a
  // process started without standard output, say). `kept` (bytes, -1: the
  // file's size now) is where this run's output starts in a disk file: the
  // stream never cuts below it. `owner`, when given, holds `handle` open and
  // is released with this stream.
  explicit THandleExtendStream(platform::TOSHandle handle, std::int64_t kept = -1,
                               std::unique_ptr<platform::TStream> owner = nullptr);
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
  // A disk file (or a handle of unknown kind): bytes written can be cut off
  // again. False for a pipe, a terminal or another device, where every byte
  // written has been handed on for good.
  bool IsSizable() const;
  // Cuts a disk file back to `kept` and writes from there again, so that a
  // failed attempt's bytes are gone before the next one; the count starts
  // anew. False when they cannot be taken back (not sizable, or the system
  // refuses the cut): they stay where they went.
  bool TakeBack();

 private:
  std::unique_ptr<platform::TStream> FOwner;
  std::int64_t FWritten = 0;
  bool FWriteFailed = false;
  // Bytes the file held before this stream wrote to it; never cut.
  std::int64_t FKept = 0;
};

}  // namespace tolvar::client
