// tagsift as a whole process, on the target named by E2E_TARGET.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/process_runner.h"

namespace {

using e2e::RunSpec;
using e2e::Target;
using e2e::TempDir;

// "ファイルを開けません(LastError=" in the two encodings a user may see.
const std::string kCannotOpenSjis =
    "\x83t\x83@\x83"
    "C\x83\x8B\x82\xF0\x8A"
    "J\x82\xAF\x82\xDC\x82\xB9\x82\xF1(LastError=";
const std::string kCannotOpenUtf8 = "ファイルを開けません(LastError=";
// "ヘルプファイルを表示する準備をしています."
const std::string kPreparingHelpUtf8 = "ヘルプファイルを表示する準備をしています.";

const Target& T() {
  return Target::Current();
}

// The default line end of output and messages: LF on Linux, CR LF on Windows.
std::string Nl() {
  return T().IsWindows() ? "\r\n" : "\n";
}

// The message text as this target shows it under LC_ALL=C.UTF-8.
std::string CannotOpen() {
  return T().IsWindows() ? kCannotOpenSjis : kCannotOpenUtf8;
}

RunSpec In(const TempDir& dir, std::vector<std::string> args, std::string input = "") {
  RunSpec run;
  run.args = std::move(args);
  run.cwd = dir.path();
  run.stdin_bytes = std::move(input);
  run.env["LC_ALL"] = "C.UTF-8";
  return run;
}

const char kPage[] =
    "<html><body>\r\n"
    "<a href=\"first.htm\">one</a> <A HREF = 'second.htm'>two</A>\r\n"
    "<img src=pic.gif><a href=\"\">empty</a>\r\n"
    "</body></html>\r\n";

TEST(TagsiftTest, FiltersStandardInputToStandardOutput) {
  TempDir dir;
  auto r = T().Run("tagsift", In(dir, {}, kPage));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "first.htm" + Nl() + "second.htm" + Nl() + Nl());
  EXPECT_EQ(r.err, "");
  // -ld asks for CR LF on both targets, -lu for LF; the later one wins.
  r = T().Run("tagsift", In(dir, {"-lu", "-ld"}, kPage));
  EXPECT_EQ(r.out, "first.htm\r\nsecond.htm\r\n\r\n");
  r = T().Run("tagsift", In(dir, {"-ld", "-lu"}, kPage));
  EXPECT_EQ(r.out, "first.htm\nsecond.htm\n\n");
}

TEST(TagsiftTest, UnixStyleAndParameterForms) {
  TempDir dir;
  for (auto args : std::vector<std::vector<std::string>>{
           {"-lu", "-p", "src"}, {"-lu", "-pSRC"}, {"/P", "SRC", "-LU"}, {"-p", "x", "-lu", "-psrc"}}) {
    auto r = T().Run("tagsift", In(dir, args, kPage));
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "pic.gif><a\n") << args[0];
  }
}

TEST(TagsiftTest, EmptyParameterCopiesBytesUnchanged) {
  TempDir dir;
  std::string all;
  for (int round = 0; round < 70; ++round)
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  auto r = T().Run("tagsift", In(dir, {"-p"}, all));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(r.out == all) << "copy differs; " << r.out.size() << " of " << all.size() << " bytes";
}

TEST(TagsiftTest, FilesInOrderAndMissingOnesReported) {
  TempDir dir;
  dir.WriteFile("a.htm", "<a href=\"a1\"><a href=\"open");
  dir.WriteFile("b.htm", "\"><a href=b1>\n");
  auto r = T().Run("tagsift", In(dir, {"-lu", "missing.htm", "a.htm", "b.htm"}));
  EXPECT_EQ(r.exit_code, 2);
  // An open value at the end of one file is not continued by the next.
  EXPECT_EQ(r.out, "a1\nopenb1>\n");
  EXPECT_EQ(r.err, "missing.htm: " + CannotOpen() + "2)\n");
}

TEST(TagsiftTest, MessagesFollowTheLocaleOnLinux) {
  if (T().IsWindows()) GTEST_SKIP() << "Windows shows the Shift_JIS bytes whatever the locale";
  TempDir dir;
  auto run = In(dir, {"nofile"});
  run.env["LC_ALL"] = "ja_JP.SJIS";
  auto r = T().Run("tagsift", run);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "nofile: " + kCannotOpenSjis + "2)\n");
  run.env["LC_ALL"] = "C";  // ASCII only: the texts come in UTF-8
  r = T().Run("tagsift", run);
  EXPECT_EQ(r.err, "nofile: " + kCannotOpenUtf8 + "2)\n");
}

