#include "http/internet_date.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "http/exceptions.h"
#include "http/number.h"
#include "http/token.h"

namespace tolvar::http {
namespace {

constexpr const char* kDayNames[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
constexpr const char* kMonthNames[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                       "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr const char* kDayAbbrev[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthAbbrev[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days between 1 January 1970 and day 0 (30 December 1899).
constexpr std::int64_t kUnixEpochDay = 25569;
constexpr std::int64_t kMillisPerDay = 86400000;
// 1 January 0001 and the last millisecond of 31 December 9999.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.99999;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = FloorDiv(y, 400);
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int IndexIn(std::string_view name, const char* const* table, int count) {
  std::string upper = UpperCase(name);
  for (int i = 0; i < count; ++i) {
    if (upper == table[i]) return i + 1;
  }
  return 0;
}

}  // namespace

std::optional<TDateTime> EncodeDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return std::nullopt;
  int limit = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  if (day > limit) return std::nullopt;
  return static_cast<TDateTime>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                                kUnixEpochDay);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second) {
  // Kept within years 1 to 9999, so that arithmetic on absurd values (a
  // huge Max-Age) still yields a valid date instead of overflowing.
  value = std::clamp(value, kFirstDay, kLastDay);
  // Rounded to the millisecond first, so 23:59:59.9996 becomes the next day.
  auto millis = static_cast<std::int64_t>(std::llround(value * static_cast<double>(kMillisPerDay)));
  std::int64_t days = FloorDiv(millis, kMillisPerDay);
  std::int64_t in_day = millis - days * kMillisPerDay;
  CivilFromDays(days - kUnixEpochDay, year, month, day);
  hour = static_cast<int>(in_day / 3600000);
  minute = static_cast<int>(in_day / 60000 % 60);
  second = static_cast<int>(in_day / 1000 % 60);
}

int DayNameIndex(std::string_view name) {
  return IndexIn(name, kDayNames, 7);
}
int MonthNameIndex(std::string_view name) {
  return IndexIn(name, kMonthNames, 12);
}

TDateTime ParseInternetDate(std::string& text) {
  text = Trim(text);
  if (text.empty()) return 0;
  if (DayNameIndex(std::string_view(text).substr(0, 3)) != 0) {
    TakeToken(text, " ");
    text = TrimLeft(text);
  }
  std::size_t dash = FirstPosOf("-", text);
  std::size_t space = FirstPosOf(" ", text);
  std::string delimiter = (dash >= 2 && (space == 0 || dash < space)) ? "-" : " ";

  auto read_month = [&] {
    std::string token = TakeToken(text, delimiter);
    text = TrimLeft(text);
    return MonthNameIndex(token);
  };
  auto read_day = [&] {
    std::string token = TakeToken(text, delimiter);
    text = TrimLeft(text);
    return IntOrDefault(token, 1);
  };
  int month;
  int day;
  std::string first = TakeToken(text, delimiter, false);
  if (MonthNameIndex(first) != 0) {
    month = read_month();
    day = read_day();
  } else {
    day = read_day();
    month = read_month();
  }

  std::string token = TakeToken(text, " ");
  int year = IntOrDefault(token, 1900);
  if (year == 1900) {
    // asctime form: the token was the time and the year comes last.
    year = IntOrDefault(Trim(text), 1900);
    text = token;
  }
  if (year < 80) {
    year += 2000;
  } else if (year < 100) {
    year += 1900;
  }
  auto date = EncodeDate(year, month, day);
  if (!date) return 0;
  TDateTime result = *date;

  if (text.find(':') != std::string::npos) {
    std::string time = TakeToken(text, " ");
    int hour = IntOrDefault(TakeToken(time, ":"), 0);
    int minute = IntOrDefault(TakeToken(time, ":"), 0);
    int second = IntOrDefault(TakeToken(time, ":"), 0);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return 0;
    result += (hour * 3600 + minute * 60 + second) / kSecondsPerDay;
  }
  text = TrimLeft(text);
  return result;
}

TDateTime ParseZoneOffset(std::string_view text) {
  std::string zone = Trim(text).substr(0, 5);
  if (zone.empty() || (zone[0] != '+' && zone[0] != '-')) return 0;
  auto hours = ParseInt32(std::string_view(zone).substr(1, 2));
  auto minutes = ParseInt32(std::string_view(zone).substr(std::min<std::size_t>(3, zone.size()), 2));
  if (!hours || !minutes || zone.size() < 5 || *hours < 0 || *minutes < 0) return 0;
  TDateTime offset = (*hours * 60 + *minutes) / 1440.0;
  return zone[0] == '-' ? -offset : offset;
}

TDateTime InternetDateToLocal(std::string text) {
  TDateTime result = ParseInternetDate(text);
  if (text.size() > 4) result -= ParseZoneOffset(text);
  return result + LocalOffsetFromUtc();
}

TDateTime LocalOffsetFromZone(const platform::TimeZoneInfo& zone) {
  long bias = zone.Bias;
  if (zone.State == platform::ZoneState::Standard) bias += zone.StandardBias;
  if (zone.State == platform::ZoneState::Daylight) bias += zone.DaylightBias;
  // UTC = local + bias, so local - UTC is the bias negated.
  return -static_cast<double>(bias) / 1440.0;
}

TDateTime LocalOffsetFromUtc() {
  platform::TimeZoneInfo zone;
  if (!platform::ReadTimeZoneInfo(zone)) throw ENetFailedToRetreiveTimeZoneInfo();
  return LocalOffsetFromZone(zone);
}

std::string FormatZoneOffset(TDateTime offset, bool gmt_form) {
  auto minutes = static_cast<long long>(std::llround(std::fabs(offset) * 1440.0));
  if (minutes == 0 && gmt_form) return "GMT";
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%c%02lld%02lld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return buffer;
}

std::string FormatInternetDate(TDateTime value) {
  int year, month, day, hour, minute, second;
  DecodeDateTime(value, year, month, day, hour, minute, second);
  auto millis = static_cast<std::int64_t>(
      std::llround(std::clamp(value, kFirstDay, kLastDay) * static_cast<double>(kMillisPerDay)));
  // Day 0 was a Saturday.
  auto weekday = static_cast<int>((FloorDiv(millis, kMillisPerDay) % 7 + 7 + 6) % 7);
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%s, %d %s %d %02d:%02d:%02d %s", kDayAbbrev[weekday], day,
                kMonthAbbrev[month - 1], year, hour, minute, second, FormatZoneOffset(LocalOffsetFromUtc()).c_str());
  return buffer;
}

namespace {
std::atomic<TLocalClock> g_local_clock{nullptr};
}  // namespace

TLocalClock SetLocalClock(TLocalClock clock) {
  return g_local_clock.exchange(clock);
}

TDateTime NowLocal() {
  if (const TLocalClock clock = g_local_clock.load()) return clock();
  auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  double millis = static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
  return millis / static_cast<double>(kMillisPerDay) + static_cast<double>(kUnixEpochDay) + LocalOffsetFromUtc();
}

}  // namespace tolvar::http
