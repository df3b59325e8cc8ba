// Request method index of the option set and its names: 0 GET, 1 POST,
// 2 PUT. The index is stored in the settings; it is not the engine's
// http::TNetHTTPMethod (hmGet is 1 there), hence the different prefix.
#pragma once

#include <cstdint>
#include <string>

namespace tolvar::client {

enum TMethodIndex : std::uint8_t { miGet = 0, miPost = 1, miPut = 2 };

// "GET", "POST" or "PUT"; any index other than 1 or 2 is "GET".
const char* MethodName(std::uint8_t method);

// Reads a method given by the user: blanks around it and case are ignored,
// only the first one or two letters count ("P" and "PO..." are POST, "PU..."
// is PUT) and anything unrecognised, PATCH or DELETE included, is GET.
std::uint8_t MethodFromText(const std::string& text);

}  // namespace tolvar::client
