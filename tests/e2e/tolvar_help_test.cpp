// tolvar -? as a whole process: notice, page beside the program, exit code 1.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/process_runner.h"

namespace {

using e2e::RunSpec;
using e2e::Target;
using e2e::TempDir;

const Target& T() {
  return Target::Current();
}

// Runs a copy of tolvar in `dir`, with a stand-in viewer on PATH (Linux) and
// the ini file kept inside `dir`.
e2e::RunResult RunCopy(const TempDir& dir, std::vector<std::string> args) {
  const std::string exe = dir.path() + (T().IsWindows() ? "/tolvar.exe" : "/tolvar");
  if (!std::filesystem::exists(exe)) std::filesystem::copy_file(T().ProgramPath("tolvar"), exe);
  std::filesystem::create_directories(dir.path() + "/bin");
  std::string viewer = dir.WriteFile("bin/xdg-open", "#!/bin/sh\necho \"$1\" > \"$OPENED\"\n");
  chmod(viewer.c_str(), 0755);
  RunSpec run;
  run.args = std::move(args);
  run.cwd = dir.path();
  run.env["LC_ALL"] = "C.UTF-8";
  run.env["XDG_CONFIG_HOME"] = dir.path() + "/cfg";
  run.env["OPENED"] = dir.path() + "/opened";
  run.env["PATH"] = dir.path() + "/bin:/usr/bin:/bin";
  // Under Wine no HTML viewer may start: the browser programs are disabled.
  run.env["WINEDLLOVERRIDES"] = "winebrowser.exe,iexplore.exe=d";
  return T().RunPath(exe, run);
}

TEST(TolvarHelpTest, WritesPageAndEndsWithOne) {
  TempDir dir;
  auto r = RunCopy(dir, {"-?", "-lu", "-u", "-", "-xp", "secret"});
  EXPECT_EQ(r.exit_code, 1);
  // Windows shows the Shift_JIS bytes; Linux the locale's UTF-8.
  EXPECT_EQ(r.err, T().IsWindows() ? "\x83w\x83\x8B\x83v\x82\xF0\x95\\\x8E\xA6\x82\xB7\x82\xE9\x8F\x80\x94\xF5\x82\xF0"
                                     "\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7.\n"
                                   : "ヘルプを表示する準備をしています.\n");
  const std::string page = e2e::ReadFile(dir.path() + "/tolvara.htm");
  ASSERT_FALSE(page.empty());
  EXPECT_EQ(page.rfind("<HTML><HEAD>\r\n", 0), 0u);
  // "stdin から読み取り" in Shift_JIS; the password never appears.
  EXPECT_NE(page.find("stdin \x82\xA9\x82\xE7\x93\xC7\x82\xDD\x8E\xE6\x82\xE8</TR>\r\n"), std::string::npos);
  EXPECT_EQ(page.find("secret"), std::string::npos);
  EXPECT_NE(page.find("tolvar 1.0.0.1 - Quillon\r\n"), std::string::npos);
  EXPECT_EQ(page.substr(page.size() - 16), "</BODY></HTML>\r\n");
}

TEST(TolvarHelpTest, SettingsPersistWithoutCredentials) {
  if (T().IsWindows()) GTEST_SKIP() << "the ini location differs; covered by the unit tests";
  TempDir dir;
  auto r = RunCopy(dir, {"-?", "-u", "http://h/", "-xu", "me", "-xp", "pw", "-a", "007"});
  EXPECT_EQ(r.exit_code, 1);
  const std::string ini = e2e::ReadFile(dir.path() + "/cfg/tolvar.ini");
  EXPECT_NE(ini.find("CommandLine=\"-u \"http://h/\" -a 7 \""), std::string::npos) << ini;
  EXPECT_EQ(ini.find("pw"), std::string::npos);
  EXPECT_EQ(ini.find("me"), std::string::npos);
  // The stored URL comes back on the next run; -0 ignores it.
  r = RunCopy(dir, {"-?"});
  EXPECT_NE(e2e::ReadFile(dir.path() + "/tolvara.htm").find("http://h/</TR>"), std::string::npos);
  r = RunCopy(dir, {"-?", "-0"});
  EXPECT_EQ(e2e::ReadFile(dir.path() + "/tolvara.htm").find("http://h/"), std::string::npos);
  // A read-only ini: the message, the exit code unchanged.
  chmod((dir.path() + "/cfg/tolvar.ini").c_str(), 0444);
  r = RunCopy(dir, {"-?", "-lu"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("tolvar.ini に書き込めません: Can't save options to ini file.\n"), std::string::npos) << r.err;
}

}  // namespace
