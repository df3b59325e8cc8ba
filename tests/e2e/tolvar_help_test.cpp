// tolvar -? as a whole process: notice, page beside the program, exit code 1.
#include <gtest/gtest.h>

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

}  // namespace
