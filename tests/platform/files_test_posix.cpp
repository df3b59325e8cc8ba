// The files the front end writes and reads on Linux: the help page and the
// settings file, where they go and how they are replaced, and standard input
// given back after the URL line.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/profile.h"
#include "platform/system.h"
#include "support/file_bytes.h"

namespace tolvar::platform {
namespace files_test_posix {

using tolvar::testing::ReadFileBytes;

// A scratch folder of the test's own, removed afterwards.
struct FilesTestDir {
  std::string path;
  FilesTestDir() {
    std::string t = (std::filesystem::temp_directory_path() / "files_test_XXXXXX").string();
    path = ::mkdtemp(t.data());
  }
  ~FilesTestDir() { std::filesystem::remove_all(path); }
};

// Sets or removes an environment variable for the life of the object.
class EnvSetting {
 public:
  EnvSetting(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~EnvSetting() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Regression: the help page was written with O_CREAT | O_TRUNC through a
// planted link (tolvara.htm -> victim overwrote the victim) and mode 0644.
TEST(ReplaceWholeFileTest, ReplacesAPlantedLinkAndIsTheOwnersOnly) {
  FilesTestDir dir;
  const std::string victim = dir.path + "/victim";
  const std::string page = dir.path + "/tolvara.htm";
  std::ofstream(victim) << "keep";
  ASSERT_EQ(::symlink(victim.c_str(), page.c_str()), 0);
  ASSERT_TRUE(ReplaceWholeFile(page, "<HTML>\r\n"));
  EXPECT_EQ(ReadFileBytes(victim), "keep");
  struct stat st;
  ASSERT_EQ(::lstat(page.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(ReadFileBytes(page), "<HTML>\r\n");
  // Written again: replaced whole, no temporary file left beside it.
  ASSERT_TRUE(ReplaceWholeFile(page, "x"));
  EXPECT_EQ(ReadFileBytes(page), "x");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), std::filesystem::directory_iterator()), 2);
  // A folder that is not there: false, nothing made.
  EXPECT_FALSE(ReplaceWholeFile(dir.path + "/none/tolvara.htm", "x"));
}

// Regression: with HOME unset the settings came from ./.config/tolvar.ini,
// where anyone who can write the current folder could plant a proxy and a
// body file; a relative XDG_CONFIG_HOME did the same.
TEST(SettingsFilePathTest, OnlyAbsoluteFoldersAndThePasswordDatabaseWithoutHome) {
  struct passwd* pw = ::getpwuid(::geteuid());
  ASSERT_NE(pw, nullptr);
  const std::string db_home = pw->pw_dir;
  struct Case {
    std::optional<std::string> xdg, home;
    std::string expected;
  };
  const Case cases[] = {
      {"/x/cfg", "/h", "/x/cfg/tolvar.ini"},
      {std::nullopt, "/h", "/h/.config/tolvar.ini"},
      {"", "/h", "/h/.config/tolvar.ini"},
      {"cfg", "/h", "/h/.config/tolvar.ini"},
      {"./cfg", std::nullopt, db_home + "/.config/tolvar.ini"},
      {std::nullopt, std::nullopt, db_home + "/.config/tolvar.ini"},
      {std::nullopt, "", db_home + "/.config/tolvar.ini"},
      {std::nullopt, "home", db_home + "/.config/tolvar.ini"},
  };
  for (const Case& c : cases) {
    EnvSetting xdg("XDG_CONFIG_HOME", c.xdg);
    EnvSetting home("HOME", c.home);
    EXPECT_EQ(SettingsFilePath("/usr/bin/tolvar.exe"), c.expected)
        << c.xdg.value_or("(unset)") << " " << c.home.value_or("(unset)");
  }
  // No file at all: nothing read, every write fails.
  EXPECT_EQ(ReadIniValue("", "User.x", "CommandLine", "fallback"), "fallback");
  EXPECT_FALSE(WriteIniValue("", "User.x", "CommandLine", "-b planted"));
}

TEST(UnreadHandleTest, FileGivesBytesBackAPipeCannot) {
  FilesTestDir dir;
  const std::string path = dir.path + "/input";
  std::ofstream(path) << "line\nrest";
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  char buf[16];
  ASSERT_EQ(::read(fd, buf, sizeof buf), 9);
  EXPECT_TRUE(UnreadHandle(fd, 4));
  EXPECT_EQ(::read(fd, buf, sizeof buf), 4);
  ::close(fd);

  int p[2];
  ASSERT_EQ(::pipe(p), 0);
  ASSERT_EQ(::write(p[1], "ab", 2), 2);
  ASSERT_EQ(::read(p[0], buf, 2), 2);
  EXPECT_FALSE(UnreadHandle(p[0], 1));
  ::close(p[0]);
  ::close(p[1]);
}

}  // namespace files_test_posix
}  // namespace tolvar::platform
