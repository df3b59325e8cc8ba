#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/exceptions.h"
#include "transport/managed_buffer.h"
#include "transport/simple_buffer.h"

namespace tolvar::transport {
namespace buffer_test {

std::string Contents(TNetSimpleBuffer& b) {
  return std::string(b.Memory(), static_cast<std::size_t>(b.Size()));
}

TEST(TNetSimpleBufferTest, TakeAndRemoveMoveTheRestToTheStart) {
  TNetSimpleBuffer b;
  std::vector<std::int32_t> removed;
  b.OnBytesRemoved = [&](TNetSimpleBuffer& sender, std::int32_t n) {
    EXPECT_EQ(&sender, &b);
    removed.push_back(n);
  };
  b.Append("hello world", 11);
  EXPECT_EQ(b.TakeBytes(6), "hello ");
  EXPECT_EQ(Contents(b), "world");
  b.Remove(2);
  EXPECT_EQ(Contents(b), "rld");
  EXPECT_EQ(b.Bytes(), "rld");  // the block shrank, nothing hidden in front
  b.Clear();
  EXPECT_EQ(removed, (std::vector<std::int32_t>{6, 2}));
}

TEST(TNetSimpleBufferTest, TooLargeCountsFailAndKeepTheBytes) {
  for (bool managed : {false, true}) {
    TNetManagedBuffer m;
    TNetSimpleBuffer s;
    TNetSimpleBuffer& b = managed ? static_cast<TNetSimpleBuffer&>(m) : s;
    b.Append("abc", 3);
    try {
      b.Remove(4);
      FAIL() << "Remove(4) of 3 bytes";
    } catch (const ENetNotEnoughDataInBuffer& e) {
      EXPECT_STREQ(e.what(), "Not enough data in buffer.");
    }
    EXPECT_THROW(b.TakeBytes(4), ENetNotEnoughDataInBuffer);
    EXPECT_EQ(Contents(b), "abc");
  }
}

TEST(TNetManagedBufferTest, StreamShowsOnlyUnconsumedBytes) {
  TNetManagedBuffer b;
  b.Append("0123456789", 10);
  b.Remove(4);
  EXPECT_EQ(b.ConsumedCount(), 4);
  EXPECT_EQ(b.GetSize(), 6);
  EXPECT_EQ(Contents(b), "456789");
  // Seeks count from the first unconsumed byte and never reach back into
  // the consumed prefix.
  EXPECT_EQ(b.Seek(2, platform::TSeekOrigin::soBeginning), 2);
  char two[2];
  b.ReadBuffer(two, 2);
  EXPECT_EQ(std::string(two, 2), "67");
  EXPECT_EQ(b.Seek(0, platform::TSeekOrigin::soEnd), 6);
  EXPECT_EQ(b.Seek(-100, platform::TSeekOrigin::soCurrent), 0);
  b.SetSize(3);
  EXPECT_EQ(Contents(b), "456");
  b.Append("xy", 2);
  EXPECT_EQ(Contents(b), "456xy");
}

TEST(TNetManagedBufferTest, PacksOnlyAtTheThreshold) {
  TNetManagedBuffer b;
  b.CompactThreshold = 8;
  std::vector<std::int32_t> removed;
  b.OnBytesRemoved = [&](TNetSimpleBuffer&, std::int32_t n) { removed.push_back(n); };
  b.Append("aaaabbbbccccdddd", 16);
  b.Remove(4);
  EXPECT_EQ(b.Bytes().size(), 16u);  // only the offset moved
  b.Remove(4);
  EXPECT_EQ(b.ConsumedCount(), 0);  // 8 consumed: packed
  EXPECT_EQ(b.Bytes(), "ccccdddd");
  EXPECT_EQ(b.TakeBytes(8), "ccccdddd");  // all of it: emptied
  EXPECT_EQ(b.GetSize(), 0);
  EXPECT_EQ(removed, (std::vector<std::int32_t>{4, 4, 8}));
}

TEST(TNetManagedBufferTest, AppendFromEmptiesTheBlockInBothCases) {
  TNetManagedBuffer queue;
  TNetSimpleBuffer block;
  block.Append("first", 5);
  queue.AppendFrom(block);  // queue empty: blocks trade places
  EXPECT_EQ(Contents(queue), "first");
  EXPECT_EQ(block.Size(), 0);
  queue.Remove(2);
  block.Append("second", 6);
  queue.AppendFrom(block);  // queue holds bytes: appended behind them
  EXPECT_EQ(Contents(queue), "rstsecond");
  EXPECT_EQ(block.Size(), 0);
  // The traded block is reusable as a fresh one.
  block.SetSize(4);
  EXPECT_EQ(block.Size(), 4);
}

}  // namespace buffer_test
}  // namespace tolvar::transport
