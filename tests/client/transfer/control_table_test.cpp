// The control table's own consistency, and the placement of its rows when
// the window is resized.
#include "client/transfer/control_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "client/transfer/form_model.h"

namespace tolvar::client {
namespace control_table_test {

bool IsPanel(const TControlRow& row) {
  return row.Kind == TControlKind::ckPanel || row.Kind == TControlKind::ckStrip;
}

TEST(ControlTableTest, RowsInIdOrderWithUniqueNames) {
  std::set<std::string> names;
  std::size_t i = 0;
  for (const TControlRow& row : ControlTable()) {
    EXPECT_EQ(static_cast<std::size_t>(row.Id), i++) << row.Name;
    EXPECT_TRUE(names.insert(row.Name).second) << row.Name;
  }
  EXPECT_EQ(i, static_cast<std::size_t>(TControlId::ciCount));
}

TEST(ControlTableTest, TabOrderRunsFromZeroToEighteenWithoutGaps) {
  std::map<int, std::string> by_tab;
  for (const TControlRow& row : ControlTable()) {
    if (row.Kind == TControlKind::ckLabel || IsPanel(row) || row.Kind == TControlKind::ckRichEdit) {
      EXPECT_EQ(row.TabOrder, -1) << row.Name;
      continue;
    }
    EXPECT_TRUE(by_tab.emplace(row.TabOrder, row.Name).second) << row.Name << " repeats tab " << row.TabOrder;
  }
  ASSERT_EQ(by_tab.size(), 19u);
  EXPECT_EQ(by_tab.begin()->first, 0);
  EXPECT_EQ(by_tab.rbegin()->first, 18);
  EXPECT_EQ(by_tab[0], "RadioGroupMethod");
  EXPECT_EQ(by_tab[17], "ButtonConnect");
}

TEST(ControlTableTest, EverySettingHeldByExactlyOneEditableControl) {
  std::map<TSetting, int> held;
  for (const TControlRow& row : ControlTable()) {
    if (row.Holds == TSetting::stNone) continue;
    ++held[row.Holds];
    EXPECT_TRUE(row.Kind == TControlKind::ckEdit || row.Kind == TControlKind::ckMaskEdit ||
                row.Kind == TControlKind::ckCheckBox || row.Kind == TControlKind::ckRadioGroup)
        << row.Name;
  }
  for (int s = 1; s < static_cast<int>(TSetting::stCount); ++s) {
    EXPECT_EQ(held[static_cast<TSetting>(s)], 1) << "setting " << s;
  }
}

TEST(ControlTableTest, PanelsAndStripTileTheClientArea) {
  const TFormDesign& form = FormDesign();
  const TDesignRect settings = ControlRow(TControlId::ciSettingsPanel).Rect;
  const TDesignRect status = ControlRow(TControlId::ciStatusPanel).Rect;
  const TDesignRect strip = ControlRow(TControlId::ciStrip).Rect;
  EXPECT_EQ(settings, (TDesignRect{0, 0, form.ClientWidth - 1, 337}));
  EXPECT_EQ(status, (TDesignRect{0, 337, settings.Width, form.ClientHeight - 337}));
  EXPECT_EQ(status.Height, 90);
  EXPECT_EQ(strip, (TDesignRect{settings.Width, 0, 1, form.ClientHeight}));
  // The outer size is the client size plus a frame that is the same on both
  // sides.
  EXPECT_EQ(form.Width, 494);
  EXPECT_EQ(form.Height, 454);
  EXPECT_GT(form.Width, form.ClientWidth);
  EXPECT_GT(form.Height, form.ClientHeight);
  // The log fills its panel.
  EXPECT_EQ(ControlRow(TControlId::ciRichEditStatus).Rect, (TDesignRect{0, 0, status.Width, status.Height}));
}

TEST(ControlTableTest, EveryControlLiesInsideItsPanel) {
  for (const TControlRow& row : ControlTable()) {
    if (row.Parent == TControlParent::cpForm) continue;
    const TDesignRect panel = ControlRow(row.Parent == TControlParent::cpSettingsPanel ? TControlId::ciSettingsPanel
                                                                                       : TControlId::ciStatusPanel)
                                  .Rect;
    const TDesignRect& r = row.Rect;
    EXPECT_GE(r.Left, 0) << row.Name;
    EXPECT_GE(r.Top, 0) << row.Name;
    EXPECT_LE(r.Left + r.Width, panel.Width) << row.Name;
    EXPECT_LE(r.Top + r.Height, panel.Height) << row.Name;
    if (row.Kind == TControlKind::ckLabel) {
      EXPECT_EQ(r.Width, 0) << row.Name;  // sized to the caption by the view
    } else {
      EXPECT_GT(r.Width, 0) << row.Name;
      EXPECT_GT(r.Height, 0) << row.Name;
    }
  }
}

TEST(ControlTableTest, LabelsNameAControlOnTheirLine) {
  for (const TControlRow& row : ControlTable()) {
    if (row.Kind != TControlKind::ckLabel) {
      EXPECT_EQ(row.LabelFor, TControlId::ciCount) << row.Name;
      continue;
    }
    ASSERT_NE(row.LabelFor, TControlId::ciCount) << row.Name;
    const TControlRow& named = ControlRow(row.LabelFor);
    EXPECT_NE(named.TabOrder, -1) << row.Name;
    EXPECT_NE(std::string(row.Caption), "") << row.Name;
    // On the control's line, or (the one heading) within a line above it.
    EXPECT_LE(row.Rect.Top, named.Rect.Top + named.Rect.Height) << row.Name;
    EXPECT_GE(row.Rect.Top, named.Rect.Top - 20) << row.Name;
  }
}

TEST(ControlTableTest, MasksMatchTheModelAndOneDefaultButton) {
  const TFormModel model;
  EXPECT_EQ(ControlRow(TControlId::ciMaskEditRetrys).MaskWidth, static_cast<int>(model.MaskEditRetrys.Width));
  EXPECT_EQ(ControlRow(TControlId::ciMaskEditInterval).MaskWidth, static_cast<int>(model.MaskEditInterval.Width));
  EXPECT_EQ(ControlRow(TControlId::ciMaskEditTimeOut).MaskWidth, static_cast<int>(model.MaskEditTimeOut.Width));
  EXPECT_EQ(ControlRow(TControlId::ciMaskEditPassWord).MaskWidth, static_cast<int>(model.MaskEditPassWord.Width));
  int defaults = 0;
  int passwords = 0;
  for (const TControlRow& row : ControlTable()) {
    defaults += row.Default ? 1 : 0;
    passwords += row.PasswordChar ? 1 : 0;
    if (row.MaskWidth > 0) {
      EXPECT_EQ(row.Kind, TControlKind::ckMaskEdit) << row.Name;
    }
  }
  EXPECT_EQ(defaults, 1);
  EXPECT_TRUE(ControlRow(TControlId::ciButtonConnect).Default);
  EXPECT_EQ(passwords, 1);
  EXPECT_TRUE(ControlRow(TControlId::ciMaskEditPassWord).PasswordChar);
}

TEST(ControlTableTest, TextsAreShiftJisBytes) {
  EXPECT_STREQ(ControlRow(TControlId::ciButtonConnect).Caption, "\x83\x5F\x83\x45\x83\x93\x83\x8D\x81\x5B\x83\x68");
  EXPECT_STREQ(ControlRow(TControlId::ciButtonAbort).Caption, "\x92\x86\x8E\x7E");
  EXPECT_STREQ(FormDesign().FontFace, "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_EQ(FormDesign().FontPixels, 12);
  EXPECT_STREQ(FormDesign().Caption, "Quillon");
  // A full-width blank, and the hint's line break as CR LF.
  const std::string proxy = ControlRow(TControlId::ciEditProxy).Hint;
  EXPECT_NE(proxy.find("\x81\x40(-p hostname)"), std::string::npos) << proxy;
  const std::string method = ControlRow(TControlId::ciRadioGroupMethod).Hint;
  EXPECT_NE(method.find("\r\n( -fm GET"), std::string::npos);
  ASSERT_EQ(MethodItems().size(), 3u);
  EXPECT_STREQ(MethodItems()[2], "PUT");
}

TEST(ControlTableTest, DialogsAndMenuPointAtTheRightControls) {
  for (const TFileDialogRow& d : FileDialogs()) {
    EXPECT_EQ(ControlRow(d.OpenedBy).Kind, TControlKind::ckButton) << d.Name;
    EXPECT_EQ(ControlRow(d.ResultTo).Kind, TControlKind::ckEdit) << d.Name;
    EXPECT_NE(std::string(d.Title), "") << d.Name;
  }
  ASSERT_EQ(FileDialogs().size(), 3u);
  EXPECT_EQ(FileDialogs()[2].Kind, TFileDialogKind::fdOpen);
  std::set<TStatusMenuAction> actions;
  int separators = 0;
  for (const TStatusMenuItem& item : StatusMenu()) {
    if (item.Action == TStatusMenuAction::maSeparator) {
      ++separators;
      EXPECT_STREQ(item.Caption, "");
      continue;
    }
    EXPECT_TRUE(actions.insert(item.Action).second);
    const std::string caption = item.Caption;
    ASSERT_GE(caption.size(), 4u);
    EXPECT_EQ(caption.substr(caption.size() - 4, 2), "(&") << caption;
  }
  EXPECT_EQ(actions.size(), 5u);
  EXPECT_EQ(separators, 2);
}

TEST(PlaceControlTest, AnchorsFollowTheResizedClientArea) {
  const TFormDesign& form = FormDesign();
  const std::int32_t w = form.ClientWidth;
  const std::int32_t h = form.ClientHeight;
  struct Case {
    TControlId id;
    std::int32_t dw, dh;
    TDesignRect expected;
  };
  const Case cases[] = {
      {TControlId::ciEditUrl, 0, 0, {122, 14, 357, 20}},
      {TControlId::ciEditUrl, 100, 50, {122, 14, 457, 20}},         // grows
      {TControlId::ciButtonConnect, 100, 50, {430, 306, 75, 25}},   // right
      {TControlId::ciLabelProxyPort, 100, 0, {452, 175, 0, 0}},     // right
      {TControlId::ciMaskEditRetrys, 100, 50, {48, 200, 41, 20}},   // stays
      {TControlId::ciRichEditStatus, 0, 0, {0, 337, 485, 90}},      // in its panel
      {TControlId::ciRichEditStatus, 100, 50, {0, 337, 585, 140}},  // fills it
      {TControlId::ciStrip, 100, 50, {585, 0, 1, 477}},             // on the right edge
      {TControlId::ciEditUrl, -400, 0, {122, 14, 0, 20}},           // never negative
      {TControlId::ciRichEditStatus, 0, -200, {0, 337, 485, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceControl(ControlRow(c.id), w + c.dw, h + c.dh), c.expected)
        << ControlRow(c.id).Name << " " << c.dw << "x" << c.dh;
  }
}

}  // namespace control_table_test
}  // namespace tolvar::client
