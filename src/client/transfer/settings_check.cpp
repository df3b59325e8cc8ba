#include "client/transfer/settings_check.h"

#include <limits>

#include "client/support/text.h"
#include "client/transfer/transfer_texts.h"
#include "http/number.h"

namespace tolvar::client {
namespace {

std::int32_t SecondsToMs(std::int32_t seconds) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  if (seconds > kMax / 1000) return kMax;
  if (seconds < kMin / 1000) return kMin;
  return seconds * 1000;
}

// A masked box's number: 0 when the box holds only blanks; false when what
// is left between the blanks around it is no number (digits split by a
// blank: the mask lets nothing else in).
bool BoxNumber(const TEditControl& box, std::int32_t& value) {
  value = 0;
  const std::string text = TrimControl(box.Text);
  if (text.empty()) return true;
  const auto n = http::ParseInt32(text);
  if (n) value = *n;
  return n.has_value();
}

}  // namespace

TSettingsCheck CheckSettings(const TFormModel& model) {
  TSettingsCheck check;
  if (model.EditUrl.Text.empty()) check.Messages.push_back(texts::kNoUrl);
  const bool proxy = !model.EditProxy.Text.empty();
  if (proxy && model.EditProxyPort.Text.empty()) check.Messages.push_back(texts::kNoProxyPort);
  if (proxy) {
    // Leading blanks are allowed in a typed number, trailing ones are not.
    std::string port = model.EditProxyPort.Text;
    port.erase(0, port.find_first_not_of(' '));
    if (auto n = http::ParseInt32(port)) {
      check.ProxyPort = *n;
    } else {
      check.Messages.push_back(texts::kProxyPortNotNumber);
    }
    if (check.ProxyPort < 0) check.Messages.push_back(texts::kProxyPortNegative);
  }
  if (!BoxNumber(model.MaskEditRetrys, check.Retries)) check.Messages.push_back(texts::kBadRetrys);
  if (!BoxNumber(model.MaskEditInterval, check.IntervalMs)) check.Messages.push_back(texts::kBadInterval);
  check.IntervalMs = SecondsToMs(check.IntervalMs);
  if (!BoxNumber(model.MaskEditTimeOut, check.TimeoutMs)) check.Messages.push_back(texts::kBadTimeOut);
  check.TimeoutMs = SecondsToMs(check.TimeoutMs);
  if (check.Retries != 0 && check.TimeoutMs == 0) check.Messages.push_back(texts::kRetrysNeedTimeOut);
  return check;
}

}  // namespace tolvar::client
