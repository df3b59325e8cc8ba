#include "http/cookie_manager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "http/authentication.h"
#include "http/base64.h"
#include "http/exceptions.h"
#include "http/internet_date.h"
#include "http/scheme_registry.h"

namespace tolvar::http {
namespace cookie_manager_test {

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

// A replacing value with an expires date lost the date (the replacement
// goes through ServerText, which writes none for it), so a cookie that a
// server ended with a past date stayed and was offered with its new value.
// And max-age=0 dates a cookie to the current whole second: at a clock on a
// whole second it outlived the purge.
TEST(TNetCookieManagerTest, RegressionReplacementDroppedTheExpiryDate) {
  // Noon on 1 June 2026, local time.
  const TLocalClock saved = SetLocalClock([] { return *EncodeDate(2026, 6, 1) + 0.5; });
  const std::string past = "; expires=Thu, 01 Jan 1970 00:00:00 GMT";
  const std::string future = "; expires=Fri, 01 Jan 2100 00:00:00 GMT";
  struct TCase {
    std::string first;
    std::string second;
    bool second_is_cookie2;
    std::string header;
  };
  const std::vector<TCase> cases = {
      {"a=1; path=/", "a=2; path=/" + past, false, ""},
      {"a=1; path=/", "a=2; path=/" + past, true, ""},
      {"a=1; path=/", "a=2; path=/" + future, false, "a=2"},
      // A session value after a dated one is no longer dated.
      {"a=1; path=/" + past, "a=2; path=/", false, "a=2"},
      {"a=1; path=/" + future, "a=2; path=/; max-age=0", false, ""},
      {"a=1; path=/; max-age=0", "b=2; path=/" + past, false, ""},
  };
  for (const TCase& c : cases) {
    TNetCookieManager manager;
    manager.AddServerCookie(c.first, "h.example");
    if (c.second_is_cookie2) {
      manager.AddServerCookie2(c.second, "h.example");
    } else {
      manager.AddServerCookie(c.second, "h.example");
    }
    EXPECT_EQ(HeaderFor(manager, "http://h.example/x"), c.header) << c.first << " then " << c.second;
    EXPECT_EQ(manager.Cookies().Count(), c.header.empty() ? 0u : 1u) << c.first << " then " << c.second;
  }
  SetLocalClock(saved);
}

TEST(TNetCookieManagerTest, ManyNamesAreReplacedByNameAndPurgedTogether) {
  // The store once scanned the whole domain for a name to replace, which made
  // a head of many Set-Cookie lines quadratic; the index must still find
  // every name, ignoring case, and a purge must leave index and list alike.
  TNetCookieManager manager;
  for (int i = 0; i < 2000; ++i) {
    manager.AddServerCookie("c" + std::to_string(i) + "=v; path=/p" + std::to_string(i % 2), "h.test");
  }
  manager.AddServerCookie("C1234=new; path=/p0", "h.test");
  EXPECT_EQ(manager.Cookies().Count(), 2000u);
  EXPECT_NE(HeaderFor(manager, "http://h.test/p0/").find("C1234=new"), std::string::npos)
      << HeaderFor(manager, "http://h.test/p0/").substr(0, 100);
  for (int i = 0; i < 2000; i += 2) manager.AddServerCookie("c" + std::to_string(i) + "=v; max-age=0", "h.test");
  manager.PurgeExpired();
  EXPECT_EQ(manager.Cookies().Count(), 1000u);
  // The purged names come back as new cookies, the others are replaced.
  manager.AddServerCookie("c0=again; path=/p0", "h.test");
  manager.AddServerCookie("c1=again; path=/p1", "h.test");
  EXPECT_EQ(manager.Cookies().Count(), 1001u);
  const std::string header = HeaderFor(manager, "http://h.test/p1/");
  EXPECT_NE(header.find("c1=again"), std::string::npos) << header.substr(0, 100);
  EXPECT_EQ(header.find("c2="), std::string::npos);
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

// Challenge parameters joined the credential lines: a username or password
// parameter stood in for a credential the caller left empty, so the server
// chose what was sent and the caller was never asked. And a realm given as
// a token lost its first and last bytes as if they were quotes.
TEST(TNetAuthenticationTest, RegressionChallengeParametersStoodInForCredentials) {
  struct TCase {
    std::string challenge;
    std::string user;
    std::string password;
    AuthDecision decision;
    std::string realm;
  };
  const std::vector<TCase> cases = {
      {"Basic realm=\"r\", username=evil, password=chosen", "", "", AuthDecision::AskCaller, "r"},
      {"Basic USERNAME:evil, Password =chosen", "", "", AuthDecision::AskCaller, ""},
      {"Basic realm=abc, password=chosen", "u", "", AuthDecision::SendAgain, "abc"},
      {"Basic realm=\"\"", "u", "p", AuthDecision::SendAgain, ""},
      // A dropped parameter's continuation went onto the realm: r" case.
      {"Basic realm=\"r\", username=evil,  case\"", "", "", AuthDecision::AskCaller, "r"},
      {"Basic realm=\"r\", password=x,  y, \tz, n=1", "u", "", AuthDecision::SendAgain, "r"},
      // A continuation of a kept parameter stays with it, folded to one
      // blank as header lines are.
      {"Basic realm=\"a,  b\"", "u", "p", AuthDecision::SendAgain, "a b"},
  };
  for (const TCase& c : cases) {
    TNetBasicAuthentication basic;
    basic.AssignUserName(c.user);
    basic.AssignPassword(c.password);
    TNetHeaderList challenges;
    challenges.Add(c.challenge);
    basic.SetChallenges(challenges);
    EXPECT_EQ(basic.Advance(), c.decision) << c.challenge;
    EXPECT_EQ(basic.UserName(), c.user) << c.challenge;
    EXPECT_EQ(basic.Password(), c.password) << c.challenge;
    EXPECT_EQ(basic.Realm, c.realm) << c.challenge;
  }
}

// Credentials went through a header value read, which trims both ends, and
// a long one through folding, which collapses the blanks where it broke:
// the server got another password than the user gave.
TEST(TNetAuthenticationTest, BasicCredentialsKeepBlanksAndLength) {
  const TNetDecoderMIME decoder;
  auto sent = [&decoder](const std::string& user, const std::string& password) {
    TNetBasicAuthentication basic;
    basic.AssignUserName(user);
    basic.AssignPassword(password);
    EXPECT_EQ(basic.UserName(), user);
    EXPECT_EQ(basic.Password(), password);
    const std::string text = basic.AuthorizationText();
    return decoder.Decode(text.substr(text.find(' ') + 1));
  };
  EXPECT_EQ(sent(" u ", "  pass word  "), " u :  pass word  ");
  std::string long_password;
  for (int i = 0; i < 20; ++i) long_password += "w" + std::to_string(i) + ",   \t";
  EXPECT_EQ(sent("u", long_password), "u:" + long_password);
  EXPECT_EQ(sent("", ""), ":");
  // Assigning again replaces, and an empty value removes the line.
  TNetBasicAuthentication basic;
  basic.AssignPassword("first");
  basic.AssignPassword(" second");
  EXPECT_EQ(basic.Password(), " second");
  basic.AssignPassword("");
  EXPECT_EQ(basic.Password(), "");
}

TEST(TNetCookieManagerTest, ConcurrentStoreAndLookupStayConsistent) {
  // Two threads store and replace cookies while two look them up and one
  // purges: every header read is a clean list of name=value pairs, and the
  // store ends with the last value of each name.
  TNetCookieManager manager;
  constexpr int kRounds = 300;
  std::atomic<bool> bad_header{false};
  std::vector<std::thread> threads;
  for (int w = 0; w < 2; ++w) {
    threads.emplace_back([&manager, w] {
      for (int i = 0; i < kRounds; ++i)
        manager.AddServerCookie(
            "w" + std::to_string(w) + "n" + std::to_string(i % 10) + "=" + std::to_string(i) + "; path=/", "h.example");
    });
  }
  for (int r = 0; r < 2; ++r) {
    threads.emplace_back([&manager, &bad_header] {
      for (int i = 0; i < kRounds; ++i) {
        std::string h = manager.CookieHeaderFor(TNetURI("http://h.example/p/"), false);
        std::size_t pos = 0;
        while (!h.empty() && pos <= h.size()) {
          std::size_t end = h.find("; ", pos);
          std::string pair = h.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
          if (pair.find('=') == std::string::npos || pair.find('=') == 0) bad_header = true;
          if (end == std::string::npos) break;
          pos = end + 2;
        }
      }
    });
  }
  threads.emplace_back([&manager] {
    for (int i = 0; i < kRounds; ++i) manager.PurgeExpired();
  });
  for (auto& t : threads) t.join();
  EXPECT_FALSE(bad_header);
  EXPECT_EQ(manager.Cookies().Count(), 20u);
  const std::string final_header = HeaderFor(manager, "http://h.example/p/");
  for (int w = 0; w < 2; ++w)
    for (int n = 0; n < 10; ++n) {
      // The last round that wrote name n of writer w.
      int last = kRounds - 10 + n;
      EXPECT_NE(final_header.find("w" + std::to_string(w) + "n" + std::to_string(n) + "=" + std::to_string(last)),
                std::string::npos)
          << final_header;
    }
}

}  // namespace cookie_manager_test
}  // namespace tolvar::http
