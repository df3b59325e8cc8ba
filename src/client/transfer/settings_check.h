// The check of the window's settings when a run starts, as a pure function
// of the form model: what it reports and the numbers a run then uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/transfer/form_model.h"

namespace tolvar::client {

struct TSettingsCheck {
  // Every failing check's message (Shift_JIS), in the order the checks run;
  // empty when the settings can be used.
  std::vector<std::string> Messages;
  // The proxy port; -1 without a proxy or when its text is no number.
  std::int32_t ProxyPort = -1;
  std::int32_t Retries = 0;
  // Seconds as typed, in milliseconds, held within the 32-bit range.
  std::int32_t IntervalMs = 0;
  std::int32_t TimeoutMs = 0;

  bool Ok() const { return Messages.empty(); }
};

// Runs every check, also after one has failed: an empty URL; a proxy
// without a port, a port that is no number, a negative one; retries,
// interval and time-out that are no number once the blanks around them are
// gone (an empty box is 0); retries without a time-out.
TSettingsCheck CheckSettings(const TFormModel& model);

}  // namespace tolvar::client
