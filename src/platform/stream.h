// Byte streams used by the transport and the layers above it in place of the
// system's streams. Sizes and positions are 64-bit byte counts; a single
// Read or Write moves at most a 32-bit signed count.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tolvar::platform {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A stream read or write that moved fewer bytes than required.
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TStream {
 public:
  virtual ~TStream() = default;
  // Bytes read (0 at the end or on failure).
  virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
  // Bytes written (0 on failure).
  virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
  // The new position, or -1 when the stream cannot seek.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t GetSize();
  virtual void SetSize(std::int64_t size) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
  // Read or write exactly `count` bytes, else EStreamError.
  void ReadBuffer(void* buffer, std::int32_t count);
  void WriteBuffer(const void* buffer, std::int32_t count);
};

// A stream over one growable block of memory.
//
// Read and Write work on the whole block at `position_`; a derived class that
// shows only part of the block (the transport's input buffer hides a consumed
// prefix) overrides Seek, GetSize, SetSize and Memory and keeps `position_`
// as an offset into the whole block.
class TMemoryStream : public TStream {
 public:
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t GetSize() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t size) override;
  virtual void Clear();
  // The first byte of the stream; valid until the next size change.
  virtual char* Memory() { return data_.data(); }
  virtual const char* Memory() const { return data_.data(); }
  // The whole block.
  const std::string& Bytes() const { return data_; }

 protected:
  std::string data_;
  std::int64_t position_ = 0;
};

}  // namespace tolvar::platform
