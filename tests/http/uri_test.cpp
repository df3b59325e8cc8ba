#include "http/uri.h"

#include <gtest/gtest.h>

#include "http/exceptions.h"
#include "http/token.h"
#include "platform/codepage.h"

namespace tolvar::http {
namespace uri_test {

TEST(TNetURITest, SplitsEveryPart) {
  TNetURI uri("s://u:p@h:81/a/b/c.cgi?x=1#top");
  EXPECT_EQ(uri.Protocol, "s");
  EXPECT_EQ(uri.Username, "u");
  EXPECT_EQ(uri.Password, "p");
  EXPECT_EQ(uri.Host, "h");
  EXPECT_EQ(uri.Port, "81");
  EXPECT_EQ(uri.Path, "/a/b/");
  EXPECT_EQ(uri.Document, "c.cgi");
  EXPECT_EQ(uri.Params, "?x=1");
  EXPECT_EQ(uri.Fragment, "top");
}

TEST(TNetURITest, PathAndQueryForms) {
  TNetURI bare("s://h");
  EXPECT_EQ(bare.Host, "h");
  EXPECT_EQ(bare.Path, "/");
  TNetURI slash("s://h/a/b?c=d/e");
  EXPECT_EQ(slash.Path, "/a/");
  EXPECT_EQ(slash.Document, "b");
  EXPECT_EQ(slash.Params, "?c=d/e");
  TNetURI equals("s://h/dir/x=1");
  EXPECT_EQ(equals.Document, "x");
  EXPECT_EQ(equals.Params, "=1");
  TNetURI query_fragment("s://h/p?q#f");
  EXPECT_EQ(query_fragment.Params, "?q");
  EXPECT_EQ(query_fragment.Fragment, "f");
  TNetURI doc_fragment("s://h/p#f");
  EXPECT_EQ(doc_fragment.Document, "p");
  EXPECT_EQ(doc_fragment.Fragment, "f");
}

TEST(TNetURITest, UserInfoRules) {
  TNetURI no_user("s://:pw@h/");
  EXPECT_EQ(no_user.Username, "");
  EXPECT_EQ(no_user.Password, "");
  TNetURI no_colon("s://u@h/");
  EXPECT_EQ(no_colon.Username, "u");
  EXPECT_EQ(no_colon.ComposeURI(true, true), "s://u@h/");
}

// An authority with two "@" and no user before the first: composed without
// any user info, the host's own "@" was read back as the end of one, and
// the second parse (and a proxy given the absolute form) saw another host.
TEST(TNetURITest, ComposedHostWithAtSignStaysTheHost) {
  TNetURI uri("s://@evil@good:81/p");
  EXPECT_EQ(uri.Username, "");
  EXPECT_EQ(uri.Host, "evil@good");
  const std::string composed = uri.ComposeURI(true, true);
  EXPECT_EQ(composed, "s://@evil@good:81/p");
  EXPECT_EQ(TNetURI(composed).Host, "evil@good");
  EXPECT_EQ(TNetURI(uri.AbsoluteURI()).Host, "evil@good");
  TNetURI port("s://@h:1@2/");
  EXPECT_EQ(TNetURI(port.ComposeURI(false, false)).Port, "1@2");
  // An ordinary host is written as before.
  EXPECT_EQ(TNetURI("s://u@h/").ComposeURI(false, false), "s://h/");
}

// Regression: the user information was looked for after a literal "://",
// while the parser reads a backslash as a slash; "http:\\bob:pw@h\p" sent
// bob's password but was stored and shown with it. The place of the user
// information is the parser's own, so it names exactly the bytes the parser
// takes for user and password.
TEST(TNetURITest, FindUserInfoAgreesWithTheParser) {
  struct Case {
    const char* text;
    bool found;
    std::size_t begin, at;
    bool host_holds_at;
  };
  const Case cases[] = {
      {"http://bob:pw@h/p", true, 7, 13, false},
      {"http:\\\\bob:pw@h\\p", true, 7, 13, false},
      {"http:/\\bob:pw@h:81", true, 7, 13, false},
      {"s://:pw@h/", true, 4, 7, false},
      {"s://@h/", true, 4, 4, false},
      {"s://a:b@c@d:1/", true, 4, 7, true},
      {"s://h:1@2/", true, 4, 7, false},
      // The backslash ends the authority: the host is h, "@other" is path.
      {"http://h\\@other.example:81/x", false, 0, 0, false},
      {"http://h/mail?to=a@b", false, 0, 0, false},
      {"user:pw@host/p", false, 0, 0, false},
      {"", false, 0, 0, false},
  };
  for (const Case& c : cases) {
    const auto place = FindUserInfo(c.text);
    ASSERT_EQ(place.has_value(), c.found) << c.text;
    const TNetURI uri(c.text);
    if (!place) {
      EXPECT_EQ(uri.Username, "") << c.text;
      continue;
    }
    EXPECT_EQ(place->begin, c.begin) << c.text;
    EXPECT_EQ(place->at, c.at) << c.text;
    EXPECT_EQ(place->host_holds_at, c.host_holds_at) << c.text;
    const std::string info = std::string(c.text).substr(place->begin, place->at - place->begin);
    if (!uri.Username.empty()) {
      EXPECT_EQ(info, uri.Username + (uri.Password.empty() ? "" : ":" + uri.Password)) << c.text;
    }
  }
  // 0x82 0x40 is one Shift_JIS character whose trail byte is an "@".
  platform::ForceCodePage(platform::kShiftJisCodePage);
  EXPECT_FALSE(FindUserInfo("http://\x82@h/").has_value());
  platform::ForceCodePage(1252);
  EXPECT_EQ(FindUserInfo("http://\x82@h/")->at, 8u);
  platform::ForceCodePage(0);
}

TEST(TNetURITest, ComposeFailsWithoutProtocolBeforeHost) {
  TNetURI uri;
  try {
    (void)uri.ComposeURI(true, true);
    FAIL();
  } catch (const ENetURIException& e) {
    EXPECT_STREQ(e.what(), "Protocol field is empty");
  }
  uri.Protocol = "http";
  EXPECT_THROW((void)uri.ComposeURI(true, true), ENetURIException);
}

TEST(TNetURITest, AbsoluteURIDropsUserInfoAndFragment) {
  TNetURI uri("http://u:p@h:8080/a/b.htm?q=1#f");
  EXPECT_EQ(uri.AbsoluteURI(), "http://h:8080/a/b.htm?q=1");
  EXPECT_EQ(uri.URI, "http://u:p@h:8080/a/b.htm?q=1#f");
}

TEST(TNetURITest, BackslashesAreSlashesExceptShiftJisTrailBytes) {
  EXPECT_EQ(TNetURI("s:\\\\h\\a\\b.htm").ComposeURI(true, true), "s://h/a/b.htm");
  platform::ForceCodePage(platform::kShiftJisCodePage);
  // 0x95 0x5C is one Shift_JIS character whose trail byte is a backslash.
  EXPECT_EQ(TNetURI::NormalizeSlashes("a\\\x95\\b"), "a/\x95\\b");
  platform::ForceCodePage(1252);
  EXPECT_EQ(TNetURI::NormalizeSlashes("a\\\x95\\b"), "a/\x95/b");
  platform::ForceCodePage(0);
}

TEST(MergePathTest, ResolvesRelativePaths) {
  EXPECT_EQ(MergePath("/a/b/", "../c", "/"), "/a/c");
  EXPECT_EQ(MergePath("/a/", "x/", "/"), "/a/x/");
  EXPECT_EQ(MergePath("/a", "b", "/"), "/a/b");
  EXPECT_EQ(MergePath("", "", "/"), "");
  EXPECT_EQ(MergePath("/a/", "/abs/../x", "/"), "/abs/../x");
  EXPECT_EQ(MergePath("/a//b/", "c", "/"), "/a/b/c");
}

TEST(TakeTokenTest, DelimiterAndRemoveFlag) {
  std::string input = "a:b:c";
  EXPECT_EQ(TakeToken(input, ":"), "a");
  EXPECT_EQ(input, "b:c");
  std::string absent = "abc";
  EXPECT_EQ(TakeToken(absent, ";", false), "abc");
  EXPECT_EQ(absent, "abc");
  EXPECT_EQ(TakeToken(absent, ";"), "abc");
  EXPECT_EQ(absent, "");
  std::string mixed = "xANDy";
  EXPECT_EQ(TakeToken(mixed, "and", true, false), "x");
  EXPECT_EQ(mixed, "y");
}

TEST(FirstPosOfTest, NeverMatchesOnTrailByte) {
  platform::ForceCodePage(platform::kShiftJisCodePage);
  EXPECT_EQ(FirstPosOf("\\", "\x95\\x\\"), 4u);
  platform::ForceCodePage(1252);
  EXPECT_EQ(FirstPosOf("\\", "\x95\\x\\"), 2u);
  platform::ForceCodePage(0);
  EXPECT_EQ(LastPosOf("A", "xaxa", 3), 2u);
  EXPECT_EQ(LastPosOf("/", "abc"), 0u);
}

}  // namespace uri_test
}  // namespace tolvar::http
