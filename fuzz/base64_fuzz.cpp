// Base64 and Basic credentials: whatever bytes go in come back out of the
// decoder unchanged, and the encoding has the exact RFC 2045 shape.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "http/authentication.h"
#include "http/base64.h"
#include "http/exceptions.h"

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void CheckShape(std::string_view plain, const std::string& encoded) {
  FUZZ_CHECK(encoded.size() == (plain.size() + 2) / 3 * 4);
  const std::size_t fill = plain.size() % 3 == 0 ? 0 : 3 - plain.size() % 3;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (i >= encoded.size() - fill) {
      FUZZ_CHECK(encoded[i] == '=');
    } else {
      FUZZ_CHECK(kAlphabet.find(encoded[i]) != std::string_view::npos);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const tolvar::http::TNetDecoderMIME decoder;

  const std::string encoded = tolvar::http::EncodeText(input);
  CheckShape(input, encoded);
  FUZZ_CHECK(decoder.Decode(encoded) == input);

  // A count that is a multiple of 3 encodes exactly that prefix; any other
  // count is refused.
  tolvar::http::TNetEncoderMIME encoder;
  const std::size_t position = size == 0 ? 0 : data[0] % (size + 1);
  const std::int64_t count = size < 2 ? 0 : data[1] % 64;
  std::string part;
  bool refused = false;
  try {
    part = encoder.Encode(input, position, count);
  } catch (const tolvar::http::ENetException&) {
    refused = true;
  }
  FUZZ_CHECK(refused == (count % 3 != 0));
  if (!refused) {
    const std::string_view prefix = position >= size ? std::string_view() : input.substr(position, count);
    FUZZ_CHECK(part == tolvar::http::EncodeText(prefix));
  }

  // Basic credentials: the user name ends at the first ":" (it cannot hold
  // one on the wire); the password is everything after it, any bytes.
  const std::size_t colon = input.find(':');
  const std::string_view user = input.substr(0, colon);
  const std::string_view password = colon == std::string_view::npos ? std::string_view() : input.substr(colon + 1);
  tolvar::http::TNetBasicAuthentication basic;
  basic.AssignUserName(user);
  basic.AssignPassword(password);
  const std::string text = basic.AuthorizationText();
  FUZZ_CHECK(text.rfind("Basic ", 0) == 0);
  const std::string credentials = decoder.Decode(text.substr(6));
  FUZZ_CHECK_MSG(credentials == std::string(user) + ":" + std::string(password), credentials);
  return 0;
}
