// A close request from outside while a scripted run is in its transfer:
// SIGTERM to the Linux program, a close message to the Windows one
// (taskkill without /F, which Wine delivers as a close message). Such a run
// ends with exit code 3, as an abort does, never with 0.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/process_runner.h"
#include "support/scripted_server.h"
#include "tolvar_copy.h"

namespace tolvar_close_test {

using e2e::RunResult;
using e2e::RunSpec;
using e2e::Target;
using e2e::TempDir;
using tolvar::testing::kHeadEnd;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

struct CloseCase {
  const char* name;
  std::function<TScript()> script;
  std::string body;  // what was sent of the body: the file holds a prefix of it
};

// Waits until the server holds the whole request head: the run is then in
// its transfer, past every step that could still refuse it.
bool RequestArrived(const TScriptedServer& server) {
  for (int i = 0; i < 2000; ++i) {
    const std::string got = server.Received(0);
    if (got.size() >= 4 && got.compare(got.size() - 4, 4, kHeadEnd) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(TolvarCloseTest, RegressionCloseDuringTransferEndsWithThree) {
  const std::vector<CloseCase> cases = {
      {"ServerNeverAnswers", [] { return TScript().ReadUntil(kHeadEnd).Silent(); }, ""},
      {"TenOfAHundredBytesThenStall",
       [] {
         return TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789").Silent();
       },
       "0123456789"},
  };
  const Target& t = Target::Current();
  int serial = 0;
  for (const CloseCase& c : cases) {
    TScriptedServer server({c.script()});
    TempDir dir;
    // A program file of a name of its own: the close request on Windows
    // goes by name and must reach this run only.
    const std::string name = "tolvar_close_" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
    const std::string exe = dir.path() + "/" + name + (t.IsWindows() ? ".exe" : "");
    std::filesystem::copy_file(t.ProgramPath("tolvar"), exe);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
    RunSpec run = e2e::TolvarCopyRun(dir, {"-q", "-u", url, "-t", "20", "-b", "body"});
    RunResult result;
    std::thread runner;
    if (t.IsWindows()) {
      runner = std::thread([&t, &result, exe, run] { result = t.RunPath(exe, run); });
    } else {
      // The shell notes its process number and becomes the program.
      RunSpec shell = run;
      shell.args = {"-c", "echo $$ > pid; exec " + t.ShellPrefix() + "\"$@\"", "sh", exe};
      shell.args.insert(shell.args.end(), run.args.begin(), run.args.end());
      runner = std::thread([&result, shell] { result = e2e::RunProcess("/bin/sh", shell); });
    }
    const bool arrived = RequestArrived(server);
    if (arrived) {
      if (t.IsWindows()) {
        RunSpec kill;
        kill.args = {"/IM", name + ".exe"};
        const RunResult k = t.RunPath("taskkill", kill);
        EXPECT_EQ(k.exit_code, 0) << c.name << k.out << k.err;
      } else {
        const int pid = std::stoi(e2e::ReadFile(dir.path() + "/pid"));
        EXPECT_EQ(::kill(pid, SIGTERM), 0) << c.name;
      }
    }
    runner.join();
    ASSERT_TRUE(arrived) << c.name;
    EXPECT_FALSE(result.timed_out) << c.name;
    EXPECT_EQ(result.exit_code, 3) << c.name << result.err;
    const std::string body = e2e::ReadFile(dir.path() + "/body");
    EXPECT_EQ(c.body.compare(0, body.size(), body), 0) << c.name << ": " << body;
    // The header never went out: the attempt was not finished.
    EXPECT_EQ(result.err, "") << c.name;
  }
}

}  // namespace tolvar_close_test
