// Time-zone information of the running system, in the shape the internet
// date functions do their arithmetic in: biases in minutes, UTC = local time
// + bias (so a zone east of Greenwich has a negative bias).
#pragma once

namespace tolvar::platform {

enum class ZoneState {
  Unknown,   // the system does not say whether standard or daylight time holds
  Standard,  // StandardBias applies on top of Bias
  Daylight,  // DaylightBias applies on top of Bias
};

struct TimeZoneInfo {
  long Bias = 0;
  long StandardBias = 0;
  long DaylightBias = 0;
  ZoneState State = ZoneState::Unknown;
};

// Fills `info` with the zone in force now; false when the system cannot
// tell. Thread-safe.
bool ReadTimeZoneInfo(TimeZoneInfo& info);

}  // namespace tolvar::platform
