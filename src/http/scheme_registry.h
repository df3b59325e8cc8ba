// The process-wide list of authentication schemes. It starts with "Basic";
// lookups ignore case. Safe to use from any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "http/authentication.h"

namespace tolvar::http {

using AuthenticationFactory = std::function<std::unique_ptr<TNetAuthentication>()>;

struct TNetAuthScheme {
  std::string Name;
  std::string ClassName;
  AuthenticationFactory Create;
};

// ENetAlreadyRegisteredAuthenticationMethod when the name is taken.
void RegisterScheme(std::string_view name, std::string_view class_name, AuthenticationFactory create);
// A copy of the scheme registered for the name, or null.
std::unique_ptr<TNetAuthScheme> FindScheme(std::string_view name);

}  // namespace tolvar::http
