// The user name and password given with -xu and -xp, or inside the -u URL,
// leave the command line that other users of the machine can read while a
// run goes on.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/file_bytes.h"
#include "support/process_runner.h"
#include "support/scripted_server.h"
#include "tolvar_copy.h"

namespace tolvar_credentials_test {

using e2e::RunResult;
using e2e::RunSpec;
using e2e::Target;
using e2e::TempDir;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

using tolvar::testing::ReadFileBytes;

// Read from /proc while the run waits on a silent server: the request has
// gone out, so the options were parsed long before.
TEST(TolvarCredentialsTest, ProcCmdlineShowsNeitherUserNorPasswordWhileTheRunWaits) {
  if (Target::Current().IsWindows())
    GTEST_SKIP() << "the Windows command-line buffers are checked by the client_tests entry command_line_wipe";
  if (Target::Current().IsWrapped()) GTEST_SKIP() << "under a wrapper /proc shows the wrapper's own argv";
  TScriptedServer server({TScript().ReadUntil("\r\n\r\n").Silent()});
  TempDir dir;
  const std::string host = "127.0.0.1:" + std::to_string(server.Port()) + "/";
  // Regression: the URL's own user information stayed readable.
  const std::string url = "http://url.user:url-pw@" + host;
  RunSpec run =
      e2e::TolvarCopyRun(dir, {"-c", "echo $$ > pid; exec \"$0\" \"$@\"", e2e::TolvarCopyPath(dir), "-q", "-u", url,
                               "-xu", "ann.user", "-xpsecret-attached", "-xp", "pass word", "-t", "30"});
  RunResult result;
  std::thread runner([&] { result = e2e::RunProcess("/bin/sh", run); });

  std::string cmdline;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (server.Received(0).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::string pid = ReadFileBytes(dir.path() + "/pid");
  if (!server.Received(0).empty() && !pid.empty())
    cmdline = ReadFileBytes("/proc/" + pid.substr(0, pid.find('\n')) + "/cmdline");
  server.Stop();
  runner.join();

  ASSERT_FALSE(cmdline.empty()) << "the run never reached the server";
  EXPECT_EQ(cmdline.find("ann.user"), std::string::npos) << cmdline;
  EXPECT_EQ(cmdline.find("secret"), std::string::npos) << cmdline;
  EXPECT_EQ(cmdline.find("pass word"), std::string::npos) << cmdline;
  EXPECT_EQ(cmdline.find("url-pw"), std::string::npos) << cmdline;
  // Same arguments, same lengths: only the values are overwritten.
  const std::string expected = dir.path() + "/tolvar" + std::string(1, '\0') + "-q" + '\0' + "-u" + '\0' +
                               "http://***************@" + host + '\0' + "-xu" + '\0' + "********" + '\0' +
                               "-xp***************" + '\0' + "-xp" + '\0' + "*********" + '\0' + "-t" + '\0' + "30" +
                               '\0';
  EXPECT_EQ(cmdline, expected);
  EXPECT_EQ(result.exit_code, 3);
}

}  // namespace tolvar_credentials_test
