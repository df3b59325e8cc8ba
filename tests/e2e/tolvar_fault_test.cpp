// Broken and hostile peers, and broken standard handles, end to end: one
// table row per fault (the server's script, the arguments, how the shell
// wires the handles), each checked for the exact exit code, what reached
// standard error, the body bytes at their destination, the end of the
// process and the server seeing the connection closed. The status log and
// its failure lines are checked by the controller's own tests.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/process_runner.h"
#include "support/scripted_server.h"
#include "tolvar_copy.h"

namespace tolvar_fault_test {

using e2e::RunResult;
using e2e::RunSpec;
using e2e::Target;
using e2e::TempDir;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

using tolvar::testing::kHeadEnd;

// `count` chunks of `size` bytes each, never the closing chunk.
std::string Chunks(std::size_t count, std::size_t size) {
  char line[32];
  std::snprintf(line, sizeof line, "%zx\r\n", size);
  const std::string chunk = line + std::string(size, 'c') + "\r\n";
  std::string all;
  all.reserve(chunk.size() * count);
  for (std::size_t i = 0; i < count; ++i) all += chunk;
  return all;
}

std::string ManyHeaderLines(std::size_t count) {
  std::string head = "HTTP/1.1 200 OK\r\n";
  char line[48];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "X-Line-%06zu: filler\r\n", i);
    head += line;
  }
  return head + "\r\n";
}

// The body dripped one byte per step, `ms` apart.
TScript Drip(TScript script, const std::string& bytes, int ms) {
  for (char c : bytes) script.Send(std::string(1, c), ms);
  return script;
}

struct FaultCase {
  const char* name;
  std::function<TScript()> script;
  std::vector<std::string> args;  // after "-q -u URL"
  // Redirections of the run in sh syntax; "" runs the program directly.
  // "tmpfs" runs it in a mount namespace of its own with a 1 MB tmpfs at
  // ./full, where $B (in args) names the body file.
  std::string shell;
  int exit_code;
  // Standard error exactly, unless `err_has` is set: then it must hold that.
  std::string err;
  std::string err_has;
  // The body at standard output (or in the -b file): `body` exactly, or,
  // when `body_prefix`, any prefix of it (a reset may drop what was in
  // flight, never deliver bytes that were not sent).
  std::string body;
  bool body_prefix = false;
  const char* windows_skip = nullptr;  // why the row cannot run under Wine
  bool wrapped_skip = false;           // a wrapper's own files take closed handles
  // Least time the run must take (the drip); 0: none.
  std::chrono::milliseconds at_least{0};
  bool connects = true;         // false: the run must not reach the server
  bool err_linux_only = false;  // the message is Shift_JIS on Windows
};

const std::string kOkHead = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n";
const std::string kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
// Larger than a pipe holds, so a reader that goes early is noticed.
const std::string kBigBody(1 << 20, 'b');

