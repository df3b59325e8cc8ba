// tagsift.1 names every switch the option parser knows, and nothing else.
#include <gtest/gtest.h>

#include "filter/command_line_option.h"
#include "support/man_page.h"

namespace tagsift::filter {
namespace man_page_test_posix {

std::string TagsiftOptionState(const std::vector<std::string>& args) {
  const TCommandLineOption o(args);
  std::string state = std::to_string(o.FFlags) + '\x1e' + o.FParameter;
  for (const std::string& f : o.FFiles) state += '\x1e' + f;
  return state;
}

TEST(TagsiftManPageTest, NamesEverySwitchOfTheParserAndNoOther) {
  const std::string page = tolvar::testing::ReadManPage("tagsift.1");
  ASSERT_FALSE(page.empty());
  const std::set<std::string> documented = tolvar::testing::ManPageSwitches(page);
  const tolvar::testing::TSwitchProbe probe(TagsiftOptionState, {{}, {"-lu", "-p", "SRC"}}, {{}, {"v"}, {"-lu"}});
  const std::set<std::string> known = probe.Switches();
  EXPECT_TRUE(known.count("-ld") && known.count("--") && known.count("-p")) << "the probe misses switches";
  for (const std::string& sw : known) EXPECT_TRUE(documented.count(sw)) << sw << " is not in tagsift.1";
  for (const std::string& sw : documented) EXPECT_TRUE(probe.Known(sw)) << sw << " in tagsift.1 does nothing";
}

TEST(TagsiftManPageTest, GroffRaisesNothing) {
  EXPECT_EQ(tolvar::testing::GroffWarnings("tagsift.1"), "");
}

}  // namespace man_page_test_posix
}  // namespace tagsift::filter
