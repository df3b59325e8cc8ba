#include <gtest/gtest.h>

#include <string>

#include "client/transfer/handle_extend_stream.h"
#include "platform/handle_stream.h"
#include "support/temp_path.h"

namespace tolvar::client {
namespace handle_extend_stream_test {

TEST(HandleExtendStreamTest, SizeIsTheWrittenCount) {
  const std::string path = tolvar::testing::FreshTempPath("tolvar_extend_count.bin");
  tolvar::platform::TFileStream file(path, tolvar::platform::TFileMode::fmCreate);
  THandleExtendStream s(file.Handle());
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(s.Write("abc", 3), 3);
  EXPECT_EQ(s.Write("", 0), 0);
  EXPECT_EQ(s.Write("defgh", 5), 5);
  EXPECT_EQ(s.GetSize(), 8);
  EXPECT_FALSE(s.WriteFailed());
}

// Regression: the pre-size to the announced length grew the file at once and
// nothing cut it back (the cut compares with the written count), so a body
// cut short on a redirected standard output ended in zeros.
TEST(HandleExtendStreamTest, RegressionPreSizeNeverPadsADiskFile) {
  const std::string path = tolvar::testing::FreshTempPath("tolvar_extend_size.bin");
  {
    tolvar::platform::TFileStream file(path, tolvar::platform::TFileMode::fmCreate);
    THandleExtendStream s(file.Handle());
    s.SetSize(100);
    s.SetPosition(0);
    s.WriteBuffer("hello world", 11);
    EXPECT_EQ(s.GetSize(), 11);
    EXPECT_EQ(file.Seek(0, tolvar::platform::TSeekOrigin::soEnd), 11);
    // A cut still acts: what a redirect or an error page wrote goes.
    s.SetSize(5);
    EXPECT_EQ(file.Seek(0, tolvar::platform::TSeekOrigin::soEnd), 5);
  }
  tolvar::platform::TFileStream back(path, tolvar::platform::TFileMode::fmOpenRead);
  char buf[16] = {};
  EXPECT_EQ(back.Read(buf, sizeof buf), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
}

TEST(HandleExtendStreamTest, HandleThatIsNotOpenFailsAtConstruction) {
  EXPECT_THROW(THandleExtendStream s(tolvar::platform::kInvalidOSHandle), tolvar::platform::EStreamError);
}

}  // namespace handle_extend_stream_test
}  // namespace tolvar::client
