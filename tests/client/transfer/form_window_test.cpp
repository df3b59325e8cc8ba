// The window binding over a recording widget surface: the controls built
// from the table, the model shown and read back around the controller's
// steps, the handlers that only change controls, and the layout on resize.
#include "client/transfer/form_window.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "client/options/command_line_option.h"
#include "client/transfer/transfer_texts.h"

namespace tolvar::client {
namespace form_window_test {

using platform::TWidgetKind;

// A surface that keeps what it was told and lets a test act as the user.
class RecordingSurface : public platform::TWidgetSurface {
 public:
  struct Widget {
    platform::TWidgetDesc desc;
    platform::TWidgetRect rect;
    std::string text;
    bool enabled = true;
    bool read_only = false;
    platform::TFillColour colour = platform::TFillColour::fcWindow;
    bool checked = false;
    int item = -1;
    int text_sets = 0;
    std::vector<std::string> lines;
    int scrolls = 0;
    std::vector<std::string> menu;
    std::vector<platform::TEditCommand> commands;
  };

  void SetFont(const std::string& face, int pixels) override {
    font = face;
    font_pixels = pixels;
  }
  void Add(int id, const platform::TWidgetDesc& desc) override {
    order.push_back(id);
    widgets[id].desc = desc;
    widgets[id].rect = desc.rect;
  }
  void SetContextMenu(int id, const std::vector<std::string>& items) override { widgets.at(id).menu = items; }
  void SetBounds(int id, const platform::TWidgetRect& rect) override { widgets.at(id).rect = rect; }
  platform::TWidgetRect ClientArea() const override { return area; }
  bool Live() const override { return live; }
  void SetText(int id, const std::string& text) override {
    widgets.at(id).text = text;
    ++widgets.at(id).text_sets;
  }
  std::string Text(int id) const override { return widgets.at(id).text; }
  void SetEnabled(int id, bool enabled) override { widgets.at(id).enabled = enabled; }
  void SetReadOnly(int id, bool read_only, platform::TFillColour colour) override {
    widgets.at(id).read_only = read_only;
    widgets.at(id).colour = colour;
  }
  void SetChecked(int id, bool checked) override { widgets.at(id).checked = checked; }
  bool Checked(int id) const override { return widgets.at(id).checked; }
  void SetSelectedItem(int id, int item) override { widgets.at(id).item = item; }
  int SelectedItem(int id) const override { return widgets.at(id).item; }
  void AppendLine(int id, const std::string& line) override { widgets.at(id).lines.push_back(line); }
  void ScrollToEnd(int id) override { ++widgets.at(id).scrolls; }
  void RunEditCommand(int id, platform::TEditCommand command) override { widgets.at(id).commands.push_back(command); }
  bool ChooseFile(platform::TChooserKind kind, const std::string& title, std::string* path) override {
    chooser_titles.push_back(title);
    chooser_kinds.push_back(kind);
    if (chosen.empty()) return false;
    *path = chosen;
    return true;
  }

  Widget& W(TControlId id) { return widgets.at(WidgetId(id)); }

  std::map<int, Widget> widgets;
  std::vector<int> order;
  std::string font;
  int font_pixels = 0;
  platform::TWidgetRect area{0, 0, 486, 427};
  bool live = true;
  std::string chosen;
  std::vector<std::string> chooser_titles;
  std::vector<platform::TChooserKind> chooser_kinds;
};

// The form with a recording surface as its window's controls; the window
// host of the build exists but its loop never runs.
class FormWindowTest : public ::testing::Test {
 protected:
  FormWindowTest() {
    options.FIgnoreIni = true;
    options.FUrl = "http://example.test/";
    options.FRetrys = "7";
    options.FPassword = "secret";
    options.FPostPutData = "a\r\nb";
    options.FMethod = 2;
  }

  void Create() {
    host = std::make_unique<platform::TWindowHost>("Quillon", kDesignBounds, form);
    auto owned = std::make_unique<RecordingSurface>();
    owned->area = area;
    surface = owned.get();
    view.Attach(std::move(owned));
    form.FormCreate(*host);
  }

