#include "http/internet_date.h"

#include <gtest/gtest.h>

#include <cmath>

#include "http/base64.h"
#include "http/exceptions.h"
#include "http/request_header_info.h"
#include "http/response_header_info.h"

namespace tolvar::http {
namespace internet_date_test {

constexpr double kMinute = 1.0 / 1440.0;

TDateTime Parse(std::string text) {
  return ParseInternetDate(text);
}

TEST(InternetDateTest, ThreeFormatsGiveTheSameInstant) {
  TDateTime expected = *EncodeDate(1994, 11, 6) + (8 * 3600 + 49 * 60 + 37) / kSecondsPerDay;
  EXPECT_NEAR(Parse("Sun, 06 Nov 1994 08:49:37 GMT"), expected, 1e-9);
  EXPECT_NEAR(Parse("Sunday, 06-Nov-94 08:49:37 GMT"), expected, 1e-9);
  EXPECT_NEAR(Parse("Sun Nov  6 08:49:37 1994"), expected, 1e-9);
  EXPECT_EQ(Parse("garbage"), 0);
  EXPECT_EQ(Parse("Sun, 31 Feb 1994 08:49:37 GMT"), 0);
}

TEST(InternetDateTest, ZoneOffsetsMoveTheDate) {
  EXPECT_NEAR(ParseZoneOffset("+0900"), 540 * kMinute, 1e-12);
  EXPECT_NEAR(ParseZoneOffset("-0130"), -90 * kMinute, 1e-12);
  EXPECT_EQ(ParseZoneOffset("GMT"), 0);
  EXPECT_EQ(ParseZoneOffset("+09x0"), 0);
  TDateTime utc = InternetDateToLocal("Sun, 06 Nov 1994 08:49:37 GMT");
  TDateTime tokyo = InternetDateToLocal("Sun, 06 Nov 1994 08:49:37 +0900");
  EXPECT_NEAR(utc - tokyo, 9.0 / 24.0, 1e-9);
}

TEST(InternetDateTest, LocalOffsetFromZoneInfo) {
  platform::TimeZoneInfo tokyo{-540, 0, 0, platform::ZoneState::Standard};
  EXPECT_NEAR(LocalOffsetFromZone(tokyo), 9.0 / 24.0, 1e-12);
  platform::TimeZoneInfo berlin_summer{-60, 0, -60, platform::ZoneState::Daylight};
  EXPECT_NEAR(LocalOffsetFromZone(berlin_summer), 2.0 / 24.0, 1e-12);
  platform::TimeZoneInfo unknown{300, 0, -60, platform::ZoneState::Unknown};
  EXPECT_NEAR(LocalOffsetFromZone(unknown), -5.0 / 24.0, 1e-12);
}

TEST(InternetDateTest, FormatAndZoneText) {
  EXPECT_EQ(FormatZoneOffset(9.0 / 24.0), "+0900");
  EXPECT_EQ(FormatZoneOffset(-90 * kMinute), "-0130");
  EXPECT_EQ(FormatZoneOffset(0, true), "GMT");
  TDateTime value = *EncodeDate(1994, 11, 6) + (8 * 3600 + 49 * 60 + 37) / kSecondsPerDay;
  std::string text = FormatInternetDate(value);
  EXPECT_EQ(text.substr(0, 25), "Sun, 6 Nov 1994 08:49:37 ");
  EXPECT_NEAR(InternetDateToLocal(text), value, 1.0 / kSecondsPerDay);
  // Absurd values must not overflow into an invalid month.
  EXPECT_FALSE(FormatInternetDate(1e300).empty());
}

TEST(TNetEntityHeaderInfoTest, ContentLengthAndExpiresForms) {
  TNetResponseHeaderInfo response;
  response.RawLines.Add("Content-Length: abc");
  response.ReadFromRaw();
  EXPECT_EQ(response.ContentLength(), -1);
  EXPECT_FALSE(response.LengthGiven());
  response.RawLines.Clear();
  response.RawLines.Add("Content-Length: 5000000000");
  response.RawLines.Add("Expires: 90000");
  response.ReadFromRaw();
  EXPECT_EQ(response.ContentLength(), 5000000000LL);
  EXPECT_NEAR(response.Expires - NowLocal(), 25.0 / 24.0, 1e-3);
  response.RawLines.Clear();
  response.RawLines.Add("Content-Length: 99999999999999999999");
  response.RawLines.Add("Expires: -1");
  response.ReadFromRaw();
  EXPECT_FALSE(response.LengthGiven());
  EXPECT_NEAR(response.Expires, LocalOffsetFromUtc(), 1e-9);
  response.RawLines.Clear();
  response.RawLines.Add("Content-Range: bytes x-5/10");
  EXPECT_THROW(response.ReadFromRaw(), EConvertError);
}

TEST(TNetRequestHeaderInfoTest, LineOrderDefaultsRangeAndCustomLines) {
  TNetRequestHeaderInfo request;
  request.Host = "h";
  request.ContentRangeStart = 100;
  request.BasicAuthentication = true;
  request.CustomHeaders.Add("X-A: 1");
  request.CustomHeaders.Add("Accept: custom");
  request.WriteToRaw();
  EXPECT_EQ(request.RawLines.Text(),
            "Content-Type: text/html\r\nX-A: 1\r\nAccept: text/html, */*\r\nHost: h\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Quillon)\r\nRange: bytes=100-\r\n"
            "Authorization: Basic Og==\r\n");
}

TEST(Base64Test, EncodesWithFill) {
  EXPECT_EQ(EncodeText("a"), "YQ==");
  EXPECT_EQ(EncodeText("ab"), "YWI=");
  EXPECT_EQ(EncodeText("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  EXPECT_EQ(TNetDecoderMIME().Decode("QWxhZGRpbjpvcGVuIHNlc2FtZQ=="), "Aladdin:open sesame");
  TNetEncoderMIME encoder;
  EXPECT_THROW(encoder.Encode("abcd", 0, 4), ENetException);
}

}  // namespace internet_date_test
}  // namespace tolvar::http
