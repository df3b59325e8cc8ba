#include "http/base64.h"

#include "http/exceptions.h"

namespace tolvar::http {
namespace {

constexpr std::string_view kMimeAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string TNetEncoder3to4::Encode(std::string_view data, std::size_t position, std::int64_t count) {
  if (count != kWholeStream && count % 3 != 0) throw ENetException("Uneven size in Encode.");
  if (position >= data.size()) return std::string();
  std::size_t n = data.size() - position;
  if (count >= 0 && static_cast<std::uint64_t>(count) < n) n = static_cast<std::size_t>(count);
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data() + position);
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  for (std::size_t i = 0; i < n; i += 3) {
    unsigned b1 = bytes[i];
    unsigned b2 = i + 1 < n ? bytes[i + 1] : 0;
    unsigned b3 = i + 2 < n ? bytes[i + 2] : 0;
    out += FCodingTable[b1 >> 2];
    out += FCodingTable[((b1 << 4) & 63) | (b2 >> 4)];
    out += i + 1 < n ? FCodingTable[((b2 << 2) & 63) | (b3 >> 6)] : FFillChar;
    out += i + 2 < n ? FCodingTable[b3 & 63] : FFillChar;
  }
  return out;
}

TNetEncoderMIME::TNetEncoderMIME() {
  FCodingTable = std::string(kMimeAlphabet);
  FFillChar = '=';
}

void TNetDecoder4to3::BuildDecodeTable(std::string_view coding_table, char fill) {
  FDecodeTable.fill(-1);
  for (std::size_t i = 0; i < coding_table.size(); ++i) {
    FDecodeTable[static_cast<unsigned char>(coding_table[i])] = static_cast<std::int16_t>(i);
  }
  FFillChar = fill;
}

std::string TNetDecoder4to3::Decode(std::string_view text) const {
  std::string out;
  unsigned accumulator = 0;
  int bits = 0;
  for (char c : text) {
    if (c == FFillChar) break;
    std::int16_t v = FDecodeTable[static_cast<unsigned char>(c)];
    if (v < 0) continue;
    accumulator = (accumulator << 6) | static_cast<unsigned>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((accumulator >> bits) & 0xFF);
    }
  }
  return out;
}

TNetDecoderMIME::TNetDecoderMIME() {
  BuildDecodeTable(kMimeAlphabet, '=');
}

}  // namespace tolvar::http
