// The main-window rectangle: screen pixels, inclusive on all sides (Right
// and Bottom are the last pixel inside), and its text form in the ini file.
#pragma once

#include <cstdint>
#include <string>

namespace tolvar::client {

struct TRect {
  std::int32_t Left = -1;
  std::int32_t Top = -1;
  std::int32_t Right = -1;
  std::int32_t Bottom = -1;

  bool operator==(const TRect&) const = default;
};

// The rectangle that is not set: -1, -1, -1, -1.
inline constexpr TRect kUnsetRect{};

// "Left, Top, Right, Bottom" as decimal numbers: "10, 20, 610, 420".
std::string PositionToText(const TRect& rect);

// Reads the first four items of `text` (separated by commas and blanks; a
// double-quoted item may hold either) as Left, Top, Right, Bottom. All four
// change together or not at all: fewer than four items, or an item that is
// not a decimal 32-bit integer, leaves `rect` as it was.
void TextToPosition(const std::string& text, TRect& rect);

// Moves `rect` into `area` keeping its size. A rectangle with both corners
// inside stays put; one larger than the area ends at the area's top-left
// corner and sticks out at the right or bottom. Coordinates that would pass
// the 32-bit range are held at its ends.
void FitIntoArea(TRect& rect, const TRect& area);

}  // namespace tolvar::client