std::vector<FaultCase> Cases() {
  // The server closes after its reply: a body framed by nothing ends there.
  const auto reply = [](std::string bytes) {
    return [bytes] { return TScript().ReadUntil(kHeadEnd).Send(bytes).Close(); };
  };
  // The server waits for the run to close: the run must give up by itself.
  const auto reply_wait = [](std::string bytes) {
    return [bytes] { return TScript().ReadUntil(kHeadEnd).Send(bytes).WaitPeerClose(); };
  };
  const auto reset_after = [](std::string bytes) {
    return [bytes] { return TScript().ReadUntil(kHeadEnd).Send(bytes).Reset(); };
  };
  const std::string big_ok = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kBigBody.size()) + "\r\n\r\n";
  const std::string nl = "\n";  // every row runs with -lu
  // Wine reports a reset before any byte of the status line as a close.
  const std::string reset_text = Target::Current().IsWindows() ? "Connection Closed Gracefully."
                                                               : "Socket Error # 10054 Connection reset by peer.";
  std::vector<FaultCase> c;
  c.push_back({"ResetInTheBody", reset_after(kOkHead + "01234"), {}, "", 3, "", "HTTP/1.1 200 OK", "01234", true});
  c.push_back({"ResetInAChunkSizeLine",
               reset_after(kChunkedHead + "5\r\nabcde\r\n1"),
               {},
               "",
               3,
               "",
               "HTTP/1.1 200 OK",
               "abcde",
               true});
  c.push_back(
      {"ResetInTheStatusLine", reset_after("HTTP/1.1 20"), {}, "", 3, "\r\ntolvar: GET: " + reset_text + nl, "", ""});
  c.push_back({"CloseRightAfterTheHead",
               reply(kOkHead),
               {},
               "",
               3,
               "HTTP/1.1 200 OK\r\nContent-Length: 10\r\ntolvar: GET: Length(Body)=0, Content-Length: 10" + nl,
               "",
               ""});
  c.push_back({"CloseRightAfterAChunkedHead",
               reply(kChunkedHead),
               {},
               "",
               3,
               "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\ntolvar: GET: Connection Closed Gracefully." + nl,
               "",
               ""});
  c.push_back({"HeaderLineOfTenMegabytes",
               reply_wait("HTTP/1.1 200 OK\r\nX-Long: " + std::string(10 << 20, 'h') + "\r\n\r\nbody"),
               {},
               "",
               3,
               "",
               "HTTP/1.1 200 OK",
               ""});
  c.push_back({"HundredThousandHeaderLines",
               reply_wait(ManyHeaderLines(100000) + "body"),
               {},
               "",
               3,
               "",
               "HTTP/1.1 200 OK",
               ""});
  c.push_back({"ContentLengthTwoToTheSixtyThird",
               reply("HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775808\r\n\r\nabc"),
               {},
               "",
               3,
               "",
               "Content-Length: 9223372036854775808",
               ""});
  c.push_back({"ContentLengthOfTwentyDigits",
               reply("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\nabc"),
               {},
               "",
               3,
               "",
               "Content-Length: 99999999999999999999",
               ""});
  c.push_back({"NegativeContentLength",
               reply("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabc"),
               {},
               "",
               3,
               "",
               "Content-Length: -5",
               ""});
  c.push_back({"ChunkSizeTwoToTheSixtyFourth",
               reply_wait(kChunkedHead + "3\r\nabc\r\n10000000000000000\r\nxyz"),
               {},
               "",
               3,
               "",
               "Transfer-Encoding: chunked",
               "abc"});
  // A read time-out bounds each receive, not the whole run: a byte every
  // 200 ms never lets one second pass in silence, so the body arrives.
  {
    FaultCase drip{"DripUnderAOneSecondTimeOut",
                   [] { return Drip(TScript().ReadUntil(kHeadEnd).Send(kOkHead), "0123456789", 200).WaitPeerClose(); },
                   {"-t", "1"},
                   "",
                   0,
                   "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n",
                   "",
                   "0123456789"};
    drip.at_least = std::chrono::milliseconds(1800);
    c.push_back(drip);
  }
  // An endless chunked body: the run must stop at the first failed write.
  // The server stays silent after its last chunk, so a run that went on
  // reading would hang (and be killed by the runner's time limit).
  const auto endless = [] { return TScript().ReadUntil(kHeadEnd).Send(kChunkedHead + Chunks(64, 65536)).Silent(); };
  {
    FaultCase full{"EndlessChunkedBodyIntoDevFull", endless, {}, "> /dev/full", 3, "", "HTTP/1.1 200 OK", ""};
    c.push_back(full);
    FaultCase file{
        "EndlessChunkedBodyIntoDevFullAsBodyFile", endless, {"-b", "/dev/full"}, "", 3, "", "HTTP/1.1 200 OK", ""};
    c.push_back(file);
    FaultCase tmpfs{"EndlessChunkedBodyIntoAFullOneMegabyteTmpfs",
                    endless,
                    {"-b", "$B"},
                    "tmpfs",
                    3,
                    "",
                    "HTTP/1.1 200 OK",
                    std::string(1 << 20, 'c'),
                    true};
    tmpfs.windows_skip = "a tmpfs needs a mount namespace of its own, which the shared wineserver cannot see into";
    c.push_back(tmpfs);
  }
  {
    // No body destination: no request goes out, and the reason is given.
    FaultCase closed_out{"StandardOutputClosed", nullptr, {}, ">&-", 2, "Bad file descriptor\n", "", ""};
    closed_out.connects = false;
    closed_out.wrapped_skip = true;
    closed_out.windows_skip =
        "Wine gives a closed descriptor 1 to a file of its own before the program starts, so the program finds a "
        "working standard output; on Windows a closed standard handle is a null one";
    closed_out.err_linux_only = true;
    c.push_back(closed_out);
  }
  {
    FaultCase pipe{
        "PipeWhoseReaderExits", reply(big_ok + kBigBody), {}, "| head -c 1 > /dev/null", 3, "", "HTTP/1.1 200 OK", ""};
    c.push_back(pipe);
  }
  {
    FaultCase closed_err{"StandardErrorClosed", reply(kOkHead + "0123456789"), {}, "2>&-", 2, "", "", "0123456789"};
    closed_err.wrapped_skip = true;
    c.push_back(closed_err);
  }
  {
    // A failed read, not an empty line: the program cannot go on.
    FaultCase closed_in{"UrlFromAClosedStandardInput", nullptr, {}, "<&-", 5, "Bad file descriptor\n", "", ""};
    closed_in.connects = false;
    closed_in.err_linux_only = true;
    c.push_back(closed_in);
  }
  return c;
}

