// Authorization values for the request head and the steps taken after a
// 401 or 407 answer. One object serves one server (or one proxy).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "http/header_list.h"

namespace tolvar::http {

enum class AuthDecision {
  AskCaller,  // credentials are missing: ask the program
  SendAgain,  // send the request again with the new authorization
  GiveUp,
};

class TNetAuthentication {
 public:
  TNetAuthentication() = default;
  virtual ~TNetAuthentication() = default;
  TNetAuthentication(const TNetAuthentication&) = delete;
  TNetAuthentication& operator=(const TNetAuthentication&) = delete;

  virtual AuthDecision Advance() = 0;
  virtual int StepCount() const { return 0; }
  virtual void AssignPassword(std::string_view password) { Values.SetValueOf("Password", password); }
  virtual void AssignUserName(std::string_view user) { Values.SetValueOf("Username", user); }
  virtual void Reset() {}
  virtual std::string AuthorizationText() = 0;
  virtual bool KeepsConnection() const = 0;

  AuthDecision Proceed() { return Advance(); }
  std::string UserName() const { return Values.ValueOf("username"); }
  std::string Password() const { return Values.ValueOf("password"); }
  void SetChallenges(const TNetHeaderList& challenges);
  // The first challenge that begins with `scheme` (case-sensitive); empty
  // when there is none.
  std::string ChallengeFor(std::string_view scheme) const;

  // Credentials ("Username", "Password") and the parameters of a challenge.
  TNetHeaderList Values;
  // Null until the first SetChallenges.
  std::unique_ptr<TNetHeaderList> Challenges;
  int Step = 0;
};

// The Basic scheme: user name and password in the clear, Base64-encoded.
class TNetBasicAuthentication : public TNetAuthentication {
 public:
  AuthDecision Advance() override;
  int StepCount() const override { return 1; }
  void Reset() override { Step = 0; }
  // "Basic " + Base64(user ":" password).
  std::string AuthorizationText() override;
  bool KeepsConnection() const override { return false; }

  std::string Realm;
};

}  // namespace tolvar::http
