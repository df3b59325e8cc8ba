// tolvar -? as a whole process: notice, page beside the program, exit code 1.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/process_runner.h"
#include "tolvar_copy.h"

namespace tolvar_help_test {

using e2e::RunTolvarCopy;
using e2e::Target;
using e2e::TempDir;

TEST(TolvarHelpTest, WritesPageAndEndsWithOne) {
  TempDir dir;
  auto r = RunTolvarCopy(dir, {"-?", "-lu", "-u", "-", "-xp", "secret"});
  EXPECT_EQ(r.exit_code, 1);
  // Windows shows the Shift_JIS bytes; Linux the locale's UTF-8.
  // No viewer can show the page (Linux runs without a display, Wine with
  // its browser turned off), so the run says where it is and what else to
  // read; Windows names the folder in its own form.
  const bool windows = Target::Current().IsWindows();
  const std::string notice = windows ? "\x83w\x83\x8B\x83v\x82\xF0\x95\\\x8E\xA6\x82\xB7\x82\xE9\x8F\x80"
                                       "\x94\xF5\x82\xF0\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7.\n"
                                     : "ヘルプを表示する準備をしています.\n";
  const std::string where = "tolvar: no viewer could open the help page; it is ";
  const std::string tail = "tolvara.htm: open it in a web browser\ntolvar: the manual page says the same: man tolvar\n";
  if (windows) {
    EXPECT_EQ(r.err.rfind(notice + where, 0), 0u) << r.err;
    ASSERT_GE(r.err.size(), tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;
  } else {
    EXPECT_EQ(r.err, notice + where + dir.path() + "/" + tail);
  }
  const std::string page = e2e::ReadFile(dir.path() + "/tolvara.htm");
  ASSERT_FALSE(page.empty());
  EXPECT_EQ(page.rfind("<HTML><HEAD>\r\n", 0), 0u);
  // "stdin から読み取り" in Shift_JIS; the password never appears.
  EXPECT_NE(page.find("stdin \x82\xA9\x82\xE7\x93\xC7\x82\xDD\x8E\xE6\x82\xE8</TR>\r\n"), std::string::npos);
  EXPECT_EQ(page.find("secret"), std::string::npos);
  // The project version, from the version resource on Windows.
  EXPECT_NE(page.find("tolvar " TOLVAR_VERSION_TEXT " - Quillon\r\n"), std::string::npos);
  EXPECT_EQ(page.substr(page.size() - 16), "</BODY></HTML>\r\n");
}

// Regression: settings and the program's folder went onto the page raw, and
// the page was written through a link planted in its place (overwriting the
// file it pointed to) with mode 0644.
TEST(TolvarHelpTest, ValuesAndFolderEscapedAndAPlantedLinkReplaced) {
  TempDir dir;
  const Target& t = Target::Current();
  const std::string folder = dir.path() + "/R&D's";
  std::filesystem::create_directories(folder);
  const std::string exe = folder + (t.IsWindows() ? "/tolvar.exe" : "/tolvar");
  std::filesystem::copy_file(t.ProgramPath("tolvar"), exe);
  const std::string victim = dir.WriteFile("victim", "keep");
  const std::string page_path = folder + "/tolvara.htm";
  std::filesystem::create_symlink(victim, page_path);

  auto r = t.RunPath(exe, e2e::TolvarCopyRun(dir, {"-?", "-0", "-u", "http://h/<b>x</b>", "-r",
                                                   "<img src=x onerror=alert(1)>", "-fs", "a&b'c"}));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(e2e::ReadFile(victim), "keep");
  EXPECT_FALSE(std::filesystem::is_symlink(page_path));
  const std::string page = e2e::ReadFile(page_path);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_EQ(page.find("<b>x"), std::string::npos);
  EXPECT_NE(page.find(": http://h/&lt;b&gt;x&lt;/b&gt;</TR>\r\n"), std::string::npos);
  EXPECT_NE(page.find(": &lt;img src=x onerror=alert(1)&gt;</TR>\r\n"), std::string::npos);
  EXPECT_NE(page.find(": -fs \"a&amp;b&#39;c\"</TR>\r\n"), std::string::npos);
  EXPECT_NE(page.find("R&amp;D&#39;s"), std::string::npos);
  EXPECT_EQ(page.find("R&D"), std::string::npos);
  if (!t.IsWindows()) {
    struct stat st;
    ASSERT_EQ(stat(page_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
}

TEST(TolvarHelpTest, WithADisplayTheViewerOpensThePageSilently) {
  if (Target::Current().IsWindows()) GTEST_SKIP() << "no viewer may start under Wine";
  TempDir dir;
  auto run = e2e::TolvarCopyRun(dir, {"-?"});
  run.env["DISPLAY"] = ":0";  // only looked at: the stand-in viewer needs none
  auto r = RunTolvarCopy(dir, run);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "ヘルプを表示する準備をしています.\n");
  // The stand-in viewer runs detached and notes the page it was given.
  std::string note;
  for (int i = 0; i < 500 && note.empty(); ++i) {
    // The viewer may not have made its note yet: no file is no note.
    if (std::filesystem::exists(dir.path() + "/opened")) note = e2e::ReadFile(dir.path() + "/opened");
    if (note.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(note, dir.path() + "/tolvara.htm\n");
}

}  // namespace tolvar_help_test
