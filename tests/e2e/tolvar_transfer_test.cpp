// Whole scripted runs of tolvar (-q) against the scripted loopback server:
// exact request bytes, the body and the header at their destinations, and
// the exit code of every way a run can end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/loopback.h"
#include "support/process_runner.h"
#include "support/scripted_server.h"
#include "tolvar_copy.h"

namespace tolvar_transfer_test {

using e2e::ReadFile;
using e2e::RunResult;
using e2e::RunSpec;
using e2e::RunTolvarCopy;
using e2e::Target;
using e2e::TempDir;
using e2e::TolvarCopyRun;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

using tolvar::testing::kHeadEnd;
const std::string kAgent = "User-Agent: Mozilla/3.0 (compatible; Quillon)\r\n";

using tolvar::testing::LoopbackOrigin;
using tolvar::testing::LoopbackUrl;
using tolvar::testing::RefusedPort;

// The User-Agent line a run sends: the engine's own on Linux, the Internet
// settings' value on Windows (Wine has one).
std::string AgentLine(const std::string& request) {
  if (!Target::Current().IsWindows()) return kAgent;
  const auto at = request.find("\r\nUser-Agent: ");
  if (at == std::string::npos) return kAgent;
  return request.substr(at + 2, request.find("\r\n", at + 2) - at);
}

// The default end of a message line: LF on Linux, CR LF on Windows.
std::string Nl() {
  return Target::Current().IsWindows() ? "\r\n" : "\n";
}

RunResult Quiet(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), "-q");
  return RunTolvarCopy(dir, args);
}

TEST(TolvarTransferTest, GetBodyOnStdoutHeaderAfterItOnStderr) {
  const char raw[] = "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nX-A: 1\r\n\r\nhello\0world";
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(std::string(raw, sizeof raw - 1)).WaitPeerClose()});
  TempDir dir;
  auto r = Quiet(dir, {"-u", LoopbackUrl(server, "/p?q=1"), "-r", "http://ref.test/"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, std::string("hello\0world", 11));
  EXPECT_EQ(r.err, "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nX-A: 1\r\n");
  server.WaitDone(10000);
  EXPECT_EQ(server.Received(0), "GET /p?q=1 HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + LoopbackOrigin(server) +
                                    "\r\nAccept: text/html, */*\r\nReferer: http://ref.test/\r\n" +
                                    AgentLine(server.Received(0)) + "\r\n");
}

