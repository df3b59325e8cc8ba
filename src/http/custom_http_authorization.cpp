// The client's answers to a 401 and a 407: the scheme chosen from the
// challenges and the rounds of asking the caller for credentials.
#include "http/custom_http.h"

#include "http/scheme_registry.h"
#include "http/token.h"

namespace tolvar::http {

std::unique_ptr<TNetAuthentication> TNetCustomHTTP::ChooseAuthentication(const TNetHeaderList& challenges,
                                                                         const SelectAuthorizationEvent& select) {
  for (const std::string& challenge : challenges.Lines()) {
    std::string rest = challenge;
    std::string scheme = TakeToken(rest, " ");
    if (!FindScheme(scheme)) continue;
    if (select) select(*this, scheme, challenges);
    auto chosen = FindScheme(scheme);
    return chosen ? chosen->Create() : nullptr;
  }
  return nullptr;
}

bool TNetCustomHTTP::RunAuthorization(TNetAuthentication& auth, const AuthorizationEvent& ask, std::string& user,
                                      std::string& password, bool* basic) {
  // A handler that keeps answering without giving what the scheme needs
  // would ask forever; it gets as many turns as a request has attempts.
  for (int turns = 0; turns <= AuthRetries; ++turns) {
    switch (auth.Proceed()) {
      case AuthDecision::SendAgain:
        return true;
      case AuthDecision::GiveUp:
        return false;
      case AuthDecision::AskCaller: {
        auth.AssignUserName(user);
        auth.AssignPassword(password);
        bool handled = false;
        ask(*this, auth, handled);
        if (!handled) return false;
        if (basic != nullptr) *basic = true;
        user = auth.UserName();
        password = auth.Password();
        break;
      }
    }
  }
  return false;
}

bool TNetCustomHTTP::AuthorizeServer(TNetHTTPRequest& request, TNetHTTPResponse& response) {
  ++FAuthRetries;
  if (!request.Authentication) {
    request.Authentication = ChooseAuthentication(response.WWWAuthenticate, OnSelectAuthorization);
    if (!request.Authentication) return false;
  }
  if (!OnAuthorization) return false;
  request.Authentication->AssignUserName(request.Username);
  request.Authentication->AssignPassword(request.Password);
  request.Authentication->SetChallenges(response.WWWAuthenticate);
  return RunAuthorization(*request.Authentication, OnAuthorization, request.Username, request.Password,
                          &request.BasicAuthentication);
}

bool TNetCustomHTTP::AuthorizeProxy(TNetHTTPRequest&, TNetHTTPResponse& response) {
  ++FAuthProxyRetries;
  if (!ProxyParams.Authentication) {
    ProxyParams.Authentication = ChooseAuthentication(response.ProxyAuthenticate, OnSelectProxyAuthorization);
    if (!ProxyParams.Authentication) return false;
  }
  // A 407 means the proxy refused what it was sent: the password must come
  // from the handler again.
  ProxyParams.ProxyPassword.clear();
  ProxyParams.Authentication->Reset();
  if (!OnProxyAuthorization) return false;
  ProxyParams.Authentication->AssignUserName(ProxyParams.ProxyUsername);
  ProxyParams.Authentication->AssignPassword(ProxyParams.ProxyPassword);
  ProxyParams.Authentication->SetChallenges(response.ProxyAuthenticate);
  return RunAuthorization(*ProxyParams.Authentication, OnProxyAuthorization, ProxyParams.ProxyUsername,
                          ProxyParams.ProxyPassword, nullptr);
}

}  // namespace tolvar::http
