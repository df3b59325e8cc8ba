#include "platform/codepage.h"

#include <langinfo.h>

#include <cctype>
#include <string>

namespace tolvar::platform {

int SystemCodePage() {
  // nl_langinfo reflects the locale the program selected; without a
  // setlocale call it is the C locale, which has no lead bytes.
  const char* codeset = nl_langinfo(CODESET);
  std::string name;
  for (const char* p = codeset; p != nullptr && *p != '\0'; ++p) {
    if (*p != '-' && *p != '_') name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
  }
  if (name == "SHIFTJIS" || name == "SJIS" || name == "CP932" || name == "WINDOWS31J") return kShiftJisCodePage;
  if (name == "UTF8") return 65001;
  return 0;
}

}  // namespace tolvar::platform
