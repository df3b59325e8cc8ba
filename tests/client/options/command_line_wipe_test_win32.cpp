// The command_line_wipe CTest entry runs this binary with -xu and -xp
// values and a -u URL with user information before its GoogleTest switches; the case parses this process's own
// command line as tolvar does, wipes it, and reads back what GetCommandLineA
// and GetCommandLineW (the process parameters, which other processes read)
// hold then.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "client/options/command_line_option.h"
#include "platform/command_line_wipe.h"

namespace tolvar::client {
namespace command_line_wipe_test_win32 {

std::string Narrow(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  return out;
}

TEST(CommandLineWipeTest, CredentialsLeaveBothCommandLineBuffers) {
  const std::string before_a = GetCommandLineA();
  const std::string before_w = Narrow(GetCommandLineW());
  if (before_a.find("-xpwipe-attached") == std::string::npos)
    GTEST_SKIP() << "run by the command_line_wipe entry, which passes -xu and -xp";
  TCommandLineOption options;
  options.ParseCommandLine(platform::GetProcessCommandLine(0, nullptr));
  EXPECT_EQ(options.FUserName, "wipe user");
  EXPECT_EQ(options.FPassword, "wipe-pass");
  platform::WipeCommandLineSpans(0, nullptr, options.FCredentialSpans);

  const std::string after_a = GetCommandLineA();
  const std::string after_w = Narrow(GetCommandLineW());
  for (const std::string& line : {after_a, after_w}) {
    EXPECT_EQ(line.find("wipe user"), std::string::npos) << line;
    EXPECT_EQ(line.find("wipe-attached"), std::string::npos) << line;
    EXPECT_EQ(line.find("wipe-pass"), std::string::npos) << line;
    EXPECT_EQ(line.find("wipe-url"), std::string::npos) << line;
    EXPECT_NE(line.find(" -u http:\\\\********************@h\\p "), std::string::npos) << line;
    EXPECT_NE(line.find("--gtest_filter=CommandLineWipeTest.*"), std::string::npos) << line;
    EXPECT_NE(line.find(" -xu \"*********\" -xp************* -xp *********"), std::string::npos) << line;
  }
  EXPECT_EQ(after_a.size(), before_a.size());
  EXPECT_EQ(after_w.size(), before_w.size());
}

}  // namespace command_line_wipe_test_win32
}  // namespace tolvar::client
