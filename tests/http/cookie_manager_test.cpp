#include "http/cookie_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "http/authentication.h"
#include "http/exceptions.h"
#include "http/scheme_registry.h"

namespace http {
namespace {

std::string HeaderFor(TNetCookieManager& manager, const std::string& url, bool secure = false) {
  return manager.CookieHeaderFor(TNetURI(url), secure);
}

TEST(TNetCookieManagerTest, DomainRules) {
  TNetCookieManager manager;
  manager.AddServerCookie("id=42; path=/; domain=.b.c", "a.b.c");
  EXPECT_EQ(HeaderFor(manager, "http://a.b.c/x/"), "id=42");
  manager.AddServerCookie("own=1; path=/", "a.b.c");
  EXPECT_EQ(manager.Cookies().Count(), 2u);
  manager.AddServerCookie("bad=1; path=/; domain=b.c", "a.b.c");
  EXPECT_EQ(manager.Cookies().Count(), 2u);
}

TEST(TNetCookieManagerTest, PathSecureAndReplacement) {
  TNetCookieManager manager;
  manager.AddServerCookie("a=1; path=/a", "h.example");
  manager.AddServerCookie("nopath=1", "h.example");
  EXPECT_EQ(HeaderFor(manager, "http://h.example/b/"), "");
  EXPECT_EQ(HeaderFor(manager, "http://h.example/a/"), "a=1");
  manager.AddServerCookie("a=2; path=/", "h.example");
  EXPECT_EQ(manager.Cookies().Count(), 2u);
  EXPECT_EQ(HeaderFor(manager, "http://h.example/b/"), "a=2");
  manager.AddServerCookie("s=1; path=/; secure", "h.example");
  EXPECT_EQ(HeaderFor(manager, "http://h.example/b/"), "a=2");
  EXPECT_EQ(HeaderFor(manager, "https://h.example/b/", true), "a=2; s=1");
}

TEST(TNetCookieManagerTest, MaxAgeZeroIsDroppedAtNextPurge) {
  TNetCookieManager manager;
  manager.AddServerCookie("m=1; path=/; max-age=0", "h.example");
  EXPECT_EQ(manager.Cookies().Count(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(HeaderFor(manager, "http://h.example/"), "");
  EXPECT_EQ(manager.Cookies().Count(), 0u);
}

TEST(TNetCookieManagerTest, CookieTwoPortList) {
  TNetCookieManager manager;
  EXPECT_THROW(manager.AddServerCookie2("p=1; path=/; port=\"80,x\"", "h.example"), EConvertError);
}

TEST(TNetAuthenticationTest, SchemeRegistryAndBasicChallenge) {
  EXPECT_NE(FindScheme("basic"), nullptr);
  EXPECT_EQ(FindScheme("NTLM"), nullptr);
  try {
    RegisterScheme("BASIC", "Other", nullptr);
    FAIL();
  } catch (const ENetAlreadyRegisteredAuthenticationMethod& e) {
    EXPECT_STREQ(e.what(), "This authentication method is already registered with class name TNetBasicAuthentication.");
  }
  TNetBasicAuthentication basic;
  TNetHeaderList challenges;
  challenges.Add("Basic realm=\"x\"");
  basic.SetChallenges(challenges);
  EXPECT_EQ(basic.Advance(), AuthDecision::AskCaller);
  EXPECT_EQ(basic.Realm, "x");
  basic.AssignUserName("u");
  basic.AssignPassword("p");
  EXPECT_EQ(basic.Advance(), AuthDecision::SendAgain);
  EXPECT_EQ(basic.AuthorizationText(), "Basic dTpw");
}

}  // namespace
}  // namespace http
