#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "client/transfer/form_model.h"

namespace tolvar::client {
namespace form_model_test {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines{"kept"};
  AddTextLines(lines, text);
  lines.erase(lines.begin());
  return lines;
}

TEST(AddTextLinesTest, EveryLineEndFormAndEmptyPieces) {
  EXPECT_EQ(Lines("A\r\nB\rC\n\nD"), (std::vector<std::string>{"A", "B", "C", "", "D"}));
  EXPECT_EQ(Lines("A\r\n"), (std::vector<std::string>{"A"}));
  EXPECT_EQ(Lines(""), (std::vector<std::string>{}));
  // CR LF alone: the header text of a request that got no response.
  EXPECT_EQ(Lines("\r\n"), (std::vector<std::string>{""}));
  // LF CR is two line ends.
  EXPECT_EQ(Lines("A\n\rB"), (std::vector<std::string>{"A", "", "B"}));
}

TEST(AddTextLinesTest, AppendsAfterWhatIsThere) {
  std::vector<std::string> log{"typed by the user"};
  AddTextLines(log, "x\r\ny\r\n");
  EXPECT_EQ(log, (std::vector<std::string>{"typed by the user", "x", "y"}));
}

TEST(MaskedEditTest, DigitsPaddedWithLeadingBlanks) {
  TMaskedEditControl retrys(2);
  retrys.SetValue("7");
  EXPECT_EQ(retrys.Text, " 7");
  retrys.SetValue("");
  EXPECT_EQ(retrys.Text, "  ");
  TMaskedEditControl timeout(4);
  timeout.SetValue("123456");
  EXPECT_EQ(timeout.Text, "1234");
  timeout.SetValue("1x");
  EXPECT_EQ(timeout.Text, "  1 ");
  // Without a mask (the password box) the text stays as it is.
  TMaskedEditControl password(0);
  password.SetValue(" a b ");
  EXPECT_EQ(password.Text, " a b ");
}

TEST(LockEditTest, ReadOnlyInButtonFaceAndBack) {
  TEditControl edit;
  LockEdit(edit);
  EXPECT_TRUE(edit.ReadOnly);
  EXPECT_EQ(edit.Color, TControlColor::clBtnFace);
  UnlockEdit(edit);
  EXPECT_FALSE(edit.ReadOnly);
  EXPECT_EQ(edit.Color, TControlColor::clWindow);
}

TEST(SettingsControlsTest, ARunLocksEverySettingAndGivesThemBack) {
  TFormModel m;
  // Twelve different boxes: a control listed twice would leave another out.
  const auto edits = SettingsEdits(m);
  EXPECT_EQ(std::set<TEditControl*>(edits.begin(), edits.end()).size(), edits.size());
  for (bool ticked : {false, true}) {
    m.CheckBoxPostPutAsFileName.Checked = ticked;
    SetSettingsEnabled(m, false);
    for (const TEditControl* e : SettingsEdits(m)) EXPECT_TRUE(e->ReadOnly && e->Color == TControlColor::clBtnFace);
    for (const TButtonControl* b : SettingsButtons(m)) EXPECT_FALSE(b->Enabled);
    EXPECT_FALSE(m.ButtonConnect.Enabled || m.RadioGroupMethod.Enabled || m.CheckBoxPostPutAsFileName.Enabled ||
                 m.ButtonOpenPostPut.Enabled);
    EXPECT_TRUE(m.ButtonAbort.Enabled);
    SetSettingsEnabled(m, true);
    for (const TEditControl* e : SettingsEdits(m)) EXPECT_TRUE(!e->ReadOnly && e->Color == TControlColor::clWindow);
    EXPECT_TRUE(m.ButtonConnect.Enabled && m.ButtonSaveAsHeader.Enabled && m.ButtonSaveAsBody.Enabled);
    EXPECT_TRUE(m.RadioGroupMethod.Enabled && m.CheckBoxPostPutAsFileName.Enabled);
    // The file button only serves a ticked box.
    EXPECT_EQ(m.ButtonOpenPostPut.Enabled, ticked);
  }
}

}  // namespace form_model_test
}  // namespace tolvar::client
