#include "platform/timezone.h"

#include <windows.h>

namespace tolvar::platform {

bool ReadTimeZoneInfo(TimeZoneInfo& info) {
  TIME_ZONE_INFORMATION tz{};
  DWORD state = GetTimeZoneInformation(&tz);
  if (state == TIME_ZONE_ID_INVALID) return false;
  info.Bias = tz.Bias;
  info.StandardBias = tz.StandardBias;
  info.DaylightBias = tz.DaylightBias;
  switch (state) {
    case TIME_ZONE_ID_STANDARD:
      info.State = ZoneState::Standard;
      break;
    case TIME_ZONE_ID_DAYLIGHT:
      info.State = ZoneState::Daylight;
      break;
    default:
      info.State = ZoneState::Unknown;
      break;
  }
  return true;
}

}  // namespace tolvar::platform
