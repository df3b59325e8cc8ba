#include "client/support/rect.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace tolvar::client {
namespace {

// Splits at commas and blanks. Blanks around a comma belong to it; two
// commas in a row make an empty item, as does a comma at the very end.
std::vector<std::string> SplitItems(const std::string& text) {
  std::vector<std::string> items;
  auto blank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= 0x20; };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && blank(text[i])) ++i;
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n && text[i] != '"') item.push_back(text[i++]);
      if (i < n) ++i;  // the closing quote
    } else {
      while (i < n && text[i] != ',' && !blank(text[i])) item.push_back(text[i++]);
    }
    items.push_back(std::move(item));
    while (i < n && blank(text[i])) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n) items.emplace_back();
      ++i;
      while (i < n && blank(text[i])) ++i;
    }
  }
  return items;
}

bool ToInt32(const std::string& item, std::int32_t* value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < item.size() && (item[i] == '-' || item[i] == '+')) negative = item[i++] == '-';
  if (i == item.size()) return false;
  std::int64_t v = 0;
  for (; i < item.size(); ++i) {
    if (item[i] < '0' || item[i] > '9') return false;
    v = v * 10 + (item[i] - '0');
    if (v > std::int64_t{1} << 31) return false;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<std::int32_t>::max()) return false;
  *value = static_cast<std::int32_t>(v);
  return true;
}

std::int32_t Saturate(std::int64_t v) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool Inside(std::int32_t x, std::int32_t y, const TRect& area) {
  return area.Left <= x && x <= area.Right && area.Top <= y && y <= area.Bottom;
}

}  // namespace

std::string PositionToText(const TRect& rect) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d, %d, %d, %d", static_cast<int>(rect.Left), static_cast<int>(rect.Top),
                static_cast<int>(rect.Right), static_cast<int>(rect.Bottom));
  return buf;
}

void TextToPosition(const std::string& text, TRect& rect) {
  const std::vector<std::string> items = SplitItems(text);
  if (items.size() < 4) return;
  TRect read;
  if (!ToInt32(items[0], &read.Left) || !ToInt32(items[1], &read.Top) || !ToInt32(items[2], &read.Right) ||
      !ToInt32(items[3], &read.Bottom))
    return;
  rect = read;
}

void FitIntoArea(TRect& rect, const TRect& area) {
  if (Inside(rect.Left, rect.Top, area) && Inside(rect.Right, rect.Bottom, area)) return;
  // The spans come from the ini file and may be anything: 64-bit arithmetic
  // so that a wild rectangle cannot overflow.
  const std::int64_t width = std::int64_t{rect.Right} - rect.Left;
  const std::int64_t height = std::int64_t{rect.Bottom} - rect.Top;
  TRect r = rect;
  if (rect.Right > area.Right) {
    r.Right = area.Right;
    r.Left = Saturate(area.Right - width);
  }
  if (rect.Bottom > area.Bottom) {
    r.Bottom = area.Bottom;
    r.Top = Saturate(area.Bottom - height);
  }
  if (r.Top < area.Top) {
    r.Top = area.Top;
    r.Bottom = Saturate(area.Top + height);
  }
  if (r.Left < area.Left) {
    r.Left = area.Left;
    r.Right = Saturate(area.Left + width);
  }
  rect = r;
}

}  // namespace tolvar::client
