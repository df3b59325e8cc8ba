// A stream that keeps only its position and size: the destination of
// benchmarks that measure the reading side alone.
#pragma once

#include <cstdint>

#include "platform/stream.h"

class DiscardStream : public tolvar::platform::TStream {
 public:
  std::int32_t Read(void*, std::int32_t) override { return 0; }
  std::int32_t Write(const void*, std::int32_t count) override {
    pos_ += count;
    if (pos_ > size_) size_ = pos_;
    return count;
  }
  std::int64_t Seek(std::int64_t offset, tolvar::platform::TSeekOrigin origin) override {
    pos_ = (origin == tolvar::platform::TSeekOrigin::soBeginning ? 0
            : origin == tolvar::platform::TSeekOrigin::soCurrent ? pos_
                                                                 : size_) +
           offset;
    return pos_;
  }
  std::int64_t GetSize() override { return size_; }
  void SetSize(std::int64_t size) override { size_ = size; }

 private:
  std::int64_t pos_ = 0, size_ = 0;
};
