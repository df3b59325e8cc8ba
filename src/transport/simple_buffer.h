// A memory stream used as a byte queue: bytes are appended at the end and
// taken or dropped from the start. The connection uses one as its receive
// scratch block and one as its write buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/stream.h"

namespace tolvar::transport {

class TNetSimpleBuffer : public platform::TMemoryStream {
 public:
  // Fires after every Remove (also the one inside TakeBytes) with the
  // removed count; Clear does not fire it.
  std::function<void(TNetSimpleBuffer& sender, std::int32_t count)> OnBytesRemoved;

  // The stream's size as a 32-bit count (receive and send sizes are 32-bit).
  std::int32_t Size() { return static_cast<std::int32_t>(GetSize()); }
  // Appends at the end, whatever the position; the position is left at the end.
  void Append(const char* bytes, std::int32_t count);
  // The first `count` bytes, removed. ENetNotEnoughDataInBuffer "Not enough
  // data in buffer." when fewer are held; a count <= 0 takes nothing.
  virtual std::string TakeBytes(std::int32_t count);
  // Drops the first `count` bytes: the same check; the rest moves to the
  // start and the block shrinks to it.
  virtual void Remove(std::int32_t count);

 protected:
  void FireBytesRemoved(std::int32_t count);
  // Trades memory blocks with `other`, which is left empty with this
  // buffer's old block (and its capacity); this buffer's position ends at
  // the end of its new bytes.
  void TakeBlockOf(TNetSimpleBuffer& other);
};

}  // namespace tolvar::transport
