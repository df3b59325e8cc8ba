#include "filter/command_line_option.h"

#include <gtest/gtest.h>

#include "filter/arguments.h"

namespace tagsift::filter {
namespace command_line_option_test {

TCommandLineOption Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "tagsift");
  return TCommandLineOption(args);
}

TEST(TCommandLineOptionTest, DefaultsReadStandardInputForHref) {
  auto o = Parse({});
  EXPECT_EQ(o.FFlags, 0u);
  EXPECT_EQ(o.FParameter, "HREF");
  EXPECT_TRUE(o.FFiles.empty());
}

TEST(TCommandLineOptionTest, ParameterForms) {
  EXPECT_EQ(Parse({"-p", "src"}).FParameter, "src");
  EXPECT_EQ(Parse({"-pSRC"}).FParameter, "SRC");
  EXPECT_EQ(Parse({"/P", "SRC"}).FParameter, "SRC");
  EXPECT_EQ(Parse({"-p\t NAME "}).FParameter, "NAME");  // attached: trimmed
  EXPECT_EQ(Parse({"-p", " x "}).FParameter, " x ");    // separate: unchanged
  EXPECT_EQ(Parse({"-p"}).FParameter, "");              // last: empty name
  EXPECT_EQ(Parse({"-p", "-lu"}).FParameter, "-lu");    // consumed whatever it is
  EXPECT_EQ(Parse({"-p", "a", "-p", "b"}).FParameter, "b");
}

TEST(TCommandLineOptionTest, FlagsAndLaterSwitchesOverride) {
  EXPECT_TRUE(Parse({"-h"}).Help());
  EXPECT_TRUE(Parse({"-?"}).Help());
  EXPECT_TRUE(Parse({"/H"}).Help());
  EXPECT_TRUE(Parse({"-LU"}).UnixStyle());
  EXPECT_FALSE(Parse({"-lu", "-ld"}).UnixStyle());
  EXPECT_TRUE(Parse({"-ld", "-lu"}).UnixStyle());
  EXPECT_FALSE(Parse({"-l"}).UnixStyle());
  EXPECT_FALSE(Parse({"-lx"}).UnixStyle());
  EXPECT_STREQ(Parse({"-lu"}).LineEnd(), "\n");
  EXPECT_STREQ(Parse({}).LineEnd(), "\r\n");
}

TEST(TCommandLineOptionTest, FilesAndEndOfSwitches) {
  auto o = Parse({"a.htm", "-x", "-", "/", "--", "-h", "/p", "b.htm"});
  EXPECT_EQ(o.FFiles, (std::vector<std::string>{"a.htm", "-h", "/p", "b.htm"}));
  EXPECT_FALSE(o.Help());
  EXPECT_EQ(Parse({"-", "x"}).FFiles, std::vector<std::string>{"x"});
  // Any switch whose second character is "-" ends the switches.
  EXPECT_EQ(Parse({"--anything", "-lu"}).FFiles, std::vector<std::string>{"-lu"});
}

TEST(TCommandLineOptionTest, SlashRuleDecidesAbsolutePaths) {
  auto rule = [](const std::string& arg) { return arg.find('/', 1) == std::string::npos; };
  TCommandLineOption o({"tagsift", "/tmp/page.htm", "/lu"}, rule);
  EXPECT_EQ(o.FFiles, std::vector<std::string>{"/tmp/page.htm"});
  EXPECT_TRUE(o.UnixStyle());
}

TEST(SplitArgumentsTest, QuotingRules) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitArguments("tagsift  -p\tsrc \r\n a.htm"), (V{"tagsift", "-p", "src", "a.htm"}));
  EXPECT_EQ(SplitArguments("\"C:\\Program Files\\t.exe\" x"), (V{"C:\\Program Files\\t.exe", "x"}));
  // Quoted and unquoted stretches join into one argument.
  EXPECT_EQ(SplitArguments("a\"b c\"d \"e\"f"), (V{"ab cd", "ef"}));
  // An empty quoted argument yields nothing; pairs at the start are skipped.
  EXPECT_EQ(SplitArguments("t \"\" -p \"\"\"\"x"), (V{"t", "-p", "x"}));
  // An open quote runs to the end.
  EXPECT_EQ(SplitArguments("t \"a b"), (V{"t", "a b"}));
  // Shift_JIS bytes stay whole, whatever their trail byte.
  EXPECT_EQ(SplitArguments("t \x83\x5C\x95\x5C.htm"), (V{"t", "\x83\x5C\x95\x5C.htm"}));
  EXPECT_TRUE(SplitArguments("").empty());
  EXPECT_TRUE(SplitArguments(" \t ").empty());
}

}  // namespace command_line_option_test
}  // namespace tagsift::filter
