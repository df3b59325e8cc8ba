// The ANSI code page of the process, as far as multibyte-aware text
// handling needs it: only code page 932 (Shift_JIS) has lead bytes here.
//
// Windows reads GetACP(); Linux maps the locale's character set (a
// Shift_JIS / CP932 locale gives 932). Tests force a code page so that the
// lead-byte rules can be checked on any machine.
#pragma once

#include <atomic>

namespace tolvar::platform {

inline constexpr int kShiftJisCodePage = 932;

// The code page the operating system reports for this process.
int SystemCodePage();

namespace detail {
// 0 = not forced. Read on every lead-byte test, so forcing it takes effect
// at once on every thread.
inline std::atomic<int> forced_code_page{0};
}  // namespace detail

// Overrides the system code page for the rest of the process (0 restores
// the system's).
inline void ForceCodePage(int code_page) {
  detail::forced_code_page.store(code_page);
}

inline int ActiveCodePage() {
  int forced = detail::forced_code_page.load();
  return forced != 0 ? forced : SystemCodePage();
}

inline bool CodePageHasLeadBytes() {
  return ActiveCodePage() == kShiftJisCodePage;
}

// True for the first byte of a Shift_JIS double-byte character, when the
// active code page is 932; always false otherwise.
inline bool IsLeadByte(unsigned char c) {
  return CodePageHasLeadBytes() && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

}  // namespace tolvar::platform
