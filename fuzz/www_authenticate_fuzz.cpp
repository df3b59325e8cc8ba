// The answer to a 401: the response's WWW-Authenticate challenges read from
// its header lines, the scheme chosen, the challenge parsed and the caller
// asked for credentials through the authorization event. Whatever the
// server writes in its challenges:
// - a Basic object is made exactly when some challenge's first word is
//   Basic (ignoring case), and the caller is asked only when it left the
//   user name empty;
// - the credentials that would be sent are the caller's, byte for byte
//   (the server never chooses them), and the Authorization value is their
//   Base64 as a reference encoder here writes it;
// - a realm given in the plain forms realm="text" or realm=token reads as
//   that text.
//
// Input: LF-separated lines: the user name, the password, what the event
// does (first byte: 0 declines, 1 gives who/secret, 2 answers without a
// user name), then the response's header lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "http/authentication.h"
#include "http/custom_http.h"

namespace {

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size() && lines.size() < 100) {
    std::size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) lf = text.size();
    lines.emplace_back(text.substr(pos, lf - pos));
    pos = lf + 1;
  }
  return lines;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string Base64(std::string_view bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  for (unsigned char b : bytes) {
    bits = (bits << 8) | b;
    count += 8;
    while (count >= 6) {
      count -= 6;
      out += kAlphabet[(bits >> count) & 63];
    }
  }
  if (count > 0) out += kAlphabet[(bits << (6 - count)) & 63];
  while (out.size() % 4 != 0) out += '=';
  return out;
}

// The realm of the first challenge that starts "Basic" when it has one of
// the plain forms: Basic realm="text" or Basic realm=token, alone or before
// ", " and more parameters. False when the challenge has another form.
bool PlainRealm(const std::vector<std::string>& challenges, std::string& realm) {
  for (const std::string& c : challenges) {
    if (c.compare(0, 5, "Basic") != 0) continue;
    const std::string_view prefix = "Basic realm=";
    if (c.compare(0, prefix.size(), prefix) != 0) return false;
    std::string rest = c.substr(prefix.size());
    const std::size_t comma = rest.find(", ");
    // A parameter that starts with a blank continues the one before it.
    if (comma != std::string::npos && comma + 2 < rest.size() && (rest[comma + 2] == ' ' || rest[comma + 2] == '\t'))
      return false;
    std::string value = rest.substr(0, comma);
    auto plain = [](std::string_view text, bool token) {
      for (char ch : text) {
        const bool letter = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
        if (token ? !(letter || ch == '.' || ch == '-' || ch == '_') : (ch == '"' || ch == ',' || ch < ' '))
          return false;
      }
      return !text.empty() && text.front() != ' ' && text.back() != ' ';
    };
    if (value.size() >= 3 && value.front() == '"' && value.back() == '"' &&
        plain(std::string_view(value).substr(1, value.size() - 2), false)) {
      realm = value.substr(1, value.size() - 2);
      return true;
    }
    if (plain(value, true)) {
      realm = value;
      return true;
    }
    return false;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = Lines(std::string_view(reinterpret_cast<const char*>(data), size));
  if (lines.size() < 3) return 0;
  const std::string& user = lines[0];
  const std::string& password = lines[1];
  const int mode = lines[2].empty() ? 0 : static_cast<unsigned char>(lines[2][0]) % 3;

  tolvar::http::TNetHTTP client;
  tolvar::http::TNetHTTPResponse& response = client.Response();
  for (std::size_t i = 3; i < lines.size(); ++i) response.RawLines.Add(lines[i]);
  response.ReadFromRaw();
  tolvar::http::TNetHTTPRequest& request = client.Request();
  request.Username = user;
  request.Password = password;
  int asked = 0;
  client.OnAuthorization = [&](tolvar::http::TNetCustomHTTP&, tolvar::http::TNetAuthentication& auth, bool& handled) {
    ++asked;
    // The caller is asked with what it gave, never with the server's words.
    FUZZ_CHECK(auth.UserName() == user);
    FUZZ_CHECK(auth.Password() == password);
    if (mode == 1) {
      auth.AssignUserName("who");
      auth.AssignPassword("secret");
    }
    handled = mode != 0;
  };
  const bool again = client.AuthorizeServer(request, response);

  const std::vector<std::string>& challenges = response.WWWAuthenticate.Lines();
  bool basic = false;
  for (const std::string& c : challenges) {
    if (SameAscii(c.substr(0, c.find(' ')), "Basic")) {
      basic = true;
      break;
    }
  }
  FUZZ_CHECK((request.Authentication != nullptr) == basic);
  if (!basic) {
    FUZZ_CHECK(!again && asked == 0);
    return 0;
  }
  auto* auth = dynamic_cast<tolvar::http::TNetBasicAuthentication*>(request.Authentication.get());
  FUZZ_CHECK(auth != nullptr);
  std::string sent_user = user;
  std::string sent_password = password;
  if (!user.empty()) {
    FUZZ_CHECK(again && asked == 0);
  } else if (mode == 0) {
    FUZZ_CHECK(!again && asked == 1);
  } else if (mode == 1) {
    FUZZ_CHECK(again && asked == 1);
    FUZZ_CHECK(request.Username == "who" && request.Password == "secret");
    sent_user = "who";
    sent_password = "secret";
  } else {
    // An answer that never gives a user name is asked once per attempt.
    FUZZ_CHECK(!again && asked == client.AuthRetries + 1);
  }
  FUZZ_CHECK(auth->UserName() == sent_user);
  FUZZ_CHECK(auth->Password() == sent_password);
  FUZZ_CHECK(auth->AuthorizationText() == "Basic " + Base64(sent_user + ":" + sent_password));
  std::string realm;
  if (PlainRealm(challenges, realm)) FUZZ_CHECK_MSG(auth->Realm == realm, "realm read as: " + auth->Realm);
  return 0;
}
