// The tag parameter scanner: finds NAME=value for one parameter name anywhere
// in a byte stream of HTML and emits each value followed by a line end.
//
// It does not parse tags. Its state survives between calls, so the input may
// be fed in chunks split at any byte with the same result as feeding it whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tagsift::filter {

class TTagParam {
 public:
  enum class State : std::uint8_t {
    Seek,          // looking for the first byte of the name
    NameMatch,     // FIndex is the next byte of the name to match
    AfterName,     // name seen; blanks may stand before "="
    AfterEquals,   // "=" seen; blanks may stand before the value
    DoubleQuoted,  // inside "..."
    SingleQuoted,  // inside '...'
    Bare,          // unquoted value, ends at a blank
  };

  // Name "HREF", line end CR LF (LF when unix_style).
  explicit TTagParam(bool unix_style = false);
  virtual ~TTagParam();

  // Feeds every byte and returns the concatenated output pieces.
  virtual std::string ScanText(std::string_view text);
  virtual std::string ScanBuffer(const char* bytes, std::size_t count);
  // Feeds one byte; the piece is empty, the byte itself, or a line end.
  virtual std::string ScanByte(unsigned char c);
  virtual void ResetScan();

  // The buffer path without a string per call: appends the output of
  // `count` bytes to `out`. Same result as ScanBuffer, byte for byte.
  void ScanAppend(const char* bytes, std::size_t count, std::string& out);

  // Stores the ASCII upper-case form of name; does not reset the state.
  // An empty name makes the scanner copy its input unchanged.
  void SetParameter(std::string_view name);
  const std::string& Parameter() const { return FParameter; }
  State CurrentState() const { return FState; }
  // 1-based position in the name of the next byte to match.
  std::size_t CurrentIndex() const { return FIndex; }

  void SetUnixStyle(bool unix_style) { FLineEnd = unix_style ? "\n" : "\r\n"; }

 private:
  void Reset() {
    FState = State::Seek;
    FIndex = 1;
  }

  std::string FParameter;
  State FState = State::Seek;
  std::size_t FIndex = 1;
  std::string FLineEnd;
};

}  // namespace tagsift::filter
