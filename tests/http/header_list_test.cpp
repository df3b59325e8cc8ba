#include "http/header_list.h"

#include <gtest/gtest.h>

#include "http/wrap_at_breaks.h"

namespace tolvar::http {
namespace header_list_test {

TEST(TNetHeaderListTest, LookupAndValues) {
  TNetHeaderList list;
  list.Add("Content-Length: 10");
  list.Add("Set-Cookie:a=b");
  list.Add("X-Long: one");
  list.Add(" two");
  list.Add("\tthree");
  list.Add("Set-Cookie: c=d");
  EXPECT_EQ(list.ValueOf("content-length"), "10");
  EXPECT_EQ(list.ValueOf("Set-Cookie"), "a=b");
  EXPECT_EQ(list.ValueOf("X-Long"), "one two three");
  TNetHeaderList cookies;
  list.CollectValues("set-cookie", &cookies);
  ASSERT_EQ(cookies.Count(), 2u);
  EXPECT_EQ(cookies[1], "c=d");
  EXPECT_EQ(list.ValueAt(99), "");
}

TEST(TNetHeaderListTest, SetValueReplacesInPlaceAndDeletes) {
  TNetHeaderList list;
  list.Add("A: 1");
  list.Add("host: old");
  list.Add(" cont");
  list.Add("B: 2");
  list.SetValueOf("Host", "new");
  EXPECT_EQ(list.Text(), "A: 1\r\nHost: new\r\nB: 2\r\n");
  list.SetValueOf("Absent", "");
  EXPECT_EQ(list.Count(), 3u);
  list.SetValueOf("host", "");
  EXPECT_EQ(list.Text(), "A: 1\r\nB: 2\r\n");
}

TEST(TNetHeaderListTest, FoldsLongValuesAtBlanks) {
  TNetHeaderList list;
  std::string value;
  while (value.size() < 100) value += "word ";
  value.resize(100);
  list.SetValueOf("X", value);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_LE(list[0].size(), 78u);
  EXPECT_NE(list[0].back(), ' ');
  EXPECT_EQ(list[1][0], ' ');
  EXPECT_NE(list[1][1], ' ');
  EXPECT_EQ(list.ValueOf("X"), value.substr(0, value.find_last_not_of(' ') + 1));
}

// A fold that left a piece of blanks and control bytes alone wrote an
// empty line, which ends the continuation lines: the read lost the rest of
// the value.
TEST(TNetHeaderListTest, FoldNeverWritesAnEmptyContinuation) {
  TNetHeaderList list;
  list.FoldWidth = 2;
  const std::string value("a\t\r\x01\tbc", 8);
  list.SetValueOf("X", value);
  for (std::size_t i = 1; i < list.Count(); ++i) EXPECT_EQ(list[i][0], ' ') << i;
  EXPECT_EQ(list.ValueOf("X").back(), 'c');
  EXPECT_NE(list.ValueOf("X").find("bc"), std::string::npos);
}

TEST(WrapAtBreaksTest, QuotesAndUnbreakableText) {
  std::string inner = "\"" + std::string(40, 'x') + ", y, z\"";
  std::string quoted = "a=" + inner + ", bb, cc";
  std::string wrapped = WrapAtBreaks(quoted, "\r\n ", " ,", 20);
  EXPECT_NE(wrapped.find(inner), std::string::npos);  // never broken inside the quotes
  EXPECT_NE(wrapped.find("\r\n"), std::string::npos);
  std::string solid(200, 'z');
  EXPECT_EQ(WrapAtBreaks(solid, "\r\n ", " ,", 78), solid);
}

}  // namespace header_list_test
}  // namespace tolvar::http