TEST(TolvarTransferTest, BodyAndHeaderToFilesReplacingOldOnes) {
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody").WaitPeerClose()});
  TempDir dir;
  dir.WriteFile("b.bin", "an older and longer body");
  dir.WriteFile("h.txt", "an older and longer header");
  auto r = Quiet(dir, {"-u", LoopbackUrl(server), "-b", "b.bin", "-h", "h.txt"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(dir.path() + "/b.bin"), "body");
  EXPECT_EQ(ReadFile(dir.path() + "/h.txt"), "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n");
}

TEST(TolvarTransferTest, FilesThatCannotBeCreatedFallBackToTheStandardHandles) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nbody").Close()});
  TempDir dir;
  auto r = Quiet(dir, {"-u", LoopbackUrl(server), "-b", "no/such/b.bin", "-h", "no/such/h.txt", "-lu"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "body");
  // Both messages carry the full path; the header follows them.
  const std::string body_msg = "ファイル \"" + dir.path() + "/no/such/b.bin\". ";
  const std::string header_msg = "ファイル \"" + dir.path() + "/no/such/h.txt\". ";
  if (!Target::Current().IsWindows()) {
    EXPECT_EQ(r.err.rfind(body_msg, 0), 0u) << r.err;
    EXPECT_NE(r.err.find("を作成できません\n" + header_msg), std::string::npos) << r.err;
  }
  const std::string tail = "\nHTTP/1.0 200 OK\r\n";
  ASSERT_GE(r.err.size(), tail.size());
  EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;
}

TEST(TolvarTransferTest, ExitCodesOfFailedRuns) {
  TempDir dir;
  // 1: the settings check, every message in order on standard error.
  auto r = Quiet(dir, {"-p", "proxy.test", "-a", "1", "-lu"});
  EXPECT_EQ(r.exit_code, 1);
  if (!Target::Current().IsWindows()) {
    EXPECT_EQ(r.err,
              "URL が指定されていません.\nProxyPort が指定されていません.\nProxyPort が数値ではない.\n"
              "ProxyPort に負の値は指定できない.\nRetrys (再試行) 回数を指定した場合 TimeOut (時間待ち上限) "
              "を設定してください.\n");
  }
  EXPECT_EQ(r.out, "");
  // 3: refused; the header of no response is CR LF alone, the reason after it.
  r = Quiet(dir, {"-u", "http://127.0.0.1:" + std::to_string(RefusedPort()) + "/"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "\r\ntolvar: GET: Socket Error # 10061 Connection refused." + Nl());
  // 4: 404, its body still delivered.
  TScriptedServer not_found(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone").WaitPeerClose()});
  r = Quiet(dir, {"-u", LoopbackUrl(not_found)});
  EXPECT_EQ(r.exit_code, 4);
  EXPECT_EQ(r.err, "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\ntolvar: GET: HTTP/1.1 404 Not Found" + Nl());
}

TEST(TolvarTransferTest, ContentLengthShorterOrLongerThanTheBody) {
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef").Close(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc").Close()});
  TempDir dir;
  auto r = Quiet(dir, {"-u", LoopbackUrl(server)});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "abc");
  r = Quiet(dir, {"-u", LoopbackUrl(server)});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.out, "abc");
}

