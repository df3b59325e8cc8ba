// The settings into the window's controls and back, without a window.
#include "client/transfer/settings_copy.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvar::client {
namespace settings_copy_test {

TEST(SettingsCopyTest, IntoTheControlsAsTheyShowThem) {
  TCommandLineOption o;
  o.FMethod = 0x81;  // the top bit is not part of the method
  o.FUrl = "http://h/p";
  o.FRetrys = "7";
  o.FInterval = "12345";  // more digits than the three-place box holds
  o.FTimeOut = "";
  o.FPassword = " pw ";  // the password box has no mask
  o.FPostPutData = "a\nb";
  o.FPostPutAsFileName = true;
  TFormModel m;
  SettingsToModel(o, m);
  EXPECT_EQ(m.RadioGroupMethod.ItemIndex, 1);
  EXPECT_EQ(m.EditUrl.Text, "http://h/p");
  EXPECT_EQ(m.MaskEditRetrys.Text, " 7");
  EXPECT_EQ(m.MaskEditInterval.Text, "123");
  EXPECT_EQ(m.MaskEditTimeOut.Text, "    ");
  EXPECT_EQ(m.MaskEditPassWord.Text, " pw ");
  EXPECT_EQ(m.EditPostPut.Text, "a\nb");
  EXPECT_TRUE(m.CheckBoxPostPutAsFileName.Checked);
  EXPECT_TRUE(m.ButtonOpenPostPut.Enabled);
}

TEST(SettingsCopyTest, BackWithTheBlanksAroundNumbersGoneAndTheRestUnchanged) {
  TFormModel m;
  m.RadioGroupMethod.ItemIndex = 2;
  m.EditReferer.Text = " http://ref/ ";
  m.EditProxyPort.Text = " 8080";
  m.MaskEditRetrys.Text = " 7";
  m.MaskEditTimeOut.Text = "  30";
  m.MaskEditPassWord.Text = " pw ";
  m.EditPostPut.Text = "typed";
  TCommandLineOption o;
  o.FPostPutData = "kept";
  ModelToSettings(m, o);
  EXPECT_EQ(o.FMethod, 2);
  EXPECT_EQ(o.FReferer, " http://ref/ ");
  EXPECT_EQ(o.FProxyPort, " 8080");
  EXPECT_EQ(o.FRetrys, "7");
  EXPECT_EQ(o.FTimeOut, "30");
  EXPECT_EQ(o.FPassword, " pw ");
  // The POST/PUT text is the form's to decide (the -fs text may not fit
  // the box).
  EXPECT_EQ(o.FPostPutData, "kept");
}

}  // namespace settings_copy_test
}  // namespace tolvar::client
