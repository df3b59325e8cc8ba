#include "http/uri.h"

#include <gtest/gtest.h>

#include "http/exceptions.h"
#include "http/token.h"
#include "platform/codepage.h"

namespace tolvar::http {
namespace {

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

}  // namespace
}  // namespace tolvar::http
