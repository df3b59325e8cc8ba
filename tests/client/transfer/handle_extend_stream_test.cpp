#include <gtest/gtest.h>

#include <string>

#include "client/transfer/handle_extend_stream.h"
#include "platform/handle_stream.h"
#include "support/temp_path.h"

namespace client {
namespace {

TEST(HandleExtendStreamTest, SizeIsTheWrittenCount) {
  const std::string path = testing_support::FreshTempPath("tolvar_extend_count.bin");
  tolvar::TFileStream file(path, tolvar::TFileMode::fmCreate);
  THandleExtendStream s(file.Handle());
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(s.Write("abc", 3), 3);
  EXPECT_EQ(s.Write("", 0), 0);
  EXPECT_EQ(s.Write("defgh", 5), 5);
  EXPECT_EQ(s.GetSize(), 8);
  EXPECT_FALSE(s.WriteFailed());
}

TEST(HandleExtendStreamTest, SizeSetterActsOnADiskFileButNotTheCount) {
  const std::string path = testing_support::FreshTempPath("tolvar_extend_size.bin");
  {
    tolvar::TFileStream file(path, tolvar::TFileMode::fmCreate);
    THandleExtendStream s(file.Handle());
    // The engine pre-sizes its destination to the announced length.
    s.SetSize(100);
    s.SetPosition(0);
    s.WriteBuffer("hello", 5);
    EXPECT_EQ(s.GetSize(), 5);
    EXPECT_EQ(file.Seek(0, tolvar::TSeekOrigin::soEnd), 100);
    s.SetSize(5);
    EXPECT_EQ(file.Seek(0, tolvar::TSeekOrigin::soEnd), 5);
  }
  tolvar::TFileStream back(path, tolvar::TFileMode::fmOpenRead);
  char buf[16] = {};
  EXPECT_EQ(back.Read(buf, sizeof buf), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
}

TEST(HandleExtendStreamTest, HandleThatIsNotOpenFailsAtConstruction) {
  EXPECT_THROW(THandleExtendStream s(tolvar::kInvalidOSHandle), tolvar::EStreamError);
}

}  // namespace
}  // namespace client
