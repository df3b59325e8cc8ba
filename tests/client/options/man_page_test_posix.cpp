// tolvar.1 names every switch the option parser knows, and nothing else.
#include <gtest/gtest.h>

#include "client/options/command_line_option.h"
#include "support/man_page.h"

namespace tolvar::client {
namespace man_page_test_posix {

std::string TolvarOptionState(const std::vector<std::string>& args) {
  TCommandLineOption o;
  o.ParseArguments(args);
  const std::string fields[] = {o.FUrl,    o.FReferer,  o.FProxyHost, o.FProxyPort, o.FHeaderFile, o.FBodyFile,
                                o.FRetrys, o.FInterval, o.FTimeOut,   o.FUserName,  o.FPassword,   o.FPostPutData};
  std::string state = std::to_string(o.FFlags) + (o.FIgnoreIni ? "i" : "-") + std::to_string(o.FMethod) +
                      (o.FPostPutAsFileName ? "f" : "s");
  for (const std::string& f : fields) state += '\x1e' + f;
  return state;
}

testing::TSwitchProbe TolvarSwitchProbe() {
  // From the defaults, and from a set where every switch has something to
  // undo; followed by nothing, by a value, and by a switch.
  return testing::TSwitchProbe(
      TolvarOptionState, {{}, {"-lu", "-q", "-u", "U", "-r", "R", "-p",  "P", "-c",  "1", "-h",  "H",   "-b",  "B",
                               "-a",  "1",  "-i", "1", "-t", "1", "-xu", "X", "-xp", "Y", "-fm", "PUT", "-ff", "F"}},
      {{}, {"v"}, {"-q"}});
}

TEST(TolvarManPageTest, NamesEverySwitchOfTheParserAndNoOther) {
  const std::string page = testing::ReadManPage("tolvar.1");
  ASSERT_FALSE(page.empty());
  const std::set<std::string> documented = testing::ManPageSwitches(page);
  const testing::TSwitchProbe probe = TolvarSwitchProbe();
  for (const std::string& sw : probe.Switches()) EXPECT_TRUE(documented.count(sw)) << sw << " is not in tolvar.1";
  for (const std::string& sw : documented) EXPECT_TRUE(probe.Known(sw)) << sw << " in tolvar.1 does nothing";
}

TEST(TolvarManPageTest, ProbeFindsTheSwitchesOfTheGrammar) {
  // The probe itself: it must see the value switches, the letter forms and
  // the end mark, and take neither an attached value nor an ignored suffix
  // for a switch of its own (-fs is one of those: -f with the text mode it
  // has anyway, so the page names it beside -f and the probe knows it).
  const std::set<std::string> found = TolvarSwitchProbe().Switches();
  for (const char* sw : {"-u", "-f", "-ff", "-fm", "-xu", "-xp", "-lu", "-ld", "-0-", "--", "-?"})
    EXPECT_TRUE(found.count(sw)) << sw;
  for (const char* not_own : {"-ux", "-qa", "-0+", "-fx", "-fs", "-x", "-l", "-x?"})
    EXPECT_FALSE(found.count(not_own)) << not_own;
}

TEST(TolvarManPageTest, GroffRaisesNothing) {
  EXPECT_EQ(testing::GroffWarnings("tolvar.1"), "");
}

}  // namespace man_page_test_posix
}  // namespace tolvar::client
