#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <string>

#include "client/transfer/handle_extend_stream.h"

namespace tolvar::client {
namespace handle_extend_stream_test_posix {

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

std::string FileContent(const std::string& path) {
  std::string all;
  const int in = open(path.c_str(), O_RDONLY);
  char buf[4096];
  ssize_t n;
  while (in >= 0 && (n = read(in, buf, sizeof buf)) > 0) all.append(buf, static_cast<std::size_t>(n));
  if (in >= 0) close(in);
  return all;
}

// A file holding `old`, opened for appending as a shell's ">>" does.
int AppendedFile(const std::string& old, std::string* path) {
  char name[] = "/tmp/tolvar_extend_keptXXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return -1;
  const bool written = write(fd, old.data(), old.size()) == static_cast<ssize_t>(old.size());
  close(fd);
  *path = name;
  return written ? open(name, O_WRONLY | O_APPEND) : -1;
}

// Regression: a pre-size to an announced length shorter than the file's old
// content cut the file there, since an appending handle's position is still
// 0 before its first write.
TEST(HandleExtendStreamPosixTest, RegressionShortBodyAppendedToALongerFileKeepsItsContent) {
  const std::string old(10000, 'o');
  std::string path;
  const int out = AppendedFile(old, &path);
  ASSERT_GE(out, 0);
  {
    THandleExtendStream s(out);
    const std::int64_t pos = s.Position();
    s.SetSize(pos + 4);
    s.SetPosition(pos);
    s.WriteBuffer("body", 4);
    if (s.GetSize() > s.Position()) s.SetSize(s.Position());
    EXPECT_EQ(s.GetSize(), 4);
  }
  close(out);
  EXPECT_EQ(FileContent(path), old + "body");
  unlink(path.c_str());
}

// Regression: the cut back before a second request (an authorization retry)
// took the file to the position the engine measured from, 0 on an
// appending handle, and so removed the old content too.
TEST(HandleExtendStreamPosixTest, RegressionCutBackBeforeASecondRequestStopsAtTheOldContent) {
  std::string path;
  const int out = AppendedFile("old\n", &path);
  ASSERT_GE(out, 0);
  {
    THandleExtendStream s(out);
    const std::int64_t start = s.Position();
    s.WriteBuffer("refused page", 12);
    s.SetPosition(start);
    s.SetSize(start);
    // What was cut off is no longer counted as delivered.
    EXPECT_EQ(s.GetSize(), 0);
    s.WriteBuffer("body", 4);
    EXPECT_EQ(s.GetSize(), 4);
  }
  close(out);
  EXPECT_EQ(FileContent(path), "old\nbody");
  unlink(path.c_str());
}

TEST(HandleExtendStreamPosixTest, CutBackOnAReplacedFileEmptiesItAndTheCount) {
  char name[] = "/tmp/tolvar_extend_cutXXXXXX";
  const int out = mkstemp(name);
  ASSERT_GE(out, 0);
  {
    THandleExtendStream s(out);
    s.WriteBuffer("refused page", 12);
    s.SetPosition(0);
    s.SetSize(0);
    EXPECT_EQ(s.GetSize(), 0);
    s.WriteBuffer("body", 4);
  }
  close(out);
  EXPECT_EQ(FileContent(name), "body");
  unlink(name);
}

// Regression: a retry's stream measured the file anew, so a failed
// attempt's bytes stayed ahead of the next body. Given where the run began,
// the stream takes its bytes back to there and writes from there again,
// whether the file was opened for writing at that offset or for appending.
TEST(HandleExtendStreamPosixTest, RegressionRetryCutsBackToWhereTheRunBegan) {
  for (const int append : {0, O_APPEND}) {
    char name[] = "/tmp/tolvar_extend_retryXXXXXX";
    const int made = mkstemp(name);
    ASSERT_GE(made, 0);
    close(made);
    const int out = open(name, O_WRONLY | append);
    ASSERT_GE(out, 0);
    ASSERT_EQ(write(out, "old\n", 4), 4);
    {
      THandleExtendStream attempt(out, 4);
      attempt.WriteBuffer(std::string(60, 'x').data(), 60);
      EXPECT_TRUE(attempt.TakeBack());
      EXPECT_EQ(attempt.GetSize(), 0);
      attempt.WriteBuffer("bo", 2);
    }
    {
      // The next attempt's stream over the same handle cuts no more.
      THandleExtendStream next(out, 4);
      EXPECT_TRUE(next.TakeBack());
      next.WriteBuffer("body", 4);
      EXPECT_EQ(next.GetSize(), 4);
    }
    close(out);
    EXPECT_EQ(FileContent(name), "old\nbody") << (append ? "appending" : "writing");
    unlink(name);
  }
}

// A device named as the destination: the stream owns the file that opened
// it, ignores the engine's size changes and counts what it is given.
TEST(HandleExtendStreamPosixTest, OwnedDeviceIsCountedNotSized) {
  auto device = std::make_unique<tolvar::platform::TFileStream>("/dev/null", tolvar::platform::TFileMode::fmCreate,
                                                                tolvar::platform::TFileShare::fsExclusive);
  const auto handle = device->Handle();
  THandleExtendStream s(handle, -1, std::move(device));
  EXPECT_FALSE(s.IsSizable());
  s.WriteBuffer("x", 1);
  // Bytes handed to a device cannot be taken back.
  EXPECT_FALSE(s.TakeBack());
  EXPECT_EQ(s.GetSize(), 1);
  s.SetSize(5);
  s.WriteBuffer("hello", 5);
  s.SetSize(s.Position());
  EXPECT_EQ(s.GetSize(), 6);
  EXPECT_FALSE(s.WriteFailed());
}

}  // namespace handle_extend_stream_test_posix
}  // namespace tolvar::client
