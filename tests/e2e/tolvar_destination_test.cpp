// Where the body goes and where the request data comes from, end to end:
// devices and pipes as body destinations, a header file that is the body
// file, data read from a pipe, data that cannot be opened, and retries after
// a partial body on standard output.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/loopback.h"
#include "support/process_runner.h"
#include "support/scripted_server.h"
#include "tolvar_copy.h"

namespace tolvar_destination_test {

using e2e::ReadFile;
using e2e::RunResult;
using e2e::RunSpec;
using e2e::Target;
using e2e::TempDir;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

using tolvar::testing::kHeadEnd;

const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
const std::string kChunkedOk = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n";

using tolvar::testing::LoopbackUrl;

// Runs tolvar -q -lu -u URL ARGS with `shell` (sh syntax) applied to the
// program itself; the program's own exit code comes back even behind a pipe.
RunResult RunShell(const TempDir& dir, const TScriptedServer& server, const std::vector<std::string>& args,
                   const std::string& shell, const std::string& stdin_bytes = std::string()) {
  const Target& t = Target::Current();
  std::vector<std::string> all{"-q", "-lu", "-u", LoopbackUrl(server)};
  all.insert(all.end(), args.begin(), args.end());
  std::string command;
  if (shell.rfind('|', 0) == 0) {
    command = "{ " + t.ShellPrefix() + "\"$0\" \"$@\"; echo $? > rc; } " + shell + "; exit $(cat rc)";
  } else {
    command = "exec " + t.ShellPrefix() + "\"$0\" \"$@\" " + shell;
  }
  RunSpec run = e2e::TolvarCopyRun(dir, {"-c", command, e2e::TolvarCopyPath(dir)});
  run.args.insert(run.args.end(), all.begin(), all.end());
  run.stdin_bytes = stdin_bytes;
  run.timeout = std::chrono::seconds(30);
  return e2e::RunProcess("/bin/sh", run);
}

std::string NullDevice() {
  return Target::Current().IsWindows() ? "NUL" : "/dev/null";
}

// Regression: a named device was pre-sized and measured as a disk file, so a
// good transfer into it ended with 3.
TEST(TolvarDestinationTest, RegressionDeviceAsBodyFileIsCountedNotSized) {
  for (const std::string& answer : {kOk, kChunkedOk}) {
    TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(answer).WaitPeerClose()});
    TempDir dir;
    const RunResult r = RunShell(dir, server, {"-b", NullDevice()}, "");
    EXPECT_EQ(r.exit_code, 0) << answer << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("HTTP/1.1 200 OK\r\n"), std::string::npos) << r.err;
  }
}

TEST(TolvarDestinationTest, RegressionStandardOutputByNameIntoAPipeDeliversTheBody) {
  if (Target::Current().IsWindows()) GTEST_SKIP() << "/dev/stdout is a Linux name";
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(kOk).WaitPeerClose()});
  TempDir dir;
  // The name /dev/stdout links to: that machine-wide link is not relied on.
  const RunResult r = RunShell(dir, server, {"-b", "/proc/self/fd/1"}, "| cat");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "hello");
}

// Regression: on Linux the header file overwrote the body file of the same
// name (or a second name of it) and the run still ended with 0. As on
// Windows the header is refused the file and goes to standard error.
TEST(TolvarDestinationTest, RegressionHeaderFileThatIsTheBodyFileKeepsTheBody) {
  for (const bool link : {false, true}) {
    TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(kOk).WaitPeerClose()});
    TempDir dir;
    dir.WriteFile("body.bin", "");
    std::string header = "body.bin";
    if (link) {
      std::filesystem::create_hard_link(dir.path() + "/body.bin", dir.path() + "/second.bin");
      header = "second.bin";
    }
    const RunResult r = RunShell(dir, server, {"-b", "body.bin", "-h", header}, "");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.path() + "/body.bin"), "hello") << (link ? "link" : "same name");
    // The refusal names the header file, then the header follows.
    EXPECT_NE(r.err.find(header + "\". "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"), std::string::npos) << r.err;
  }
}

