// The tag scanner: its buffer path agrees with a plain one-byte-at-a-time
// reference of the state table, and every split of the input into two
// chunks gives the same output as the whole.
//
// Input: one byte of settings (bit 0: LF line ends; bits 1-3: length of
// the parameter name, 0 being the copy mode), the name, then the HTML.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "filter/tag_param.h"
#include "fuzz_check.h"

namespace {

// The state table, written as plainly as it reads.
class TReference {
 public:
  TReference(std::string name, bool unix_style) : name_(std::move(name)), eol_(unix_style ? "\n" : "\r\n") {
    for (char& c : name_)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }

  std::string Scan(std::string_view text) {
    std::string out;
    for (char b : text) Byte(static_cast<unsigned char>(b), out);
    return out;
  }

 private:
  enum { kSeek, kName, kAfterName, kAfterEquals, kDouble, kSingle, kBare };

  void Byte(unsigned char c, std::string& out) {
    if (name_.empty()) {
      out += static_cast<char>(c);
      return;
    }
    const unsigned char u = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
    const bool blank = c <= 0x20;
    switch (state_) {
      case kSeek:
        if (u == static_cast<unsigned char>(name_[0])) {
          state_ = name_.size() == 1 ? kAfterName : kName;
          index_ = 1;
        }
        break;
      case kName:
        if (u == static_cast<unsigned char>(name_[index_])) {
          if (++index_ == name_.size()) state_ = kAfterName;
        } else {
          state_ = kSeek;
        }
        break;
      case kAfterName:
        if (c == '=')
          state_ = kAfterEquals;
        else if (!blank)
          state_ = kSeek;
        break;
      case kAfterEquals:
        if (c == '"')
          state_ = kDouble;
        else if (c == '\'')
          state_ = kSingle;
        else if (c == '>')
          state_ = kSeek;
        else if (!blank) {
          out += static_cast<char>(c);
          state_ = kBare;
        }
        break;
      case kDouble:
      case kSingle:
        if (c == (state_ == kDouble ? '"' : '\'')) {
          out += eol_;
          state_ = kSeek;
        } else {
          out += static_cast<char>(c);
        }
        break;
      case kBare:
        if (blank) {
          out += eol_;
          state_ = kSeek;
        } else {
          out += static_cast<char>(c);
        }
        break;
    }
  }

  std::string name_;
  std::string eol_;
  int state_ = kSeek;
  std::size_t index_ = 0;
};

std::string Chunked(tagsift::filter::TTagParam& scanner, std::string_view html, std::size_t split) {
  scanner.ResetScan();
  std::string out;
  scanner.ScanAppend(html.data(), split, out);
  scanner.ScanAppend(html.data() + split, html.size() - split, out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool unix_style = (data[0] & 1) != 0;
  const std::size_t name_len = std::min<std::size_t>((data[0] >> 1) & 7, size - 1);
  const std::string name(reinterpret_cast<const char*>(data) + 1, name_len);
  const std::string_view html(reinterpret_cast<const char*>(data) + 1 + name_len, size - 1 - name_len);

  tagsift::filter::TTagParam scanner(unix_style);
  scanner.SetParameter(name);
  const std::string expected = TReference(name, unix_style).Scan(html);

  scanner.ResetScan();
  std::string whole;
  scanner.ScanAppend(html.data(), html.size(), whole);
  FUZZ_CHECK(whole == expected);

  scanner.ResetScan();
  FUZZ_CHECK(scanner.ScanBuffer(html.data(), html.size()) == expected);

  // Every split while that stays cheap; beyond, a spread of them plus the
  // places where the state changes most (around each "=" and quote).
  if (html.size() <= 1024) {
    for (std::size_t split = 0; split <= html.size(); ++split) FUZZ_CHECK(Chunked(scanner, html, split) == expected);
  } else {
    for (std::size_t split = 0; split <= html.size(); split += html.size() / 61 + 1)
      FUZZ_CHECK(Chunked(scanner, html, split) == expected);
    for (std::size_t i = 0; i < html.size() && i < 4096; ++i)
      if (html[i] == '=' || html[i] == '"' || html[i] == '\'') {
        FUZZ_CHECK(Chunked(scanner, html, i) == expected);
        FUZZ_CHECK(Chunked(scanner, html, i + 1) == expected);
      }
  }
  return 0;
}