TEST(TagsiftTest, EndOfSwitchesMakesFileNames) {
  TempDir dir;
  dir.WriteFile("-h", "href=dash ");
  auto r = T().Run("tagsift", In(dir, {"--", "-h", "-x"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.out, "dash" + Nl());
  EXPECT_EQ(r.err, "-x: " + CannotOpen() + "2)" + Nl());
}

TEST(TagsiftTest, DirectoryIsAFileThatCannotBeOpened) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() + "/sub");
  auto r = T().Run("tagsift", In(dir, {"sub"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "sub: " + CannotOpen() + "5)" + Nl());
  EXPECT_EQ(r.out, "");
}

TEST(TagsiftTest, AbsolutePathsAreFilesOnLinux) {
  if (T().IsWindows()) GTEST_SKIP() << "a leading / is a switch on Windows";
  TempDir dir;
  std::string page = dir.WriteFile("abs.htm", "href=abs ");
  auto r = T().Run("tagsift", In(dir, {page}));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "abs\n");
}

TEST(TagsiftTest, HelpWithoutPageShowsUsage) {
  TempDir dir;
  // A copy of the program with no help page beside it.
  std::string exe = T().IsWindows() ? "/tagsift.exe" : "/tagsift";
  std::filesystem::copy_file(T().ProgramPath("tagsift"), dir.path() + exe);
  auto r = T().RunPath(dir.path() + exe, In(dir, {"-lu", "-h", "ignored.htm"}));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  // "(default)" follows the platform's line end: CR LF on Windows, LF on Linux.
  const std::string styles = T().IsWindows() ? "-lu: unix style line.\n-ld: MS-DOS style line(default).\n"
                                             : "-lu: unix style line(default).\n-ld: MS-DOS style line.\n";
  const std::string rest =
      "Command Line: [-lu|-ld] [-p PARAMETER] [file]...\n"
      "-h: print this message.\n" +
      styles +
      "-p PARAMETER: Parameter key, Ex. -p HREF, -p SRC, -p NAME,...\n"
      "file: input file name. if no file names in command line, reading from standard-input.\n";
  ASSERT_EQ(r.err.rfind("Valdrin ver 1.0 ", 0), 0u) << r.err;
  ASSERT_GE(r.err.size(), rest.size());
  EXPECT_EQ(r.err.substr(r.err.size() - rest.size()), rest);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 7);
}

TEST(TagsiftTest, HelpPageIsOpenedBesideTheProgram) {
  if (T().IsWindows()) GTEST_SKIP() << "no HTML viewer to open under Wine";
  TempDir dir;
  std::filesystem::copy_file(T().ProgramPath("tagsift"), dir.path() + "/tagsift");
  dir.WriteFile("tagsift.htm", "<html></html>");
  // A stand-in viewer that records what it was asked to open.
  std::filesystem::create_directory(dir.path() + "/bin");
  std::string viewer = dir.WriteFile("bin/xdg-open", "#!/bin/sh\necho \"$PWD $1\" > \"$OPENED\"\n");
  chmod(viewer.c_str(), 0755);
  auto run = In(dir, {"-?"});
  run.env["PATH"] = dir.path() + "/bin:/usr/bin:/bin";
  run.env["OPENED"] = dir.path() + "/opened";
  auto r = T().RunPath(dir.path() + "/tagsift", run);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, kPreparingHelpUtf8 + "\n");
  // The viewer runs detached; give it a moment to leave its note.
  for (int i = 0; i < 500 && !std::filesystem::exists(dir.path() + "/opened"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(std::filesystem::exists(dir.path() + "/opened"));
  std::string note;
  for (int i = 0; i < 100 && note.empty(); ++i) {
    note = e2e::ReadFile(dir.path() + "/opened");
    if (note.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(note, dir.path() + " " + dir.path() + "/tagsift.htm\n");

  // No viewer at all: the usage text instead, still exit code 1. Under a
  // wrapper such as valgrind a spawn whose program is missing looks started.
  if (T().IsWrapped()) return;
  run.env["PATH"] = dir.path() + "/nowhere";
  r = T().RunPath(dir.path() + "/tagsift", run);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("Command Line:"), std::string::npos);
}

TEST(TagsiftTest, ClosedOutputPipeEndsQuietly) {
  TempDir dir;
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "<a href=\"link" + std::to_string(i) + "\">";
  dir.WriteFile("big.htm", big);
  // The reader takes a few bytes and goes; the exit code stays 0 and no
  // signal ends the program.
  std::string cmd = T().ShellPrefix() + T().ProgramPath("tagsift") +
                    " big.htm | head -c 10 >/dev/null; echo \"status=${PIPESTATUS[0]}\" >&2";
  RunSpec run = In(dir, {"-c", cmd});
  auto r = e2e::RunProcess("bash", run);
  EXPECT_NE(r.err.find("status=0"), std::string::npos) << r.err;
}

TEST(TagsiftTest, LargeInputIsExact) {
  TempDir dir;
  std::string page, expected;
  for (int i = 0; i < 50000; ++i) {
    page += "<p>text " + std::to_string(i) + " <a HREF=\"/x/" + std::to_string(i) + "\">l</a>\n";
    expected += "/x/" + std::to_string(i) + Nl();
  }
  dir.WriteFile("large.htm", page);
  auto r = T().Run("tagsift", In(dir, {"large.htm"}));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(r.out == expected) << r.out.size() << " bytes, expected " << expected.size();
}

}  // namespace
