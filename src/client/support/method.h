// Request method index and its names: 0 GET, 1 POST, 2 PUT.
#pragma once

#include <cstdint>
#include <string>

namespace client {

enum : std::uint8_t { hmGet = 0, hmPost = 1, hmPut = 2 };

// "GET", "POST" or "PUT"; any index other than 1 or 2 is "GET".
const char* MethodName(std::uint8_t method);

// Reads a method given by the user: blanks around it and case are ignored,
// only the first one or two letters count ("P" and "PO..." are POST, "PU..."
// is PUT) and anything unrecognised, PATCH or DELETE included, is GET.
std::uint8_t MethodFromText(const std::string& text);

}  // namespace client