// Regression: data from a pipe has no size, so the request went without
// Content-Length and without its data. Beyond the memory bound (1 MiB) it
// passes through a temporary file.
TEST(TolvarDestinationTest, RegressionPostDataFromAPipeIsSentWhole) {
  if (Target::Current().IsWindows()) GTEST_SKIP() << "/dev/stdin is a Linux name";
  std::string big(3 << 20, 'd');
  big[12345] = 'x';
  for (const std::string& data : {std::string("data123"), big}) {
    TScriptedServer server({TScript()
                                .ReadUntil(kHeadEnd)
                                .ReadCount(data.size())
                                .Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")
                                .WaitPeerClose()});
    TempDir dir;
    const RunResult r = RunShell(dir, server, {"-fm", "POST", "-ff", "/dev/stdin"}, "", data);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    ASSERT_TRUE(server.WaitDone(20000));
    const std::string got = server.Received(0);
    EXPECT_NE(got.find("Content-Length: " + std::to_string(data.size()) + "\r\n"), std::string::npos)
        << got.substr(0, 400);
    ASSERT_GE(got.size(), data.size());
    EXPECT_TRUE(got.compare(got.size() - data.size(), data.size(), data) == 0) << data.size() << " bytes";
  }
}

// Regression: a data file that could not be opened was reported and then an
// empty PUT went out (emptying the file on the server) and the run ended
// with 0.
TEST(TolvarDestinationTest, RegressionDataFileThatCannotBeOpenedIsNeverSent) {
  for (const char* method : {"PUT", "POST"}) {
    TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 204 No Content\r\n\r\n").WaitPeerClose()});
    TempDir dir;
    const RunResult r = RunShell(dir, server, {"-fm", method, "-ff", "nosuch.json", "-b", "body.bin"}, "");
    EXPECT_EQ(r.exit_code, 1) << method << r.err;
    EXPECT_NE(r.err.find("nosuch.json\". "), std::string::npos) << r.err;
    EXPECT_EQ(server.Accepted(), 0u) << method;
    // Nothing was fetched, so no body file was made either.
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/body.bin"));
  }
}

// Attempt 1 announces 100 bytes and sends 60; attempt 2 sends a whole body.
std::vector<TScript> PartialThenWhole() {
  return {TScript()
              .ReadUntil(kHeadEnd)
              .Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(60, 'x'))
              .Close(),
          TScript()
              .ReadUntil(kHeadEnd)
              .Send("HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n" + std::string(20, 'y'))
              .WaitPeerClose()};
}

// Regression: the first attempt's 60 bytes stayed in front of the second
// attempt's body and the run ended with 0. A file is cut back to where the
// run began: empty after ">", its earlier content after ">>".
TEST(TolvarDestinationTest, RegressionRetryCutsStandardOutputFileBackToTheRunsStart) {
  if (Target::Current().IsWindows()) {
    GTEST_SKIP() << "Wine refuses to cut a standard handle inherited from a Unix file (SetEndOfFile: invalid "
                    "handle), so there the retry is refused as for a pipe";
  }
  for (const char* shell : {"> out.bin", ">> out.bin"}) {
    TScriptedServer server(PartialThenWhole());
    TempDir dir;
    dir.WriteFile("out.bin", "earlier\n");
    const RunResult r = RunShell(dir, server, {"-a", "1", "-i", "0", "-t", "10"}, shell);
    EXPECT_EQ(r.exit_code, 0) << shell << r.err;
    const std::string kept = std::string(shell).rfind(">>", 0) == 0 ? "earlier\n" : "";
    EXPECT_EQ(ReadFile(dir.path() + "/out.bin"), kept + std::string(20, 'y')) << shell;
    EXPECT_EQ(server.Accepted(), 2u);
  }
}

// Bytes handed down a pipe cannot be taken back: no retry, exit 3, and the
// reason on standard error.
TEST(TolvarDestinationTest, RegressionNoRetryOnceAFailedBodyWentDownAPipe) {
  TScriptedServer server(PartialThenWhole());
  TempDir dir;
  const RunResult r = RunShell(dir, server, {"-a", "1", "-i", "0", "-t", "10"}, "| cat > piped.bin");
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(ReadFile(dir.path() + "/piped.bin"), std::string(60, 'x'));
  EXPECT_EQ(server.Accepted(), 1u);
  if (!Target::Current().IsWindows()) {
    EXPECT_NE(r.err.find("標準出力へ渡した本文は取り消せないため、再試行しません.\n"), std::string::npos) << r.err;
  }
}

// A retry after an attempt that wrote nothing down the pipe is still made.
TEST(TolvarDestinationTest, RetryIntoAPipeAfterAnEmptyFailure) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n").Close(),
                          TScript().ReadUntil(kHeadEnd).Send(kOk).WaitPeerClose()});
  TempDir dir;
  const RunResult r = RunShell(dir, server, {"-a", "1", "-i", "0", "-t", "10"}, "| cat > piped.bin");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFile(dir.path() + "/piped.bin"), "hello");
  EXPECT_EQ(server.Accepted(), 2u);
}

}  // namespace tolvar_destination_test
