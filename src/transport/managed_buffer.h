// The connection's input buffer: received bytes not yet consumed. Consuming
// moves a read offset over a consumed prefix of the block, which is packed
// only once CompactThreshold bytes were consumed, so reading many short lines
// does not move the rest each time.
//
// As a stream it shows only the unconsumed bytes: size = stored bytes - read
// offset, positions count from the first unconsumed byte, and Memory() is
// that byte's address.
#pragma once

#include <cstdint>

#include "transport/simple_buffer.h"

namespace tolvar::transport {

class TNetManagedBuffer : public TNetSimpleBuffer {
 public:
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override;
  std::int64_t GetSize() override;
  void SetSize(std::int64_t size) override;
  void Clear() override;
  char* Memory() override { return data_.data() + consumed_; }
  const char* Memory() const override { return data_.data() + consumed_; }

  void Remove(std::int32_t count) override;
  // Moves all bytes of `block` to the end of this buffer and leaves `block`
  // empty. When this buffer is empty the two blocks trade places instead of
  // copying, so a receive into a scratch block costs no extra copy.
  void AppendFrom(TNetSimpleBuffer& block);

  std::int32_t CompactThreshold = 32768;
  // Bytes at the start of the block that were already consumed.
  std::int32_t ConsumedCount() const { return static_cast<std::int32_t>(consumed_); }

 private:
  std::int64_t consumed_ = 0;
};

}  // namespace tolvar::transport
