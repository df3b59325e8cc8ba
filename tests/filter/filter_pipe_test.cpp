#include "filter/filter_pipe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tagsift::filter {
namespace filter_pipe_test {

// Serves input from memory in reads of at most the asked size and records
// every read and write call.
class RecordingPipe : public TFilterPipeTagParam {
 public:
  explicit RecordingPipe(std::string input) : TFilterPipeTagParam(true), input_(std::move(input)) {}

  void Feed(std::string input) {
    input_ = std::move(input);
    pos_ = 0;
  }

  std::vector<std::size_t> reads;   // bytes returned by each read call
  std::vector<std::size_t> writes;  // bytes asked by each write call
  std::string output;
  bool fail_read_after_first = false;
  std::size_t write_accepts = SIZE_MAX;  // a write takes at most this many bytes
  bool fail_writes = false;

 protected:
  bool ReadBlock(char* buffer, std::size_t size, std::size_t* got) override {
    EXPECT_EQ(size, kBlockSize);
    if (fail_read_after_first && !reads.empty()) {
      reads.push_back(0);
      return false;
    }
    std::size_t n = std::min(size, input_.size() - pos_);
    input_.copy(buffer, n, pos_);
    pos_ += n;
    *got = n;
    reads.push_back(n);
    return true;
  }
  bool WriteBlock(const char* bytes, std::size_t size, std::size_t* written) override {
    writes.push_back(size);
    if (fail_writes) return false;
    *written = std::min(size, write_accepts);
    output.append(bytes, *written);
    return true;
  }

 private:
  std::string input_;
  std::size_t pos_ = 0;
};

std::string Links(std::size_t count, std::size_t value_len) {
  std::string page;
  for (std::size_t i = 0; i < count; ++i) page += "<a href=\"" + std::string(value_len, 'v') + "\">";
  return page;
}

TEST(TFilterPipeTest, EmptyInputWritesNothing) {
  RecordingPipe pipe("");
  pipe.Execute();
  EXPECT_EQ(pipe.reads, std::vector<std::size_t>{0});
  EXPECT_TRUE(pipe.writes.empty());
}

TEST(TFilterPipeTest, ShortOutputIsCollectedUntilTheEnd) {
  std::string input = "<a href=x>" + std::string(TFilterPipeTagParam::kBlockSize - 10, ' ');
  ASSERT_EQ(input.size(), TFilterPipeTagParam::kBlockSize);
  RecordingPipe pipe(input);
  pipe.Execute();
  EXPECT_EQ(pipe.reads, (std::vector<std::size_t>{TFilterPipeTagParam::kBlockSize, 0}));
  EXPECT_EQ(pipe.writes, std::vector<std::size_t>{3});
  EXPECT_EQ(pipe.output, "x>\n");
}

TEST(TFilterPipeTest, WritesOnceAtLeastOneBlockIsPending) {
  // Copy mode: every block read is one block of output, written at once
  // before the next read.
  std::string input(3 * TFilterPipeTagParam::kBlockSize + 5, 'a');
  RecordingPipe pipe(input);
  pipe.SetParameter("");
  pipe.Execute();
  const std::size_t b = TFilterPipeTagParam::kBlockSize;
  EXPECT_EQ(pipe.reads, (std::vector<std::size_t>{b, b, b, 5, 0}));
  EXPECT_EQ(pipe.writes, (std::vector<std::size_t>{b, b, b, 5}));
  EXPECT_EQ(pipe.output, input);
}

TEST(TFilterPipeTest, EveryWriteButTheLastHoldsAtLeastOneBlock) {
  std::string input = Links(20000, 7);
  RecordingPipe pipe(input);
  pipe.Execute();
  ASSERT_GE(pipe.writes.size(), 2u);
  for (std::size_t i = 0; i + 1 < pipe.writes.size(); ++i) EXPECT_GE(pipe.writes[i], TFilterPipeTagParam::kBlockSize);
  std::string expected;
  for (int i = 0; i < 20000; ++i) expected += "vvvvvvv\n";
  EXPECT_EQ(pipe.output, expected);
}

TEST(TFilterPipeTest, ValueSplitAcrossReadsComesOutWhole) {
  const std::size_t b = TFilterPipeTagParam::kBlockSize;
  std::string input = std::string(b - 3, ' ') + "href=\"split\" x";
  RecordingPipe pipe(input);
  pipe.Execute();
  EXPECT_EQ(pipe.output, "split\n");
}

TEST(TFilterPipeTest, FailedReadEndsInputButKeepsWhatWasScanned) {
  std::string input = "href=a " + std::string(TFilterPipeTagParam::kBlockSize, ' ') + "href=b ";
  RecordingPipe pipe(input);
  pipe.fail_read_after_first = true;
  pipe.Execute();
  EXPECT_EQ(pipe.reads.size(), 2u);
  EXPECT_EQ(pipe.output, "a\n");
}

TEST(TFilterPipeTest, FailedOrShortWriteEndsTheRunQuietly) {
  std::string input(5 * TFilterPipeTagParam::kBlockSize, 'z');
  {
    RecordingPipe pipe(input);
    pipe.SetParameter("");
    pipe.fail_writes = true;
    pipe.Execute();
    EXPECT_EQ(pipe.writes.size(), 1u);
    EXPECT_EQ(pipe.reads.size(), 1u);
  }
  {
    RecordingPipe pipe(input);
    pipe.SetParameter("");
    pipe.write_accepts = 100;
    pipe.Execute();
    EXPECT_EQ(pipe.writes.size(), 1u);
    EXPECT_EQ(pipe.output.size(), 100u);
  }
}

TEST(TFilterPipeTest, StateStartsFreshForEveryRun) {
  RecordingPipe pipe("href=\"open");
  pipe.Execute();
  EXPECT_EQ(pipe.output, "open");
  // The next input of the same object does not continue the open value.
  pipe.Feed("tail\" href=b ");
  pipe.Execute();
  EXPECT_EQ(pipe.output, "openb\n");
}

TEST(TFilterPipeNamedTest, NeverClosesTheStandardHandles) {
  TFilterPipeNamed pipe;
  EXPECT_EQ(pipe.Input(), os::StdInput());
  EXPECT_EQ(pipe.Output(), os::StdOutput());
  pipe.CloseInput();  // without any OpenInput first
  pipe.CloseAll();
  EXPECT_EQ(pipe.Input(), os::StdInput());
  // Standard output is still usable: a zero-byte write succeeds.
  std::size_t written = 1;
  EXPECT_TRUE(os::Write(os::StdOutput(), "", 0, &written));
}

TEST(TFilterPipeNamedTest, FailedOpenLeavesTheInvalidHandleAndTheReason) {
  TFilterPipeNamed pipe;
  pipe.OpenInput("no-such-file-here.html");
  EXPECT_EQ(pipe.Input(), os::kInvalidHandle);
  EXPECT_EQ(os::LastError(), 2u);
  pipe.CloseInput();
  EXPECT_EQ(pipe.Input(), os::StdInput());
}

}  // namespace filter_pipe_test
}  // namespace tagsift::filter
