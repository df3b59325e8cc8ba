#include "client/transfer/form_model.h"

namespace tolvar::client {

void TMaskedEditControl::SetValue(const std::string& value) {
  if (Width == 0) {
    Text = value;
    return;
  }
  std::string shown = value.substr(0, Width);
  for (char& c : shown) {
    if (c < '0' || c > '9') c = ' ';
  }
  Text = std::string(Width - shown.size(), ' ') + shown;
}

void LockEdit(TEditControl& edit) {
  edit.ReadOnly = true;
  edit.Color = TControlColor::clBtnFace;
}

void UnlockEdit(TEditControl& edit) {
  edit.ReadOnly = false;
  edit.Color = TControlColor::clWindow;
}

std::array<TEditControl*, 12> SettingsEdits(TFormModel& m) {
  return {&m.EditUrl,        &m.EditReferer,     &m.EditPostPut,      &m.EditProxy,
          &m.EditProxyPort,  &m.EditHeader,      &m.EditBody,         &m.EditUserName,
          &m.MaskEditRetrys, &m.MaskEditTimeOut, &m.MaskEditInterval, &m.MaskEditPassWord};
}

std::array<TButtonControl*, 3> SettingsButtons(TFormModel& m) {
  return {&m.ButtonConnect, &m.ButtonSaveAsHeader, &m.ButtonSaveAsBody};
}

void SetSettingsEnabled(TFormModel& model, bool enabled) {
  model.RadioGroupMethod.Enabled = enabled;
  model.CheckBoxPostPutAsFileName.Enabled = enabled;
  model.ButtonOpenPostPut.Enabled = enabled && model.CheckBoxPostPutAsFileName.Checked;
  for (TButtonControl* button : SettingsButtons(model)) button->Enabled = enabled;
  for (TEditControl* edit : SettingsEdits(model)) {
    if (enabled) {
      UnlockEdit(*edit);
    } else {
      LockEdit(*edit);
    }
  }
}

void AddTextLines(std::vector<std::string>& lines, const std::string& text) {
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
}

}  // namespace tolvar::client
