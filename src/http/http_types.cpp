#include "http/http_types.h"

#include "http/exceptions.h"

namespace tolvar::http {

std::string ProtocolVersionText(TNetHTTPProtocolVersion version) {
  return version == pv1_0 ? "1.0" : "1.1";
}

std::string MethodWord(TNetHTTPMethod method) {
  switch (method) {
    case hmHead:
      return "HEAD";
    case hmGet:
      return "GET";
    case hmPost:
      return "POST";
    case hmOptions:
      return "OPTIONS";
    case hmTrace:
      return "TRACE";
    case hmPut:
      return "PUT";
    case hmConnect:
      return "CONNECT";
    case hmDelete:
      break;
  }
  throw ENetException("This client cannot send a DELETE request");
}

}  // namespace tolvar::http
