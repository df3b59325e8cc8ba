#include "http/authentication.h"

#include "http/base64.h"
#include "http/token.h"

namespace tolvar::http {

std::string TNetAuthentication::Credential(std::string_view name) const {
  const std::ptrdiff_t index = Values.FindName(name);
  if (index < 0) return std::string();
  const std::string& line = Values[static_cast<std::size_t>(index)];
  // Written as name + Separator + value by SetValueOf; a line added from a
  // challenge has the same form.
  const std::size_t colon = line.find(':');
  std::size_t start = colon + 1;
  const std::string_view rest =
      Values.Separator.empty() ? std::string_view() : std::string_view(Values.Separator).substr(1);
  if (line.compare(start, rest.size(), rest) == 0) start += rest.size();
  return start < line.size() ? line.substr(start) : std::string();
}

void TNetAuthentication::SetChallenges(const TNetHeaderList& challenges) {
  if (!Challenges) Challenges = std::make_unique<TNetHeaderList>();
  Challenges->Assign(challenges);
}

std::string TNetAuthentication::ChallengeFor(std::string_view scheme) const {
  if (!Challenges) return std::string();
  for (const auto& line : Challenges->Lines()) {
    if (line.compare(0, scheme.size(), scheme) == 0) return line;
  }
  return std::string();
}

AuthDecision TNetBasicAuthentication::Advance() {
  std::string challenge = ChallengeFor("Basic");
  TakeToken(challenge, " ");
  bool skipping = false;
  while (!challenge.empty()) {
    std::string param = TakeToken(challenge, ", ");
    // A parameter that starts with a blank continues the one before it in
    // the value list; when that one was dropped, so is its continuation,
    // or it would join the last kept parameter (often the realm).
    const bool continuation = !param.empty() && (param.front() == ' ' || param.front() == '\t');
    if (continuation && skipping) continue;
    std::size_t eq = param.find('=');
    if (eq != std::string::npos) param.replace(eq, 1, Values.Separator);
    // The credentials are the caller's alone: a parameter named like them
    // would stand in for one the caller left empty, so the server would
    // choose what is sent and the caller would never be asked.
    const std::string name = TrimRight(std::string_view(param).substr(0, param.find(':')));
    skipping = !continuation && param.find(':') != std::string::npos &&
               (SameText(name, "Username") || SameText(name, "Password"));
    if (skipping) continue;
    Values.Add(param);  // realm="x" becomes the line realm: "x"
  }
  // A quoted realm loses its quotes; a token realm (RFC 7235 allows both)
  // is the realm as it stands.
  std::string realm = Values.ValueOf("realm");
  if (realm.size() >= 2 && realm.front() == '"' && realm.back() == '"') realm = realm.substr(1, realm.size() - 2);
  Realm = realm;
  switch (Step) {
    case 0:
      return UserName().empty() ? AuthDecision::AskCaller : AuthDecision::SendAgain;
    case 1:
      return AuthDecision::GiveUp;
    default:
      return AuthDecision::SendAgain;
  }
}

std::string TNetBasicAuthentication::AuthorizationText() {
  return "Basic " + EncodeText(UserName() + ":" + Password());
}

}  // namespace tolvar::http
