#include "platform/desktop_posix.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include "platform/library.h"
#include "platform/system.h"

namespace tolvar::platform {
namespace {

// Set once by OpenDesktop and never cleared: the module stays loaded.
std::atomic<TDesktop*> opened{nullptr};
std::atomic<bool> interactive{false};
// The module, never unloaded: objects it made live until the process ends.
// Held here (not merely released) so that it stays reachable.
SharedLibrary* loaded_module = nullptr;

// Where the module is looked for: beside the program (the build tree and a
// portable copy), then the package's private library folder.
std::string ModuleBeside(const std::string& program, const char* relative) {
  const std::size_t slash = program.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : program.substr(0, slash);
  return dir + relative + kDesktopModuleName;
}

TDesktop* Load(std::string* why) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    *why = "No X display is named (DISPLAY is not set).";
    return nullptr;
  }
  const std::string program = GetModulePath();
  std::unique_ptr<SharedLibrary> module;
  std::string load_error;
  bool error_of_a_file = false;
  for (const char* relative : {"/", "/../lib/tolvar/"}) {
    const std::string path = ModuleBeside(program, relative);
    std::string error;
    module = SharedLibrary::Open(path, &error);
    if (module) break;
    // A module that is there but does not load (a library it needs is
    // missing) tells most, wherever it is; with none there, the first place,
    // beside the program, is the one named.
    const bool there = FileExists(path);
    if (load_error.empty() || (there && !error_of_a_file)) {
      load_error = error;
      error_of_a_file = there;
    }
  }
  if (!module) {
    *why = "The desktop module cannot be loaded: " + load_error;
    return nullptr;
  }
  auto open = reinterpret_cast<TDesktopOpenFunction>(module->Symbol(kDesktopOpenSymbol));
  if (open == nullptr) {
    *why = std::string("The desktop module has no ") + kDesktopOpenSymbol + ".";
    return nullptr;
  }
  TDesktop* desktop = open(display, why);
  // Kept loaded for good, whether or not the display opened: the module
  // may have registered what the process calls at its end.
  loaded_module = module.release();
  return desktop;
}

}  // namespace

TDesktop& OpenDesktop() {
  static std::once_flag once;
  static std::string why;
  std::call_once(once, [] { opened.store(Load(&why)); });
  TDesktop* desktop = opened.load();
  if (desktop == nullptr) {
    // No system error lies behind this; a stale errno must not be reported.
    errno = 0;
    throw std::runtime_error(why);
  }
  return *desktop;
}

TDesktop* OpenedDesktop() {
  return opened.load();
}

void SetDesktopInteractive(bool on) {
  interactive.store(on);
}

bool DesktopInteractive() {
  return interactive.load();
}

}  // namespace tolvar::platform
