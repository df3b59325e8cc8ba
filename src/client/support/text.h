// Byte-string helpers shared by the front end. Bytes are compared as
// unsigned values; multi-byte characters pass through untouched.
#pragma once

#include <string>

namespace tolvar::client {

// True for blanks and control characters: every byte at or below 0x20.
inline bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

// `text` without leading and trailing bytes at or below 0x20.
std::string TrimControl(const std::string& text);

// ASCII letters upper-cased; every other byte, lead and trail bytes of
// Shift_JIS included, unchanged.
std::string UpperAscii(std::string text);

}  // namespace tolvar::client
