// Streams over operating-system file handles: THandleStream borrows a handle
// it never closes (standard output or error inherited from the caller, say);
// TFileStream opens a file and owns its handle.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/stream.h"

namespace tolvar::platform {

// An OS handle carried as an integer: a file descriptor on Linux, a HANDLE
// on Windows. -1 is the invalid handle on both.
using TOSHandle = std::intptr_t;
inline constexpr TOSHandle kInvalidOSHandle = -1;

// A file that could not be opened or created; Code() is the system's error
// code (a Windows error code on both targets: 2 for a missing file, 5 for
// access denied, ...), which ::platform::SystemErrorText turns into the text
// that ends the message; SystemText() is that text on its own.
class EFileStreamError : public EStreamError {
 public:
  EFileStreamError(const std::string& message, unsigned long code, std::string system_text = std::string())
      : EStreamError(message), code_(code), system_text_(std::move(system_text)) {}
  unsigned long Code() const { return code_; }
  const std::string& SystemText() const { return system_text_; }

 private:
  unsigned long code_;
  std::string system_text_;
};

class THandleStream : public TStream {
 public:
  // `handle` is borrowed: it must stay open while the stream is in use and
  // is never closed by it.
  explicit THandleStream(TOSHandle handle) : handle_(handle) {}

  std::int32_t Read(void* buffer, std::int32_t count) override;
  // Writes all of `count` unless the system call fails; returns what went.
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  // Truncates or extends a file; fails with EStreamError on a pipe.
  void SetSize(std::int64_t size) override;

  TOSHandle Handle() const { return handle_; }

 protected:
  TOSHandle handle_;
};

enum class TFileMode {
  fmCreate,         // create, or truncate an existing file; read and write
  fmOpenRead,       // an existing file, read only
  fmOpenWrite,      // an existing file, write only, not truncated
  fmOpenReadWrite,  // an existing file, read and write
};

// Whether other openers may use the file while this stream holds it.
// Windows enforces it; Linux has no mandatory sharing modes and opens the
// file either way.
enum class TFileShare { fsDenyNone, fsExclusive };

class TFileStream : public THandleStream {
 public:
  // Opens `name`; EFileStreamError when that fails. With fsDenyNone other
  // processes may read and write the file meanwhile.
  TFileStream(const std::string& name, TFileMode mode, TFileShare share = TFileShare::fsDenyNone);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  const std::string& FileName() const { return name_; }

 private:
  std::string name_;
};

}  // namespace tolvar::platform
