#include "transport/stack.h"

#include <atomic>
#include <cctype>
#include <memory>

#include "transport/exceptions.h"

namespace tolvar::transport {
namespace {

std::atomic<TNetStack*> g_instance{nullptr};
bool g_sockets_started = false;  // guarded by the components' lock; never cleared

// Takes the part before the first "." off `rest`; without a dot the whole rest.
std::string Fetch(std::string* rest) {
  auto dot = rest->find('.');
  std::string part = rest->substr(0, dot);
  rest->erase(0, dot == std::string::npos ? rest->size() : dot + 1);
  return part;
}

bool ToByte(const std::string& part, int* value) {
  if (part.empty() || part.size() > 3) return false;
  int v = 0;
  for (char c : part) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return v <= 255;
}

std::array<std::string, 4> Parts(const std::string& text) {
  std::string rest = text;
  std::array<std::string, 4> parts;
  for (int i = 0; i < 3; ++i) parts[i] = Fetch(&rest);
  parts[3] = rest;
  return parts;
}

}  // namespace

TNetStack::TNetStack() {
  if (!g_sockets_started) {
    if (StackCall([] { return platform::StartSockets(); }) != 0) throw ENetStackInitializationFailed();
    g_sockets_started = true;
  }
}

TNetStack* TNetStack::Instance() {
  return g_instance.load(std::memory_order_acquire);
}

void TNetStack::CreateInstance() {
  g_instance.store(new TNetStack(), std::memory_order_release);
}

void TNetStack::FreeInstance() {
  delete g_instance.exchange(nullptr);
}

bool TNetStack::CheckSocketResult(int result, std::initializer_list<int> ignore) {
  if (result != platform::kSocketError) return false;
  LastError = StackCall([] { return platform::LastError(); });
  for (int code : ignore) {
    if (code == LastError) return true;
  }
  RaiseSocketFailure(LastError);
}

void TNetStack::RaiseSocketFailure(int code) {
  throw ENetSocketError(code);
}

std::string TNetStack::SocketErrorText(int code) const {
  return SocketErrorMessage(code);
}

platform::SocketHandle TNetStack::NewSocket(int type, int protocol) {
  auto s = StackCall([&] { return platform::Socket(2, type, protocol); });
  if (s == platform::kInvalidSocket) throw ENetInvalidSocket();
  return s;
}

std::string TNetStack::LookupHost(const std::string& host) {
  std::string upper;
  for (char c : host) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "LOCALHOST") return "127.0.0.1";
  if (IsNumericAddress(host)) return host;
  std::array<std::uint8_t, 4> address{};
  if (!StackCall([&] { return platform::ResolveHost(host, &address); })) CheckSocketResult(platform::kSocketError);
  return InAddrToText(address);
}

bool TNetStack::IsNumericAddress(const std::string& text) {
  int v;
  for (const std::string& part : Parts(text)) {
    if (!ToByte(part, &v)) return false;
  }
  return true;
}

std::array<std::uint8_t, 4> TNetStack::ParseInAddr(const std::string& text) {
  std::array<std::uint8_t, 4> a{};
  auto parts = Parts(text);
  for (int i = 0; i < 4; ++i) {
    int v = 0;
    if (ToByte(parts[i], &v)) a[i] = static_cast<std::uint8_t>(v);
  }
  return a;
}

std::uint32_t TNetStack::TextToInAddr(const std::string& text) {
  auto a = ParseInAddr(text);
  return (std::uint32_t{a[0]} << 24) | (std::uint32_t{a[1]} << 16) | (std::uint32_t{a[2]} << 8) | a[3];
}

std::string TNetStack::InAddrToText(const std::array<std::uint8_t, 4>& a) {
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

int TNetStack::StackSelect(std::vector<platform::SocketHandle>* read, std::vector<platform::SocketHandle>* write,
                           std::vector<platform::SocketHandle>* except, int timeout_ms) {
  for (auto* list : {read, write, except}) {
    if (list && list->size() > kSocketSetSize) throw ENetStackSetSizeExceeded();
  }
  return StackCall([&] { return platform::Select(read, write, except, WaitLimitOf(timeout_ms)); });
}

}  // namespace tolvar::transport
