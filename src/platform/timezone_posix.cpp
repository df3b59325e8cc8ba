#include "platform/timezone.h"

#include <time.h>

namespace tolvar::platform {

bool ReadTimeZoneInfo(TimeZoneInfo& info) {
  time_t now = time(nullptr);
  struct tm local {};
  if (now == static_cast<time_t>(-1) || localtime_r(&now, &local) == nullptr) return false;
  // tm_gmtoff already includes any daylight shift, so the whole offset goes
  // into the base bias and the state only reports which time is in force.
  info.Bias = -static_cast<long>(local.tm_gmtoff / 60);
  info.StandardBias = 0;
  info.DaylightBias = 0;
  info.State =
      local.tm_isdst > 0 ? ZoneState::Daylight : (local.tm_isdst == 0 ? ZoneState::Standard : ZoneState::Unknown);
  return true;
}

}  // namespace tolvar::platform