TEST(TolvarTransferTest, ReadTimeOutEndsWithThree) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Silent()});
  TempDir dir;
  auto r = Quiet(dir, {"-u", LoopbackUrl(server), "-t", "1"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_FALSE(r.timed_out);
}

TEST(TolvarTransferTest, RetriesUntilTheLastAttemptDecides) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Reset(), TScript().ReadUntil(kHeadEnd).Reset(),
                          TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nthird").Close()});
  TempDir dir;
  auto r = Quiet(dir, {"-u", LoopbackUrl(server), "-a", "5", "-i", "0", "-t", "5"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(server.Accepted(), 3u);
  EXPECT_EQ(r.out, "third");

  TScriptedServer not_found({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 404 Not Found\r\n\r\n").Close(),
                             TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 404 Not Found\r\n\r\n").Close()});
  r = Quiet(dir, {"-u", LoopbackUrl(not_found), "-a", "1", "-i", "0", "-t", "5"});
  EXPECT_EQ(r.exit_code, 4);
  EXPECT_EQ(not_found.Accepted(), 2u);
}

// Redirects are not followed: an empty 3xx ended with 0 before.
TEST(TolvarTransferTest, RegressionEmptyRedirectsEndWithThreeCreatedWithZero) {
  struct Case {
    const char* answer;
    int exit_code;
  };
  TempDir dir;
  for (const Case& c : {Case{"HTTP/1.1 301 Moved Permanently\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n", 3},
                        Case{"HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n", 3},
                        Case{"HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", 3},
                        Case{"HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 5\r\n\r\nmoved", 3},
                        Case{"HTTP/1.1 201 Created\r\nLocation: /new\r\nContent-Length: 0\r\n\r\n", 0}}) {
    TScriptedServer server({TScript().ReadUntil(kHeadEnd).ReadCount(4).Send(c.answer).WaitPeerClose()});
    auto r = Quiet(dir, {"-u", LoopbackUrl(server, "/dav/f"), "-fm", "PUT", "-fs", "data"});
    EXPECT_EQ(r.exit_code, c.exit_code) << c.answer;
    EXPECT_EQ(server.Accepted(), 1u) << c.answer;  // never followed
    EXPECT_EQ(server.Received(0).rfind("PUT /dav/f HTTP/1.", 0), 0u);
  }
}

TEST(TolvarTransferTest, UrlFromStandardInputFirstLineTrimmed) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nin").Close()});
  TempDir dir;
  RunSpec run = TolvarCopyRun(dir, {"-q", "-u", "-"});
  run.stdin_bytes = "  " + LoopbackUrl(server, "/from-stdin") + "  \r\nhttp://second.line/\r\n";
  auto r = RunTolvarCopy(dir, run);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "in");
  EXPECT_EQ(server.Received(0).rfind("GET /from-stdin HTTP/1.1\r\n", 0), 0u) << server.Received(0);

  run.stdin_bytes = "";
  r = RunTolvarCopy(dir, run);
  EXPECT_EQ(r.exit_code, 1);
  if (!Target::Current().IsWindows()) {
    EXPECT_EQ(r.err, "URL が指定されていません.\n");
  }
}

// Regression: the URL line was read one byte per call without a bound (a
// 20 MB line took 41 s and 161 MB). Read in blocks, a line beyond the bound
// ends the run with exit code 1 and leaves the rest of the input unread;
// from a file, what was read beyond the line end is given back, so the next
// reader of the same input starts at the second line.
TEST(TolvarTransferTest, UrlLineReadInBlocksWithABound) {
  TempDir dir;
  const Target& t = Target::Current();
  const std::size_t size = (1u << 20) + 1;
  dir.WriteFile("big", std::string(size - 1, 'u') + "\n");
  RunSpec run = TolvarCopyRun(dir, {"-c", "{ " + t.ShellPrefix() + "\"$0\" -q -lu -u -; echo \"rc=$?\"; wc -c; } < big",
                                    e2e::TolvarCopyPath(dir)});
  RunResult r = e2e::RunProcess("/bin/sh", run);
  const std::string message = t.IsWindows() ? "\x95W\x8F\x80\x93\xFC\x97\xCD\x82\xCC URL \x82\xAA 65536 \x83o\x83"
                                              "C\x83g\x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7.\n"
                                            : "標準入力の URL が 65536 バイトを超えています.\n";
  EXPECT_EQ(r.err, message);
  ASSERT_EQ(r.out.rfind("rc=1\n", 0), 0u) << r.out;
  const std::size_t unread = std::stoul(r.out.substr(5));
  EXPECT_GE(unread, size - 65536 - 4096);
  EXPECT_LT(unread, size - 65536);

  dir.WriteFile("lines", "http://127.0.0.1:1/\r\nsecond line\n");
  run.args[1] = "{ " + t.ShellPrefix() + "\"$0\" -q -lu -u -; echo \"rc=$?\"; cat; } < lines";
  r = e2e::RunProcess("/bin/sh", run);
  EXPECT_EQ(r.out, "rc=3\n\nsecond line\n");
}

TEST(TolvarTransferTest, ProxyBasicAndPostRequestBytes) {
  TScriptedServer proxy({TScript().ReadUntil(kHeadEnd).ReadCount(3).Send("HTTP/1.0 200 OK\r\n\r\nvia").Close()});
  TempDir dir;
  auto r = Quiet(dir, {"-u", "http://origin.test/f", "-p", "127.0.0.1", "-c", std::to_string(proxy.Port()), "-xu",
                       "user", "-xp", "pass", "-fm", "POST", "-fs", "a=1"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "via");
  // POST goes as HTTP/1.0 on a fresh connection; the proxy gets the full URL.
  EXPECT_EQ(proxy.Received(0),
            "POST http://origin.test:80/f HTTP/1.0\r\nContent-Type: text/html\r\nContent-Length: 3\r\n"
            "Proxy-Connection: keep-alive\r\nHost: origin.test\r\nAccept: text/html, */*\r\n" +
                AgentLine(proxy.Received(0)) + "Authorization: Basic dXNlcjpwYXNz\r\n\r\na=1");
}

TEST(TolvarTransferTest, SettingsSavedAtExitAreUsedByTheNextRun) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\none").Close(),
                          TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\ntwo").Close()});
  TempDir dir;
  auto r = Quiet(dir, {"-0-", "-u", LoopbackUrl(server, "/stored"), "-b", "out.bin"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFile(dir.path() + "/out.bin"), "one");
  r = Quiet(dir, {"-0-"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFile(dir.path() + "/out.bin"), "two");
  EXPECT_EQ(server.Received(1).rfind("GET /stored HTTP/1.1\r\n", 0), 0u);
}

// A copy of the program alone in a folder has no desktop module beside it,
// so a run that wants the window cannot go on.
TEST(TolvarTransferTest, LinuxWithoutQuietHasNoWindowYet) {
  if (Target::Current().IsWindows()) GTEST_SKIP() << "the Windows build opens its window";
  TempDir dir;
  auto r = RunTolvarCopy(dir, {"-0", "-u", "http://127.0.0.1:1/", "-lu"});
  EXPECT_EQ(r.exit_code, 5);
  EXPECT_NE(r.err.find("\r\nCan't initilize application"), std::string::npos) << r.err;
}

// Standard output that loses the body: the run must not report success.
TEST(TolvarTransferTest, RegressionBodyLostOnTheWayOutEndsWithThree) {
  if (Target::Current().IsWindows()) GTEST_SKIP() << "needs /dev/full and a shell";
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody").WaitPeerClose(),
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody").WaitPeerClose()});
  TempDir dir;
  const std::string tolvar = Target::Current().ProgramPath("tolvar");
  RunSpec run = TolvarCopyRun(dir, {"-c", "exec \"$0\" -q -u \"$1\" > /dev/full", tolvar, LoopbackUrl(server)});
  auto r = e2e::RunProcess("/bin/sh", run);
  EXPECT_EQ(r.exit_code, 3) << r.err;
  // A closed pipe: the reader is gone before the body comes.
  run.args = {"-c", "mkfifo p; (exec 3<p; exec 3<&-) & exec \"$0\" -q -u \"$1\" > p", tolvar, LoopbackUrl(server)};
  r = e2e::RunProcess("/bin/sh", run);
  EXPECT_EQ(r.exit_code, 3) << r.err;
}

// Regression: with standard output appended to a file (">>"), the pre-size
// to a Content-Length shorter than the file's old content truncated the
// user's file (and the run still ended with 0).
TEST(TolvarTransferTest, RegressionAppendedStandardOutputKeepsTheFilesContent) {
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody").WaitPeerClose()});
  TempDir dir;
  const Target& t = Target::Current();
  const std::string exe = dir.path() + (t.IsWindows() ? "/tolvar.exe" : "/tolvar");
  std::filesystem::copy_file(t.ProgramPath("tolvar"), exe);
  std::string old;
  for (int i = 0; i < 1000; ++i) old += "line " + std::to_string(i) + "\n";
  dir.WriteFile("out.txt", old);
  RunSpec run =
      TolvarCopyRun(dir, {"-c", t.ShellPrefix() + "\"$0\" \"$@\" >> out.txt", exe, "-q", "-u", LoopbackUrl(server)});
  auto r = e2e::RunProcess("/bin/bash", run);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string content = ReadFile(dir.path() + "/out.txt");
  EXPECT_EQ(content.size(), old.size() + 4);
  EXPECT_TRUE(content == old + "body") << "the file does not hold its old content followed by the body";
}

TEST(TolvarTransferTest, NoDestinationForTheBodyEndsWithTwo) {
  if (Target::Current().IsWindows()) GTEST_SKIP() << "needs a shell to close the handles";
  TempDir dir;
  const std::string tolvar = Target::Current().ProgramPath("tolvar");
  RunSpec run = TolvarCopyRun(dir, {"-c", "exec \"$0\" -q -u http://127.0.0.1:1/ >&- 2>&-", tolvar});
  auto r = e2e::RunProcess("/bin/sh", run);
  EXPECT_EQ(r.exit_code, 2);
}

}  // namespace tolvar_transfer_test
