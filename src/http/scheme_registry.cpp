#include "http/scheme_registry.h"

#include <mutex>
#include <vector>

#include "http/exceptions.h"
#include "http/token.h"

namespace tolvar::http {
namespace {

struct Registry {
  std::mutex lock;
  std::vector<TNetAuthScheme> schemes;  // guarded by lock
  Registry() {
    schemes.push_back({"Basic", "TNetBasicAuthentication", [] { return std::make_unique<TNetBasicAuthentication>(); }});
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterScheme(std::string_view name, std::string_view class_name, AuthenticationFactory create) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (const auto& scheme : registry.schemes) {
    if (SameText(scheme.Name, name)) {
      throw ENetAlreadyRegisteredAuthenticationMethod(
          "This authentication method is already registered with class name " + scheme.ClassName + ".");
    }
  }
  registry.schemes.push_back({std::string(name), std::string(class_name), std::move(create)});
}

std::unique_ptr<TNetAuthScheme> FindScheme(std::string_view name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (const auto& scheme : registry.schemes) {
    if (SameText(scheme.Name, name)) return std::make_unique<TNetAuthScheme>(scheme);
  }
  return nullptr;
}

}  // namespace tolvar::http
