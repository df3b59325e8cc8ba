// Internet dates (RFC 822/1123, RFC 850 and asctime forms) to and from
// local date-times. A date-time is a day count with the time of day as the
// fraction, day 0 = 30 December 1899, in local time; 0 means "not set".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/timezone.h"

namespace tolvar::http {

using TDateTime = double;

inline constexpr double kSecondsPerDay = 86400.0;

std::optional<TDateTime> EncodeDate(int year, int month, int day);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second);

// 1..7 for SUN..SAT and 1..12 for JAN..DEC, ignoring case; 0 otherwise.
int DayNameIndex(std::string_view name);
int MonthNameIndex(std::string_view name);

// Reads the date and time at the start of `text` (which keeps what follows:
// the zone) without any zone arithmetic; 0 on any failure.
TDateTime ParseInternetDate(std::string& text);
// The date converted from its zone to local time.
TDateTime InternetDateToLocal(std::string text);
// "+hhmm" / "-hhmm" as a day fraction; any other text gives 0.
TDateTime ParseZoneOffset(std::string_view text);

// Local time minus UTC, as a day fraction, from this zone description.
TDateTime LocalOffsetFromZone(const platform::TimeZoneInfo& zone);
// The same for the running system; ENetFailedToRetreiveTimeZoneInfo when the
// system cannot tell.
TDateTime LocalOffsetFromUtc();

// "Sun, 6 Nov 1994 08:49:37 +0900": the value as it is (local) with the
// local offset.
std::string FormatInternetDate(TDateTime value);
// "+hhmm" / "-hhmm", or "GMT" for a zero offset when `gmt_form` is set.
std::string FormatZoneOffset(TDateTime offset, bool gmt_form = false);

// The current local time: the system clock's, or the clock set below.
TDateTime NowLocal();

// A clock that NowLocal reads instead of the system's, so that expiry can
// be tested at a fixed moment; null returns to the system clock. Returns
// the clock it replaces. Set it before the threads that read it start.
using TLocalClock = TDateTime (*)();
TLocalClock SetLocalClock(TLocalClock clock);

}  // namespace tolvar::http
