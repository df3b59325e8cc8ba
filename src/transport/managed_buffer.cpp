#include "transport/managed_buffer.h"

#include "transport/exceptions.h"

namespace tolvar {

char* TNetManagedBuffer::Reserve(std::size_t n) {
  std::size_t old = data_.size();
  data_.resize(old + n);
  return data_.data() + old;
}

void TNetManagedBuffer::Commit(std::size_t reserved, std::size_t kept) {
  data_.resize(data_.size() - reserved + kept);
}

void TNetManagedBuffer::Remove(std::int32_t count) {
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  if (count <= 0) return;
  if (count == Size()) {
    Clear();
  } else {
    consumed_ += static_cast<std::size_t>(count);
    if (consumed_ >= static_cast<std::size_t>(CompactThreshold)) {
      data_.erase(0, consumed_);
      consumed_ = 0;
    }
  }
  if (OnBytesRemoved) OnBytesRemoved(count);
}

std::string TNetManagedBuffer::TakeBytes(std::int32_t count) {
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  std::string out(Memory(), static_cast<std::size_t>(count < 0 ? 0 : count));
  Remove(count);
  return out;
}

void TNetManagedBuffer::Clear() {
  data_.clear();
  consumed_ = 0;
}

}  // namespace tolvar
