// The three layers of the option set (defaults, the stored switch string,
// the process command line) over a real ini file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "client/options/command_line_option.h"
#include "client/options/option_lifecycle.h"
#include "client/options/user_section.h"
#include "client/support/method.h"
#include "platform/profile.h"
#include "support/temp_path.h"

namespace tolvar::client {
namespace option_layers_test {

using tolvar::testing::FreshTempPath;

platform::ProcessCommandLine CommandLine(std::vector<std::string> args) {
  platform::ProcessCommandLine c;
  c.tokens = std::move(args);
  c.tokens.insert(c.tokens.begin(), "tolvar");
  return c;
}

// An ini file whose current user's section stores `switches`.
class StoredSettings {
 public:
  explicit StoredSettings(const std::string& switches) : ini_(FreshTempPath("option_layers_test.ini")) {
    EXPECT_TRUE(platform::WriteIniValue(ini_, Section(), "CommandLine", "\"" + switches + "\""));
  }
  ~StoredSettings() { std::filesystem::remove(ini_); }
  static std::string Section() { return "User." + GetUserSectionName(); }
  const std::string& Path() const { return ini_; }

  // Applies the layers for `args` to a fresh option set reading this file.
  void Apply(TCommandLineOption& main, std::vector<std::string> args) const {
    TCommandLineOption scratch;
    main.FIniFileName = ini_;
    scratch.FIniFileName = ini_;
    ApplyOptionLayers(main, scratch, CommandLine(std::move(args)));
  }

 private:
  std::string ini_;
};

TEST(OptionLayersTest, CommandLineOverridesStoredSwitchesThatOverrideDefaults) {
  StoredSettings stored("-lu -u \"http://stored/\" -r \"http://ref/\" -a 5 -fm POST ");
  TCommandLineOption o;
  stored.Apply(o, {"-a", "7", "-r", "..."});
  EXPECT_EQ(o.FUrl, "http://stored/");  // only stored
  EXPECT_EQ(o.FRetrys, "7");            // both: the command line wins
  EXPECT_EQ(o.FReferer, "");            // cleared on the command line
  EXPECT_EQ(o.FMethod, miPost);
  EXPECT_TRUE(o.FFlags & ofUnixStyle);
  EXPECT_EQ(o.FTimeOut, "");  // neither: the default
  EXPECT_FALSE(o.FIgnoreIni);
}

TEST(OptionLayersTest, OnlyTheCommandLineTurnsTheIniFileOff) {
  StoredSettings stored("-u \"http://stored/\" ");
  struct Case {
    std::vector<std::string> args;
    bool stored_applies;
  };
  const Case cases[] = {
      {{"-0"}, false}, {{"-q"}, false}, {{"-q", "-0-"}, true}, {{"-0-", "-q"}, false}, {{"-0+"}, false}, {{}, true},
  };
  for (const Case& c : cases) {
    TCommandLineOption o;
    stored.Apply(o, c.args);
    EXPECT_EQ(o.FUrl, c.stored_applies ? "http://stored/" : "") << ::testing::PrintToString(c.args);
  }
}

TEST(OptionLayersTest, SavedSwitchesComeBackWithoutCredentials) {
  const std::string ini = FreshTempPath("option_layers_save_test.ini");
  {
    TCommandLineOption first;
    first.FIniFileName = ini;
    first.ParseArguments({"tolvar", "-u", "http://h/ x", "-xu", "usr-4711", "-xp", "pwd-0815", "-fs", " a b ", "-b",
                          "out.bin", "-t", "030"});
    first.FPositionMain = TRect{10, 20, 209, 119};
    TMessageText failure;
    ASSERT_TRUE(first.SaveToIni(&failure)) << failure.Bytes();
  }
  const std::string stored = platform::ReadIniValue(ini, StoredSettings::Section(), "CommandLine", "");
  EXPECT_EQ(stored, "-u \"http://h/ x\" -b \"out.bin\" -t 30 -fs \" a b \" ");
  EXPECT_EQ(platform::ReadIniValue(ini, StoredSettings::Section(), "PositionMain", ""), "10, 20, 209, 119");
  TCommandLineOption second;
  second.FIniFileName = ini;
  second.LoadFromIni();
  EXPECT_EQ(second.FUrl, "http://h/ x");
  EXPECT_EQ(second.FPostPutData, " a b ");
  EXPECT_EQ(second.FTimeOut, "30");
  EXPECT_EQ(second.FUserName, "");
  EXPECT_EQ(second.FPassword, "");
  EXPECT_EQ(second.BuildCommandLine(), stored);
  std::filesystem::remove(ini);
}

TEST(OptionLayersTest, SaveFailureNamesTheFile) {
  // A directory where the file should be: no write can succeed, for root too.
  const std::string ini = FreshTempPath("option_layers_dir_test.ini");
  std::filesystem::create_directory(ini);
  TCommandLineOption o;
  o.FIniFileName = ini;
  TMessageText failure;
  EXPECT_FALSE(o.SaveToIni(&failure));
  // "<file> に書き込めません: Can't save options to ini file."
  EXPECT_EQ(failure.Bytes(),
            ini + " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1: Can't save options to ini file.");
  std::filesystem::remove(ini);
}

// Regression: the stored switches used to be split together with the
// program path, so "/tmp/q /bin/tolvar" planted the switch "/bin/tolvar",
// that is the body file "in/tolvar", which the next save stored for good.
TEST(OptionLayersTest, ProgramPathWithBlankAndSlashPlantsNoSwitch) {
  StoredSettings stored("-u \"http://stored/\" ");
  for (const char* program : {"/tmp/q /bin/tolvar", "C:\\my -hdir\\tolvar.exe", "/tmp/a \"-p x\"/tolvar"}) {
    TCommandLineOption o;
    o.FProgramPath = program;
    o.FIniFileName = stored.Path();
    o.LoadFromIni();
    EXPECT_EQ(o.FUrl, "http://stored/") << program;
    EXPECT_EQ(o.FBodyFile, "") << program;
    EXPECT_EQ(o.FHeaderFile, "") << program;
    EXPECT_EQ(o.FProxyHost, "") << program;
    EXPECT_EQ(o.BuildCommandLine(), "-u \"http://stored/\" ") << program;
  }
}

// Regression: a value holding CR LF was written into the ini line as it
// was and planted a section and a key of its own.
TEST(OptionLayersTest, LineBreakInValuePlantsNothingInTheIniFile) {
  StoredSettings stored("-u \"http://old/\" ");
  ASSERT_TRUE(platform::WriteIniValue(stored.Path(), "User.other", "CommandLine", "\"-u \"http://other/\" \""));
  TCommandLineOption o;
  o.FIniFileName = stored.Path();
  o.ParseArguments({"tolvar", "-u", "http://new/", "-b", "out\r\n[User.other]\r\nCommandLine=\"-b planted\"\r\nx"});
  TMessageText failure;
  std::vector<std::string> left_out;
  ASSERT_TRUE(o.SaveToIni(&failure, &left_out)) << failure.Bytes();
  EXPECT_EQ(left_out, (std::vector<std::string>{"-b"}));
  EXPECT_EQ(platform::ReadIniValue(stored.Path(), StoredSettings::Section(), "CommandLine", "?"),
            "-u \"http://new/\" ");
  EXPECT_EQ(platform::ReadIniValue(stored.Path(), "User.other", "CommandLine", "?"), "-u \"http://other/\" ");
  EXPECT_EQ(platform::ReadIniValue(stored.Path(), "User.other", "x", "none"), "none");
}

}  // namespace option_layers_test
}  // namespace tolvar::client