class TolvarFaultTest : public ::testing::TestWithParam<FaultCase> {};

// Runs the row through sh so that its redirections apply to the program
// itself (Wine's loader included); the exit code of the program comes back
// even where a pipe's reader decides the pipeline's own.
RunResult RunRow(const TempDir& dir, const FaultCase& row, const std::vector<std::string>& args) {
  const Target& t = Target::Current();
  if (row.shell.empty()) {
    RunSpec run = e2e::TolvarCopyRun(dir, args);
    run.timeout = std::chrono::seconds(20);
    return e2e::RunTolvarCopy(dir, run);
  }
  const std::string exe = e2e::TolvarCopyPath(dir);
  std::string command;
  if (row.shell == "tmpfs") {
    // The file goes with the mount namespace: a copy of it comes out.
    command =
        "mkdir -p full && exec unshare -r -m sh -c 'mount -t tmpfs -o size=1m none full || exit 99; \"$0\" \"$@\"; "
        "rc=$?; cp full/body.bin body.out; exit $rc' " +
        t.ShellPrefix() + "\"$0\" \"$@\"";
  } else if (row.shell.rfind("|", 0) == 0) {
    command = "{ " + t.ShellPrefix() + "\"$0\" \"$@\"; echo $? > rc; } " + row.shell + "; exit $(cat rc)";
  } else {
    command = "exec " + t.ShellPrefix() + "\"$0\" \"$@\" " + row.shell;
  }
  RunSpec run = e2e::TolvarCopyRun(dir, {"-c", command, exe});
  run.timeout = std::chrono::seconds(20);
  run.args.insert(run.args.end(), args.begin(), args.end());
  return e2e::RunProcess("/bin/sh", run);
}

TEST_P(TolvarFaultTest, EndsWithTheRightCodeAndNoByteMisreported) {
  const FaultCase& row = GetParam();
  const Target& t = Target::Current();
  if (t.IsWindows() && row.windows_skip) GTEST_SKIP() << row.windows_skip;
  if (t.IsWrapped() && row.wrapped_skip) GTEST_SKIP() << "the wrapper's own files take the closed handle's number";
  std::vector<TScript> scripts;
  if (row.connects) scripts.push_back(row.script());
  TScriptedServer server(scripts);
  TempDir dir;
  const std::string body_file = dir.path() + "/full/body.bin";
  std::vector<std::string> args{"-q", "-lu", "-u"};
  args.push_back(row.shell == "<&-" ? "-" : "http://127.0.0.1:" + std::to_string(server.Port()) + "/");
  for (const std::string& a : row.args) args.push_back(a == "$B" ? body_file : a);

  const auto start = std::chrono::steady_clock::now();
  const RunResult r = RunRow(dir, row, args);
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_FALSE(r.timed_out) << "the run hung";
  EXPECT_EQ(r.exit_code, row.exit_code) << r.err.substr(0, 2000);
  if (row.err_linux_only && t.IsWindows()) {
  } else if (row.err_has.empty())
    EXPECT_EQ(r.err, row.err);
  else
    EXPECT_NE(r.err.find(row.err_has), std::string::npos) << r.err.substr(0, 2000);
  std::string body = r.out;
  if (row.shell == "tmpfs") body = e2e::ReadFile(dir.path() + "/body.out");
  if (row.body_prefix)
    EXPECT_EQ(row.body.compare(0, body.size(), body), 0) << body.size() << " bytes, not a prefix of what was sent";
  else
    EXPECT_EQ(body, row.body);
  EXPECT_GE(took, row.at_least);
  // Nothing left running: the server saw the connection closed (a silent
  // or waiting step ends only then).
  EXPECT_TRUE(server.WaitDone(20000)) << "the connection stayed open";
}

INSTANTIATE_TEST_SUITE_P(Faults, TolvarFaultTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

}  // namespace tolvar_fault_test
