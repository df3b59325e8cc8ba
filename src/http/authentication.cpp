#include "http/authentication.h"

#include "http/base64.h"
#include "http/token.h"

namespace tolvar::http {

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
  while (!challenge.empty()) {
    std::string param = TakeToken(challenge, ", ");
    std::size_t eq = param.find('=');
    if (eq != std::string::npos) param.replace(eq, 1, Values.Separator);
    Values.Add(param);  // realm="x" becomes the line realm: "x"
  }
  std::string realm = Values.ValueOf("realm");
  Realm = realm.size() >= 2 ? realm.substr(1, realm.size() - 2) : std::string();
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