  TCommandLineOption options;
  TFormMain form{options};
  TFormWindow view{form};
  std::unique_ptr<platform::TWindowHost> host;
  RecordingSurface* surface = nullptr;
  platform::TWidgetRect area{0, 0, 486, 427};
};

TEST_F(FormWindowTest, BuildsEveryControlOfTheTableInTabOrder) {
  Create();
  ASSERT_GE(surface->order.size(), 19u);
  for (const TControlRow& row : ControlTable()) {
    if (row.TabOrder < 0) continue;
    EXPECT_EQ(surface->order[row.TabOrder], WidgetId(row.Id)) << row.Name;
  }
  // Everything but the status panel (the log fills it) and the strip.
  EXPECT_EQ(surface->order.size(), ControlTable().size() - 2);
  EXPECT_EQ(surface->font, FormDesign().FontFace);
  EXPECT_EQ(surface->font_pixels, 12);
  struct Case {
    TControlId id;
    TWidgetKind kind;
    int max_length;
  };
  const Case cases[] = {
      {TControlId::ciRadioGroupMethod, TWidgetKind::wkRadioGroup, 0},
      {TControlId::ciEditUrl, TWidgetKind::wkEdit, 0},
      {TControlId::ciMaskEditPassWord, TWidgetKind::wkPassword, 0},
      {TControlId::ciMaskEditRetrys, TWidgetKind::wkDigits, 2},
      {TControlId::ciMaskEditInterval, TWidgetKind::wkDigits, 3},
      {TControlId::ciMaskEditTimeOut, TWidgetKind::wkDigits, 4},
      {TControlId::ciCheckBoxPostPutAsFileName, TWidgetKind::wkCheckBox, 0},
      {TControlId::ciButtonConnect, TWidgetKind::wkButton, 0},
      {TControlId::ciRichEditStatus, TWidgetKind::wkLog, 0},
      {TControlId::ciLabelSaveTo, TWidgetKind::wkLabel, 0},
      {TControlId::ciSettingsPanel, TWidgetKind::wkPanel, 0},
  };
  for (const Case& c : cases) {
    const platform::TWidgetDesc& desc = surface->W(c.id).desc;
    EXPECT_EQ(desc.kind, c.kind) << ControlRow(c.id).Name;
    EXPECT_EQ(desc.max_length, c.max_length) << ControlRow(c.id).Name;
    EXPECT_EQ(desc.caption, ControlRow(c.id).Caption) << ControlRow(c.id).Name;
    EXPECT_EQ(desc.hint, ControlRow(c.id).Hint) << ControlRow(c.id).Name;
  }
  EXPECT_TRUE(surface->W(TControlId::ciButtonConnect).desc.default_button);
  EXPECT_EQ(surface->W(TControlId::ciRadioGroupMethod).desc.items, (std::vector<std::string>{"GET", "POST", "PUT"}));
  EXPECT_EQ(surface->W(TControlId::ciRichEditStatus).menu.size(), StatusMenu().size());
  EXPECT_EQ(surface->W(TControlId::ciRichEditStatus).menu[3], "");
}

TEST_F(FormWindowTest, TheModelReachesTheControlsAndTheUsersEditsComeBack) {
  Create();
  EXPECT_EQ(surface->W(TControlId::ciEditUrl).text, "http://example.test/");
  EXPECT_EQ(surface->W(TControlId::ciMaskEditPassWord).text, "secret");
  // The box shows the digits; the model keeps the mask's padding.
  EXPECT_EQ(surface->W(TControlId::ciMaskEditRetrys).text, "7");
  EXPECT_EQ(form.Model().MaskEditRetrys.Text, " 7");
  EXPECT_EQ(surface->W(TControlId::ciRadioGroupMethod).item, 2);
  EXPECT_EQ(surface->W(TControlId::ciEditPostPut).text, "a\r\nb");

  surface->W(TControlId::ciEditUrl).text = "http://other.test/";
  surface->W(TControlId::ciMaskEditInterval).text = "5";
  surface->W(TControlId::ciRadioGroupMethod).item = 1;
  surface->W(TControlId::ciCheckBoxPostPutAsFileName).checked = true;
  const int url_sets = surface->W(TControlId::ciEditUrl).text_sets;
  // A step of the controller reads them in and leaves them alone.
  form.OnMessage(0x7FFF, 0, 0);
  EXPECT_EQ(form.Model().EditUrl.Text, "http://other.test/");
  EXPECT_EQ(form.Model().MaskEditInterval.Text, "  5");
  EXPECT_EQ(form.Model().RadioGroupMethod.ItemIndex, 1);
  EXPECT_TRUE(form.Model().CheckBoxPostPutAsFileName.Checked);
  EXPECT_EQ(surface->W(TControlId::ciEditUrl).text_sets, url_sets);

  form.OnClose();
  EXPECT_EQ(options.FUrl, "http://other.test/");
  EXPECT_EQ(options.FInterval, "5");
  EXPECT_EQ(options.FMethod, 1);
  EXPECT_TRUE(options.FPostPutAsFileName);
  // Not edited: the -fs text goes back unchanged.
  EXPECT_EQ(options.FPostPutData, "a\r\nb");
}

TEST_F(FormWindowTest, AFailedCheckIsLoggedOnceAndTheLocksReachTheControls) {
  options.FUrl.clear();
  options.FRetrys.clear();
  Create();
  RecordingSurface::Widget& log = surface->W(TControlId::ciRichEditStatus);
  EXPECT_TRUE(log.lines.empty());
  surface->W(TControlId::ciEditUrl).text = "";
  form.ButtonDownLoadClick();
  EXPECT_EQ(log.lines, (std::vector<std::string>{texts::kNoUrl}));
  EXPECT_EQ(log.scrolls, 1);
  EXPECT_FALSE(surface->W(TControlId::ciEditUrl).read_only);
  EXPECT_EQ(surface->W(TControlId::ciEditUrl).colour, platform::TFillColour::fcWindow);
  EXPECT_TRUE(surface->W(TControlId::ciButtonConnect).enabled);

  // Locked as the controller leaves them during a run.
  form.DisableSettings();
  form.OnMessage(0x7FFF, 0, 0);
  for (TControlId id :
       {TControlId::ciEditUrl, TControlId::ciMaskEditRetrys, TControlId::ciMaskEditPassWord, TControlId::ciEditBody}) {
    EXPECT_TRUE(surface->W(id).read_only) << ControlRow(id).Name;
    EXPECT_EQ(surface->W(id).colour, platform::TFillColour::fcButtonFace) << ControlRow(id).Name;
  }
  for (TControlId id : {TControlId::ciButtonConnect, TControlId::ciRadioGroupMethod,
                        TControlId::ciCheckBoxPostPutAsFileName, TControlId::ciButtonSaveAsBody}) {
    EXPECT_FALSE(surface->W(id).enabled) << ControlRow(id).Name;
  }
  EXPECT_TRUE(surface->W(TControlId::ciButtonAbort).enabled);
  // Each line once, however many steps show the model.
  EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(FormWindowTest, TypingIntoThePostPutBoxCountsAsAnEdit) {
  Create();
  surface->W(TControlId::ciEditPostPut).text = "typed";
  view.OnWidgetChange(WidgetId(TControlId::ciEditPostPut));
  form.OnClose();
  EXPECT_EQ(options.FPostPutData, "typed");
}

TEST_F(FormWindowTest, FileDialogsFillTheirBoxes) {
  Create();
  surface->chosen = "C:\\data\\post.bin";
  view.OnWidgetClick(WidgetId(TControlId::ciButtonOpenPostPut));
  EXPECT_EQ(surface->W(TControlId::ciEditPostPut).text, "C:\\data\\post.bin");
  EXPECT_TRUE(surface->W(TControlId::ciCheckBoxPostPutAsFileName).checked);
  EXPECT_TRUE(surface->W(TControlId::ciButtonOpenPostPut).enabled);
  surface->chosen = "head.txt";
  view.OnWidgetClick(WidgetId(TControlId::ciButtonSaveAsHeader));
  EXPECT_EQ(surface->W(TControlId::ciEditHeader).text, "head.txt");
  // Cancelled: nothing changes.
  surface->chosen.clear();
  view.OnWidgetClick(WidgetId(TControlId::ciButtonSaveAsBody));
  EXPECT_EQ(surface->W(TControlId::ciEditBody).text, "");
  ASSERT_EQ(surface->chooser_titles.size(), 3u);
  EXPECT_EQ(surface->chooser_titles[0], FileDialogs()[2].Title);
  EXPECT_EQ(surface->chooser_kinds[0], platform::TChooserKind::chOpen);
  EXPECT_EQ(surface->chooser_kinds[1], platform::TChooserKind::chSave);

  // Unticking disables the button and keeps the text.
  surface->W(TControlId::ciCheckBoxPostPutAsFileName).checked = false;
  view.OnWidgetClick(WidgetId(TControlId::ciCheckBoxPostPutAsFileName));
  EXPECT_FALSE(surface->W(TControlId::ciButtonOpenPostPut).enabled);
  form.OnClose();
  EXPECT_EQ(options.FPostPutData, "C:\\data\\post.bin");
  EXPECT_FALSE(options.FPostPutAsFileName);
  EXPECT_EQ(options.FHeaderFile, "head.txt");
}

TEST_F(FormWindowTest, StatusMenuRunsEditCommandsAndSkipsSeparators) {
  Create();
  const int log = WidgetId(TControlId::ciRichEditStatus);
  for (int item = 0; item < 8; ++item) view.OnWidgetMenu(log, item);
  EXPECT_EQ(surface->W(TControlId::ciRichEditStatus).commands,
            (std::vector<platform::TEditCommand>{platform::TEditCommand::ecCut, platform::TEditCommand::ecCopy,
                                                 platform::TEditCommand::ecPaste, platform::TEditCommand::ecDelete,
                                                 platform::TEditCommand::ecSelectAll}));
}

TEST_F(FormWindowTest, ControlsFollowTheAnchorsWhenTheWindowIsResized) {
  area = {0, 0, 536, 447};
  Create();
  EXPECT_EQ(surface->W(TControlId::ciEditUrl).rect.width, 357 + 50);
  view.OnClientResize(586, 527);
  EXPECT_EQ(surface->W(TControlId::ciEditUrl).rect.width, 357 + 100);
  EXPECT_EQ(surface->W(TControlId::ciButtonConnect).rect.left, 330 + 100);
  EXPECT_EQ(surface->W(TControlId::ciMaskEditRetrys).rect.left, 48);
  const platform::TWidgetRect log = surface->W(TControlId::ciRichEditStatus).rect;
  EXPECT_EQ(log.top, 337);
  EXPECT_EQ(log.height, 90 + 100);
  EXPECT_EQ(log.width, 485 + 100);
}

TEST_F(FormWindowTest, AGoneWindowIsNeitherReadNorShown) {
  Create();
  surface->live = false;
  surface->W(TControlId::ciEditUrl).text = "";
  form.OnMessage(0x7FFF, 0, 0);
  EXPECT_EQ(form.Model().EditUrl.Text, "http://example.test/");
}

}  // namespace form_window_test
}  // namespace tolvar::client
