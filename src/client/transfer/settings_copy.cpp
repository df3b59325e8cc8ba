#include "client/transfer/settings_copy.h"

#include "client/support/text.h"

namespace tolvar::client {

void SettingsToModel(const TCommandLineOption& options, TFormModel& model) {
  model.RadioGroupMethod.ItemIndex = options.FMethod & 0x7F;
  model.EditUrl.Text = options.FUrl;
  model.EditReferer.Text = options.FReferer;
  model.EditProxy.Text = options.FProxyHost;
  model.EditProxyPort.Text = options.FProxyPort;
  model.EditHeader.Text = options.FHeaderFile;
  model.EditBody.Text = options.FBodyFile;
  model.EditUserName.Text = options.FUserName;
  model.MaskEditPassWord.SetValue(options.FPassword);
  model.MaskEditRetrys.SetValue(options.FRetrys);
  model.MaskEditInterval.SetValue(options.FInterval);
  model.MaskEditTimeOut.SetValue(options.FTimeOut);
  model.EditPostPut.Text = options.FPostPutData;
  model.CheckBoxPostPutAsFileName.Checked = options.FPostPutAsFileName;
  model.ButtonOpenPostPut.Enabled = options.FPostPutAsFileName;
}

void ModelToSettings(const TFormModel& model, TCommandLineOption& options) {
  options.FMethod = static_cast<std::uint8_t>(model.RadioGroupMethod.ItemIndex);
  options.FUrl = model.EditUrl.Text;
  options.FReferer = model.EditReferer.Text;
  options.FProxyHost = model.EditProxy.Text;
  options.FProxyPort = model.EditProxyPort.Text;
  options.FHeaderFile = model.EditHeader.Text;
  options.FBodyFile = model.EditBody.Text;
  options.FRetrys = TrimControl(model.MaskEditRetrys.Text);
  options.FInterval = TrimControl(model.MaskEditInterval.Text);
  options.FTimeOut = TrimControl(model.MaskEditTimeOut.Text);
  options.FUserName = model.EditUserName.Text;
  options.FPassword = model.MaskEditPassWord.Text;
  options.FPostPutAsFileName = model.CheckBoxPostPutAsFileName.Checked;
}

}  // namespace tolvar::client
