// The texts of this file are written in UTF-8 and compiled to Shift_JIS
// (code page 932) bytes (src/client/CMakeLists.txt).
#include "client/transfer/control_table.h"

#include <algorithm>
#include <array>

namespace tolvar::client {
namespace {

using enum TControlId;
using enum TControlKind;
using enum TControlParent;
using enum TSetting;

constexpr TFormDesign kForm{"Quillon", 494, 454, 486, 427, "ＭＳ Ｐゴシック", 12};

// The settings panel spans the client area but the strip; the status panel
// takes what the settings panel leaves below it.
constexpr std::int32_t kStripWidth = 1;
constexpr std::int32_t kSettingsHeight = 337;
constexpr std::int32_t kPanelWidth = kForm.ClientWidth - kStripWidth;
constexpr std::int32_t kStatusHeight = kForm.ClientHeight - kSettingsHeight;

constexpr TControlRow Row(TControlId id, const char* name, TControlKind kind, TControlParent parent, TDesignRect rect,
                          std::uint8_t anchors, int tab, const char* caption, const char* hint, TSetting holds) {
  return TControlRow{id, name, kind, parent, rect, anchors, tab, caption, hint, 0, false, holds, ciCount, false};
}

constexpr TControlRow Setting(TControlId id, const char* name, TControlKind kind, TDesignRect rect,
                              std::uint8_t anchors, int tab, const char* caption, const char* hint,
                              TSetting holds = stNone) {
  return Row(id, name, kind, cpSettingsPanel, rect, anchors, tab, caption, hint, holds);
}

constexpr TControlRow Masked(TControlRow row, int width, bool password = false) {
  row.MaskWidth = width;
  row.PasswordChar = password;
  return row;
}

constexpr TControlRow Default(TControlRow row) {
  row.Default = true;
  return row;
}

constexpr TControlRow Label(TControlId id, const char* name, std::int32_t left, std::int32_t top, const char* caption,
                            TControlId names, const char* hint = "", std::uint8_t anchors = kAnchorDefault) {
  TControlRow row = Row(id, name, ckLabel, cpSettingsPanel, {left, top, 0, 0}, anchors, -1, caption, hint, stNone);
  row.LabelFor = names;
  return row;
}

constexpr const char kBrowse[] = "参照...";
constexpr const char kOverwritten[] = "ファイルは上書きされます";

constexpr std::array kRows{
    Row(ciSettingsPanel, "PanelSettings", ckPanel, cpForm, {0, 0, kPanelWidth, kSettingsHeight}, kAnchorGrows, -1, "",
        "コマンドライン -? でヘルプ", stNone),
    Row(ciStatusPanel, "PanelStatus", ckPanel, cpForm, {0, kSettingsHeight, kPanelWidth, kStatusHeight}, kAnchorFill,
        -1, "", "", stNone),
    Row(ciStrip, "PanelStrip", ckStrip, cpForm, {kPanelWidth, 0, kStripWidth, kForm.ClientHeight},
        akTop | akRight | akBottom, -1, "", "", stNone),
    Setting(ciRadioGroupMethod, "RadioGroupMethod", ckRadioGroup, {6, 6, 75, 89}, kAnchorDefault, 0, " Method ",
            "要求様式 Method を指定します。\r\n( -fm GET or -fm POST or -fm PUT )　省略可能", stMethod),
    Setting(ciEditUrl, "EditUrl", ckEdit, {122, 14, 357, 20}, kAnchorGrows, 1, "", "URL (-u URL) 省略不可", stUrl),
    Setting(ciEditReferer, "EditReferer", ckEdit, {142, 42, 337, 20}, kAnchorGrows, 2, "",
            "URL にリングがあるページ (-r Referer) 省略可", stReferer),
    Setting(ciEditPostPut, "EditPostPut", ckEdit, {142, 70, 263, 20}, kAnchorGrows, 3, "",
            "PUT または POST メソッドで送信するデータ またはデータを格納したファイル名を指定する。\r\n"
            "(-fs string or -ff filename)　省略可能",
            stPostPutData),
    Setting(
        ciButtonOpenPostPut, "ButtonOpenPostPut", ckButton, {415, 68, 64, 25}, kAnchorRight, 4, kBrowse,
        "POST または PUT メソッドでファイルからデータを送信する場合は、左下のチェックボックスをチェックして下さい。"),
    Setting(ciCheckBoxPostPutAsFileName, "CheckBoxPostPutAsFileName", ckCheckBox, {142, 94, 139, 21}, kAnchorDefault, 5,
            "\"Post Put\" as filename",
            "[  ] 上の文字列を直接 POST または PUT のデータとして送信します。\r\n"
            "[X] 上の文字列はファイル名として解釈し、POST または PUT のデータをファイルから送信します。",
            stPostPutAsFileName),
    Setting(ciEditUserName, "EditUserName", ckEdit, {68, 120, 411, 20}, kAnchorGrows, 6, "",
            "-xu ユーザー名を入れます。INI に保存されません。", stUserName),
    Masked(Setting(ciMaskEditPassWord, "MaskEditPassWord", ckMaskEdit, {68, 146, 411, 20}, kAnchorGrows, 7, "",
                   "-xp パスワードを入れます。INI に保存されません。", stPassword),
           0, true),
    Setting(ciEditProxy, "EditProxy", ckEdit, {48, 172, 293, 20}, kAnchorGrows, 8, "",
            "Proxy ホスト名　(-p hostname) 省略可", stProxyHost),
    Setting(ciEditProxyPort, "EditProxyPort", ckEdit, {410, 172, 69, 20}, kAnchorRight, 9, "",
            "Proxy ポート (-c Number) Proxy と組みで設定", stProxyPort),
    Masked(Setting(ciMaskEditRetrys, "MaskEditRetrys", ckMaskEdit, {48, 200, 41, 20}, kAnchorDefault, 10, "",
                   "再試行回数 (-a Rertrys) 省略可", stRetrys),
           2),
    Masked(Setting(ciMaskEditInterval, "MaskEditInterval", ckMaskEdit, {138, 200, 43, 20}, kAnchorDefault, 11, "",
                   "再試行間隔 (-i sec) Retrys 1 以上で要設定", stInterval),
           3),
    Masked(Setting(ciMaskEditTimeOut, "MaskEditTimeOut", ckMaskEdit, {268, 200, 59, 20}, kAnchorDefault, 12, "",
                   "接続待ち時間上限 (-t sec) Retrys 1 以上で要設定", stTimeOut),
           4),
    Setting(ciEditHeader, "EditHeader", ckEdit, {48, 244, 357, 20}, kAnchorGrows, 13, "",
            "記入なしで stderr 出力 (-h filename)", stHeaderFile),
    Setting(ciButtonSaveAsHeader, "ButtonSaveAsHeader", ckButton, {415, 242, 64, 25}, kAnchorRight, 14, kBrowse, ""),
    Setting(ciEditBody, "EditBody", ckEdit, {48, 276, 357, 20}, kAnchorGrows, 15, "",
            "記入なしで stdout 出力 (-b filename)", stBodyFile),
    Setting(ciButtonSaveAsBody, "ButtonSaveAsBody", ckButton, {415, 274, 64, 25}, kAnchorRight, 16, kBrowse, ""),
    Default(Setting(ciButtonConnect, "ButtonConnect", ckButton, {330, 306, 75, 25}, kAnchorRight, 17, "ダウンロード",
                    "今のところ Header+Body で SwapSize (2Gbyte) まで可")),
    Setting(ciButtonAbort, "ButtonAbort", ckButton, {415, 306, 64, 25}, kAnchorRight, 18, "中止", ""),
    Row(ciRichEditStatus, "RichEditStatus", ckRichEdit, cpStatusPanel, {0, 0, kPanelWidth, kStatusHeight}, kAnchorFill,
        -1, "", "", stNone),
    Label(ciLabelUrl, "LabelUrl", 90, 17, "URL", ciEditUrl),
    Label(ciLabelReferer, "LabelReferer", 90, 45, "Referer", ciEditReferer),
    Label(ciLabelPostPut, "LabelPostPut", 90, 74, "Post Put", ciEditPostPut),
    Label(ciLabelUserName, "LabelUserName", 8, 122, "User Name", ciEditUserName),
    Label(ciLabelPassWord, "LabelPassWord", 8, 148, "Password", ciMaskEditPassWord, "-xp パスワードを入れます"),
    Label(ciLabelProxy, "LabelProxy", 8, 175, "Proxy", ciEditProxy),
    Label(ciLabelProxyPort, "LabelProxyPort", 352, 175, "Proxy Port", ciEditProxyPort, "", kAnchorRight),
    Label(ciLabelRetrys, "LabelRetrys", 6, 202, "Retrys", ciMaskEditRetrys),
    Label(ciLabelInterval, "LabelInterval", 96, 202, "Interval", ciMaskEditInterval),
    Label(ciLabelIntervalSec, "LabelIntervalSec", 184, 202, "Sec.", ciMaskEditInterval),
    Label(ciLabelTimeOut, "LabelTimeOut", 220, 202, "TimeOut", ciMaskEditTimeOut),
    Label(ciLabelTimeOutSec, "LabelTimeOutSec", 330, 202, "Sec.", ciMaskEditTimeOut),
    Label(ciLabelSaveTo, "LabelSaveTo", 6, 226, "保存先のファイル名", ciEditHeader),
    Label(ciLabelHeader, "LabelHeader", 6, 247, "Header", ciEditHeader, kOverwritten),
    Label(ciLabelBody, "LabelBody", 6, 279, "Body", ciEditBody, kOverwritten),
};
static_assert(kRows.size() == static_cast<std::size_t>(ciCount));

constexpr std::array<const char*, 3> kMethodItems{"GET", "POST", "PUT"};

constexpr std::array kStatusMenu{
    TStatusMenuItem{"切り取り(&X)", TStatusMenuAction::maCut},
    TStatusMenuItem{"コピー(&C)", TStatusMenuAction::maCopy},
    TStatusMenuItem{"貼り付け(&V)", TStatusMenuAction::maPaste},
    TStatusMenuItem{"", TStatusMenuAction::maSeparator},
    TStatusMenuItem{"削除(&D)", TStatusMenuAction::maDelete},
    TStatusMenuItem{"", TStatusMenuAction::maSeparator},
    TStatusMenuItem{"全てを選択(&A)", TStatusMenuAction::maSelectAll},
};

constexpr std::array kDialogs{
    TFileDialogRow{"SaveDialogHeader", TFileDialogKind::fdSave, "ヘッダを保存するファイルを入力", ciButtonSaveAsHeader,
                   ciEditHeader},
    TFileDialogRow{"SaveDialogBody", TFileDialogKind::fdSave, "URL 本文を保存するファイル名を入力", ciButtonSaveAsBody,
                   ciEditBody},
    TFileDialogRow{"OpenDialogPostPut", TFileDialogKind::fdOpen,
                   "POST または PUT メソッドで送信するデータを格納したファイルを指定してください", ciButtonOpenPostPut,
                   ciEditPostPut},
};

// One axis of an anchored placement: `start` and `size` in a parent that
// changed from `design` to `actual` along this axis.
void Stretch(std::int32_t& start, std::int32_t& size, std::int32_t design, std::int32_t actual, bool near, bool far) {
  const std::int32_t delta = actual - design;
  if (near && far) {
    size = std::max<std::int32_t>(0, size + delta);
  } else if (far) {
    start += delta;
  }
}

}  // namespace

const TFormDesign& FormDesign() {
  return kForm;
}

std::span<const TControlRow> ControlTable() {
  return kRows;
}

const TControlRow& ControlRow(TControlId id) {
  return kRows[static_cast<std::size_t>(id)];
}

std::span<const char* const> MethodItems() {
  return kMethodItems;
}

std::span<const TStatusMenuItem> StatusMenu() {
  return kStatusMenu;
}

std::span<const TFileDialogRow> FileDialogs() {
  return kDialogs;
}

TDesignRect PlaceControl(const TControlRow& row, std::int32_t client_width, std::int32_t client_height) {
  TDesignRect parent{0, 0, client_width, client_height};
  TDesignRect design_parent{0, 0, kForm.ClientWidth, kForm.ClientHeight};
  if (row.Parent != cpForm) {
    const TControlRow& panel = ControlRow(row.Parent == cpSettingsPanel ? ciSettingsPanel : ciStatusPanel);
    parent = PlaceControl(panel, client_width, client_height);
    design_parent = panel.Rect;
  }
  TDesignRect r = row.Rect;
  Stretch(r.Left, r.Width, design_parent.Width, parent.Width, (row.Anchors & akLeft) != 0,
          (row.Anchors & akRight) != 0);
  Stretch(r.Top, r.Height, design_parent.Height, parent.Height, (row.Anchors & akTop) != 0,
          (row.Anchors & akBottom) != 0);
  r.Left += parent.Left;
  r.Top += parent.Top;
  return r;
}

}  // namespace tolvar::client
