#include "transport/simple_buffer.h"

#include "transport/exceptions.h"

namespace tolvar::transport {

void TNetSimpleBuffer::Append(const char* bytes, std::int32_t count) {
  Seek(0, platform::TSeekOrigin::soEnd);
  WriteBuffer(bytes, count);
}

std::string TNetSimpleBuffer::TakeBytes(std::int32_t count) {
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  if (count <= 0) return {};
  std::string out(Memory(), static_cast<std::size_t>(count));
  Remove(count);
  return out;
}

void TNetSimpleBuffer::Remove(std::int32_t count) {
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  if (count <= 0) return;
  data_.erase(0, static_cast<std::size_t>(count));
  position_ = position_ > count ? position_ - count : 0;
  FireBytesRemoved(count);
}

void TNetSimpleBuffer::TakeBlockOf(TNetSimpleBuffer& other) {
  data_.swap(other.data_);
  other.data_.clear();
  other.position_ = 0;
  position_ = static_cast<std::int64_t>(data_.size());
}

void TNetSimpleBuffer::FireBytesRemoved(std::int32_t count) {
  if (OnBytesRemoved) OnBytesRemoved(*this, count);
}

}  // namespace tolvar::transport
