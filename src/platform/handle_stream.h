// Streams over operating-system file handles: THandleStream borrows a handle
// it never closes (standard output or error inherited from the caller, say);
// TFileStream opens a file and owns its handle.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/os_handle.h"
#include "platform/stream.h"

namespace tolvar::platform {

// A file that could not be opened or created; Code() is the system's error
// code (a Windows error code on both targets: 2 for a missing file, 5 for
// access denied, ...), which platform::SystemErrorText turns into the text
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
// Windows enforces it; on Linux it holds between the opens of this process
// (a regular file held exclusively refuses a second opener, and an
// exclusive opener is refused a file held at all, with a sharing violation,
// code 32), since Linux has no sharing modes of its own.
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
  TFileShare share_ = TFileShare::fsDenyNone;
  // The file's identity while this process's table of open files holds it
  // (Linux only; unused on Windows).
  std::pair<std::uint64_t, std::uint64_t> identity_{0, 0};
  bool held_ = false;
};

// A file of its own in the system's temporary folder, read and write, that
// no other opener can reach and that is deleted when the stream goes.
// EFileStreamError when it cannot be made.
class TTemporaryStream : public THandleStream {
 public:
  TTemporaryStream();
  ~TTemporaryStream() override;
  TTemporaryStream(const TTemporaryStream&) = delete;
  TTemporaryStream& operator=(const TTemporaryStream&) = delete;
};

}  // namespace tolvar::platform
