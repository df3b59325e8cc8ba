#include "client/support/method.h"

#include "client/support/text.h"

namespace client {

const char* MethodName(std::uint8_t method) {
  switch (method) {
    case hmPost:
      return "POST";
    case hmPut:
      return "PUT";
    default:
      return "GET";
  }
}

std::uint8_t MethodFromText(const std::string& text) {
  const std::string t = UpperAscii(TrimControl(text));
  if (t.empty() || t[0] != 'P') return hmGet;
  if (t.size() == 1) return hmPost;
  if (t[1] == 'O') return hmPost;
  if (t[1] == 'U') return hmPut;
  return hmGet;
}

}  // namespace client
