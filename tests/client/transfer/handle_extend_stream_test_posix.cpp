#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "client/transfer/handle_extend_stream.h"

namespace tolvar::client {
namespace {

TEST(HandleExtendStreamPosixTest, PipeIgnoresSizeChangesAndPassesTheBody) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    THandleExtendStream s(fds[1]);
    s.SetSize(1000);  // no failure, nothing happens
    s.WriteBuffer("body", 4);
    s.SetSize(s.Position());
    EXPECT_EQ(s.GetSize(), 4);
  }
  close(fds[1]);
  char buf[16] = {};
  EXPECT_EQ(read(fds[0], buf, sizeof buf), 4);
  EXPECT_EQ(std::string(buf, 4), "body");
  close(fds[0]);
}

// A failed write still counts, so the count alone would match the
// announced length of a body whose last piece was lost.
TEST(HandleExtendStreamPosixTest, RegressionFailedLastWriteIsRecorded) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  THandleExtendStream s(full);
  EXPECT_EQ(s.Write("abc", 3), 0);
  EXPECT_EQ(s.GetSize(), 3);
  EXPECT_TRUE(s.WriteFailed());
  close(full);
}

TEST(HandleExtendStreamPosixTest, ClosedPipeIsAFailedWrite) {
  std::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  THandleExtendStream s(fds[1]);
  EXPECT_THROW(s.WriteBuffer("x", 1), tolvar::platform::EStreamError);
  EXPECT_TRUE(s.WriteFailed());
  close(fds[1]);
}

// Regression: with standard output appended to a file (">>"), the pre-size
// wrote zeros over the end and the body landed behind them.
TEST(HandleExtendStreamPosixTest, RegressionAppendedFileGetsTheBodyRightBehindItsContent) {
  char path[] = "/tmp/tolvar_extend_appendXXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "old\n", 4), 4);
  close(fd);
  const int out = open(path, O_WRONLY | O_APPEND);
  ASSERT_GE(out, 0);
  {
    THandleExtendStream s(out);
    const std::int64_t pos = s.Position();
    s.SetSize(pos + 1000);  // what the transport does for a known length
    s.SetPosition(pos);
    s.WriteBuffer("body", 4);
    if (s.GetSize() > s.Position()) s.SetSize(s.Position());
  }
  close(out);
  char buf[64] = {};
  const int in = open(path, O_RDONLY);
  ASSERT_GE(in, 0);
  EXPECT_EQ(read(in, buf, sizeof buf), 8);
  EXPECT_EQ(std::string(buf, 8), "old\nbody");
  close(in);
  unlink(path);
}

}  // namespace
}  // namespace tolvar::client
