// Base64 in the RFC 2045 alphabet with "=" fill, no line breaks.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace tolvar::http {

// Count meaning "everything from the position to the end".
inline constexpr std::int64_t kWholeStream = std::numeric_limits<std::int32_t>::max();

class TNetEncoder {
 public:
  virtual ~TNetEncoder() = default;
  // Encodes at most `count` bytes of `data` from `position` on. A count other
  // than kWholeStream must be a multiple of 3 ("Uneven size in Encode.").
  virtual std::string Encode(std::string_view data, std::size_t position = 0, std::int64_t count = kWholeStream) = 0;
};

// Three bytes to four characters of a 64-character table.
class TNetEncoder3to4 : public TNetEncoder {
 public:
  std::string Encode(std::string_view data, std::size_t position = 0, std::int64_t count = kWholeStream) override;

 protected:
  std::string FCodingTable;
  char FFillChar = '=';
};

class TNetEncoderMIME : public TNetEncoder3to4 {
 public:
  TNetEncoderMIME();
};

class TNetDecoder4to3 {
 public:
  virtual ~TNetDecoder4to3() = default;
  // Bytes outside the table (line breaks, blanks) are skipped; decoding
  // ends at the first fill character.
  std::string Decode(std::string_view text) const;

 protected:
  void BuildDecodeTable(std::string_view coding_table, char fill);
  std::array<std::int16_t, 256> FDecodeTable{};
  char FFillChar = '=';
};

class TNetDecoderMIME : public TNetDecoder4to3 {
 public:
  TNetDecoderMIME();
};

// Encodes the whole text with a fresh encoder of class E.
template <class E = TNetEncoderMIME>
std::string EncodeText(std::string_view text) {
  E encoder;
  return encoder.Encode(text);
}

}  // namespace tolvar::http
