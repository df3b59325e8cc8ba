#include "client/support/method.h"

#include "client/support/text.h"

namespace tolvar::client {

const char* MethodName(std::uint8_t method) {
  switch (method) {
    case miPost:
      return "POST";
    case miPut:
      return "PUT";
    default:
      return "GET";
  }
}

std::uint8_t MethodFromText(const std::string& text) {
  const std::string t = UpperAscii(TrimControl(text));
  if (t.empty() || t[0] != 'P') return miGet;
  if (t.size() == 1) return miPost;
  if (t[1] == 'O') return miPost;
  if (t[1] == 'U') return miPut;
  return miGet;
}

}  // namespace tolvar::client
