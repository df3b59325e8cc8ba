// The state of the main window's controls that the transfer controller
// reads and writes. The controller works on this model only; a window shows
// it and feeds the user's edits back into it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tolvar::client {

enum class TControlColor { clWindow, clBtnFace };

struct TEditControl {
  std::string Text;
  bool Enabled = true;
  bool ReadOnly = false;
  TControlColor Color = TControlColor::clWindow;
};

// An edit box with a digits-only mask of `Width` positions whose unfilled
// positions are kept as leading blanks (" 7" for 7 in two positions); Width
// 0 is a box without a mask (the password box).
struct TMaskedEditControl : TEditControl {
  explicit TMaskedEditControl(std::size_t width = 0) : Width(width) {}
  // Puts `value` into the box as the mask shows it: digits beyond the mask
  // are cut off, other bytes become blanks, the rest is padded on the left.
  void SetValue(const std::string& value);
  std::size_t Width;
};

struct TButtonControl {
  bool Enabled = true;
};

struct TCheckBoxControl {
  bool Checked = false;
  bool Enabled = true;
};

struct TRadioGroupControl {
  int ItemIndex = 0;  // 0 GET, 1 POST, 2 PUT
  bool Enabled = true;
};

struct TFormModel {
  TRadioGroupControl RadioGroupMethod;
  TEditControl EditUrl;
  TEditControl EditReferer;
  TEditControl EditPostPut;
  TButtonControl ButtonOpenPostPut;
  TCheckBoxControl CheckBoxPostPutAsFileName;
  TEditControl EditUserName;
  TMaskedEditControl MaskEditPassWord{0};
  TEditControl EditProxy;
  TEditControl EditProxyPort;
  TMaskedEditControl MaskEditRetrys{2};
  TMaskedEditControl MaskEditInterval{3};
  TMaskedEditControl MaskEditTimeOut{4};
  TEditControl EditHeader;
  TButtonControl ButtonSaveAsHeader;
  TEditControl EditBody;
  TButtonControl ButtonSaveAsBody;
  TButtonControl ButtonConnect;
  TButtonControl ButtonAbort;
  // The status log, one entry per line, Shift_JIS bytes. Only appended to
  // by the controller; the user may edit it.
  std::vector<std::string> StatusLog;
  // How often the end of the log was brought into view after a run.
  int LogScrolledToEnd = 0;
};

// Read-only in the button-face colour, and back.
void LockEdit(TEditControl& edit);
void UnlockEdit(TEditControl& edit);

// The controls that hold a setting, listed once for the controller and any
// view: the edit boxes (masked ones included), which a run makes read-only,
// and the buttons that a run disables. The method group, the as-file-name
// box and its file button are the three others a run disables.
std::array<TEditControl*, 12> SettingsEdits(TFormModel& model);
std::array<TButtonControl*, 3> SettingsButtons(TFormModel& model);

// Locks every setting for a run (false) or hands them back (true); the
// POST/PUT file button comes back only while its box is ticked. The Abort
// button and the status log are never touched.
void SetSettingsEnabled(TFormModel& model, bool enabled);

// Appends the lines of `text` to `lines`: a line ends at CR, LF or CR LF;
// empty pieces between two line ends count; a line end at the very end adds
// no empty line; an empty text adds nothing.
void AddTextLines(std::vector<std::string>& lines, const std::string& text);

}  // namespace tolvar::client
