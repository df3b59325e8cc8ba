// The connection's input buffer: received bytes not yet consumed. Consuming
// moves a read offset; the block is packed only after CompactThreshold
// consumed bytes, so reading many short lines does not move the rest each time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tolvar {

class TNetManagedBuffer {
 public:
  std::int32_t Size() const { return static_cast<std::int32_t>(data_.size() - consumed_); }
  const char* Memory() const { return data_.data() + consumed_; }
  void Append(const char* bytes, std::size_t n) { data_.append(bytes, n); }
  // Room for n more bytes at the end; Commit(k) keeps the first k of them.
  char* Reserve(std::size_t n);
  void Commit(std::size_t reserved, std::size_t kept);
  // ENetNotEnoughDataInBuffer "Not enough data in buffer." when count > Size().
  void Remove(std::int32_t count);
  std::string TakeBytes(std::int32_t count);
  void Clear();

  std::int32_t CompactThreshold = 32768;
  // Fires after every Remove with the removed count.
  std::function<void(std::int32_t)> OnBytesRemoved;

 private:
  std::string data_;
  std::size_t consumed_ = 0;
};

}  // namespace tolvar
