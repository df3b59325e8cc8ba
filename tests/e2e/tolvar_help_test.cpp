// tolvar -? as a whole process: notice, page beside the program, exit code 1.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/process_runner.h"
#include "tolvar_copy.h"

namespace {

using e2e::RunTolvarCopy;
using e2e::Target;
using e2e::TempDir;

TEST(TolvarHelpTest, WritesPageAndEndsWithOne) {
  TempDir dir;
  auto r = RunTolvarCopy(dir, {"-?", "-lu", "-u", "-", "-xp", "secret"});
  EXPECT_EQ(r.exit_code, 1);
  // Windows shows the Shift_JIS bytes; Linux the locale's UTF-8.
  EXPECT_EQ(r.err, Target::Current().IsWindows()
                       ? "\x83w\x83\x8B\x83v\x82\xF0\x95\\\x8E\xA6\x82\xB7\x82\xE9\x8F\x80\x94\xF5\x82\xF0"
                         "\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7.\n"
                       : "ヘルプを表示する準備をしています.\n");
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

}  // namespace
