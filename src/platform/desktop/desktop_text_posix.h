// Text conversions of the desktop module. The toolkit shows and returns
// UTF-8; the program's own texts are Shift_JIS (code page 932), and what
// the user types reaches the option set in the locale's character set.
#pragma once

#include <string>

namespace tolvar::platform::desktop {

// The program's own texts (captions, hints, log lines) for display.
std::string ProgramTextToUtf8(const std::string& text);
// Settings (edit boxes, chosen paths) between the locale's character set
// and the toolkit. A character the target cannot hold becomes "?", as the
// system code page's conversion does on Windows.
std::string LocaleToUtf8(const std::string& text);
std::string Utf8ToLocale(const std::string& text);
// Between any two iconv character sets; exposed for the tests.
std::string ConvertText(const std::string& text, const char* from, const char* to);

}  // namespace tolvar::platform::desktop
