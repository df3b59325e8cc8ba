// The response head as the exchange reads it: the status line, the header
// lines up to the empty one, the typed fields, and every internet date form
// the engine accepts. No crash; a date is 0 or a real day of years 1 to
// 9999 that formats and parses back to itself; a length comes only from
// valid digits that fit 63 bits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "http/exceptions.h"
#include "http/http_response.h"
#include "http/internet_date.h"
#include "http/token.h"

namespace {

const double kFirst = *tolvar::http::EncodeDate(1, 1, 1);
const double kAfterLast = *tolvar::http::EncodeDate(9999, 12, 31) + 1;

// An independent reading of a length: decimal digits (a "+" before them,
// or a "-" before zeros, changes nothing) whose value fits 63 bits; -1 for
// anything else.
std::int64_t ValidLength(std::string_view text) {
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  if (text.empty()) return -1;
  if (negative) return text.find_first_not_of('0') == std::string_view::npos ? 0 : -1;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    if (value > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

void CheckDate(const std::string& value) {
  std::string rest = value;
  const tolvar::http::TDateTime date = tolvar::http::ParseInternetDate(rest);
  FUZZ_CHECK(rest.size() <= value.size());
  FUZZ_CHECK(std::isfinite(date));
  if (date == 0) return;
  FUZZ_CHECK_MSG(date >= kFirst && date < kAfterLast, value);
  int year, month, day, hour, minute, second;
  tolvar::http::DecodeDateTime(date, year, month, day, hour, minute, second);
  FUZZ_CHECK(month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour < 24 && minute < 60 && second < 60);
  // The engine's own format reads back as the same moment; two-digit years
  // are read as 19xx/20xx, so only years from 100 on come back as written,
  // and a year read as 1900 is taken for the asctime form, whose time
  // stands before the year (a date of 1900 loses its time of day).
  if (year >= 100 && year != 1900) {
    std::string formatted = tolvar::http::FormatInternetDate(date);
    const tolvar::http::TDateTime again = tolvar::http::ParseInternetDate(formatted);
    FUZZ_CHECK_MSG(std::fabs(again - date) * tolvar::http::kSecondsPerDay < 0.5,
                   value + " -> " + tolvar::http::FormatInternetDate(date));
  }
  const tolvar::http::TDateTime local = tolvar::http::InternetDateToLocal(value);
  // A zone of "+hhmm" moves the date by at most 99 hours and 99 minutes,
  // the local offset by at most a day more.
  FUZZ_CHECK(std::isfinite(local) && std::fabs(local - date) < 6);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tolvar::http::TNetHTTPResponse response;
  std::size_t pos = 0;
  bool status = true;
  while (pos < text.size()) {
    std::size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) lf = text.size();
    std::string line(text.substr(pos, lf - pos));
    pos = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (status) {
      response.StatusLine = line;
      status = false;
      continue;
    }
    if (line.empty()) break;
    response.RawLines.Add(line);
  }

  response.StatusCode();
  try {
    response.ReadFromRaw();
  } catch (const tolvar::http::EConvertError&) {
    // A Content-Range that is no number: the request fails with this text.
    return 0;
  }

  const std::string length_text = tolvar::http::Trim(response.RawLines.ValueOf("Content-Length"));
  const std::int64_t expected = ValidLength(length_text);
  if (response.LengthGiven()) {
    FUZZ_CHECK_MSG(response.ContentLength() == expected, length_text);
  } else {
    FUZZ_CHECK(expected < 0);
    FUZZ_CHECK(response.ContentLength() < 0);
  }
  FUZZ_CHECK(std::isfinite(response.Date) && std::isfinite(response.LastModified) && std::isfinite(response.Expires));

  for (std::size_t i = 0; i < response.RawLines.Count(); ++i)
    CheckDate(response.RawLines.ValueAt(static_cast<std::ptrdiff_t>(i)));
  CheckDate(response.StatusLine);
  return 0;
}
