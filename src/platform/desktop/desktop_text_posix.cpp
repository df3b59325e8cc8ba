#include "platform/desktop/desktop_text_posix.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <vector>

namespace tolvar::platform::desktop {
namespace {

// An iconv descriptor, closed when it goes.
class TConverter {
 public:
  TConverter(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
  ~TConverter() {
    if (Valid()) iconv_close(cd_);
  }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// The byte length of the character starting `text` in the character set
// `from` when a conversion stopped there: enough to step over it. UTF-8 is
// stepped by its lead byte, Shift_JIS by its lead-byte ranges.
std::size_t BadCharacterLength(const char* text, std::size_t left, const char* from) {
  const auto c = static_cast<unsigned char>(text[0]);
  const std::string set(from);
  std::size_t n = 1;
  if (set == "UTF-8") {
    n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  } else if (set == "CP932") {
    n = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
  }
  return n < left ? n : left;
}

const char* LocaleCharset() {
  const char* set = nl_langinfo(CODESET);
  return set != nullptr && *set != '\0' ? set : "ASCII";
}

}  // namespace

std::string ConvertText(const std::string& text, const char* from, const char* to) {
  if (text.empty()) return text;
  TConverter converter(from, to);
  if (!converter.Valid()) return text;
  std::string out;
  std::vector<char> buffer(4 * text.size() + 16);
  char* in = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  while (in_left > 0) {
    char* put = buffer.data();
    std::size_t put_left = buffer.size();
    const std::size_t r = iconv(converter.get(), &in, &in_left, &put, &put_left);
    out.append(buffer.data(), static_cast<std::size_t>(put - buffer.data()));
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // A character the source does not spell right or the target lacks:
    // one "?" for it, and on.
    out.push_back('?');
    const std::size_t skip = BadCharacterLength(in, in_left, from);
    in += skip;
    in_left -= skip;
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::string ProgramTextToUtf8(const std::string& text) {
  return ConvertText(text, "CP932", "UTF-8");
}

std::string LocaleToUtf8(const std::string& text) {
  return ConvertText(text, LocaleCharset(), "UTF-8");
}

std::string Utf8ToLocale(const std::string& text) {
  return ConvertText(text, "UTF-8", LocaleCharset());
}

}  // namespace tolvar::platform::desktop
