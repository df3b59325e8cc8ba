#include "transport/managed_buffer.h"

#include <algorithm>

#include "transport/exceptions.h"

namespace tolvar::transport {

std::int64_t TNetManagedBuffer::Seek(std::int64_t offset, platform::TSeekOrigin origin) {
  const std::int64_t end = static_cast<std::int64_t>(data_.size());
  const std::int64_t base = origin == platform::TSeekOrigin::soBeginning ? consumed_
                            : origin == platform::TSeekOrigin::soCurrent ? position_
                                                                         : end;
  position_ = std::max(consumed_, base + offset);
  return position_ - consumed_;
}

std::int64_t TNetManagedBuffer::GetSize() {
  return static_cast<std::int64_t>(data_.size()) - consumed_;
}

void TNetManagedBuffer::SetSize(std::int64_t size) {
  platform::TMemoryStream::SetSize(consumed_ + std::max<std::int64_t>(0, size));
}

void TNetManagedBuffer::Clear() {
  platform::TMemoryStream::Clear();
  consumed_ = 0;
}

void TNetManagedBuffer::Remove(std::int32_t count) {
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  if (count <= 0) return;
  if (count == Size()) {
    Clear();
  } else {
    consumed_ += count;
    position_ = std::max(position_, consumed_);
    if (consumed_ >= CompactThreshold) {
      data_.erase(0, static_cast<std::size_t>(consumed_));
      position_ -= consumed_;
      consumed_ = 0;
    }
  }
  FireBytesRemoved(count);
}

void TNetManagedBuffer::AppendFrom(TNetSimpleBuffer& block) {
  if (Size() == 0) {
    Clear();
    TakeBlockOf(block);
    return;
  }
  Append(block.Memory(), block.Size());
  block.Clear();
}

}  // namespace tolvar::transport
