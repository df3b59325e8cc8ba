#include "filter/tag_param.h"

#include <cstring>

namespace tagsift::filter {
namespace {

// A blank is any byte at or below 0x20: space, tab, CR, LF, other controls.
inline bool IsBlank(unsigned char c) {
  return c <= 0x20;
}

// ASCII upper case only; bytes 0x80 and above compare as they are.
inline unsigned char Upper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

// The first byte equal to c in [p, end), or end.
inline const unsigned char* Find(const unsigned char* p, const unsigned char* end, unsigned char c) {
  const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
  return hit ? static_cast<const unsigned char*>(hit) : end;
}

}  // namespace

TTagParam::TTagParam(bool unix_style) : FParameter("HREF") {
  SetUnixStyle(unix_style);
  ResetScan();
}

TTagParam::~TTagParam() {
  ResetScan();
}

void TTagParam::ResetScan() {
  Reset();
}

void TTagParam::SetParameter(std::string_view name) {
  FParameter.clear();
  for (char c : name) FParameter.push_back(static_cast<char>(Upper(static_cast<unsigned char>(c))));
}

std::string TTagParam::ScanText(std::string_view text) {
  return ScanBuffer(text.data(), text.size());
}

std::string TTagParam::ScanBuffer(const char* bytes, std::size_t count) {
  std::string out;
  if (count != 0) ScanAppend(bytes, count, out);
  return out;
}

std::string TTagParam::ScanByte(unsigned char c) {
  std::string out;
  char b = static_cast<char>(c);
  ScanAppend(&b, 1, out);
  return out;
}

// One transition per byte, exactly as the state table says. The states in
// which most bytes change nothing (Seek, the quoted values, Bare) skip ahead
// with memchr or a plain loop and copy whole runs at once; every skipped
// byte takes the transition "stay" with the piece it would have given alone.
void TTagParam::ScanAppend(const char* bytes, std::size_t count, std::string& out) {
  if (FParameter.empty()) {
    out.append(bytes, count);
    return;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  const unsigned char* const end = p + count;
  const auto first = static_cast<unsigned char>(FParameter[0]);
  // The lower-case twin of the first byte, or the same byte for non-letters.
  const unsigned char first_lower =
      (first >= 'A' && first <= 'Z') ? static_cast<unsigned char>(first + ('a' - 'A')) : first;
  const std::size_t name_len = FParameter.size();
  // Null or before p: not searched yet.
  const unsigned char* next_upper = nullptr;
  const unsigned char* next_lower = nullptr;

  while (p < end) {
    switch (FState) {
      case State::Seek: {
        // The next place of each case of the first byte, found once and kept
        // until the scan passes it, so a rare twin is not searched for again
        // after every hit of the other.
        if (!next_upper || next_upper < p) next_upper = Find(p, end, first);
        if (first_lower != first && (!next_lower || next_lower < p)) next_lower = Find(p, end, first_lower);
        const unsigned char* hit = first_lower != first && next_lower < next_upper ? next_lower : next_upper;
        if (hit == end) return;  // every remaining byte: Seek -> Seek, no piece
        p = hit + 1;
        if (name_len == 1) {
          FState = State::AfterName;
          FIndex = 1;
        } else {
          FState = State::NameMatch;
          FIndex = 2;
        }
        break;
      }
      case State::NameMatch: {
        if (Upper(*p) == static_cast<unsigned char>(FParameter[FIndex - 1])) {
          ++FIndex;
          if (FIndex > name_len) {
            FState = State::AfterName;
            FIndex = 1;
          }
        } else {
          Reset();  // naive: the breaking byte is not tried as a new start
        }
        ++p;
        break;
      }
      case State::AfterName: {
        unsigned char c = *p++;
        if (c == '=')
          FState = State::AfterEquals;
        else if (!IsBlank(c))
          Reset();
        break;
      }
      case State::AfterEquals: {
        unsigned char c = *p++;
        if (IsBlank(c)) break;
        if (c == '"')
          FState = State::DoubleQuoted;
        else if (c == '\'')
          FState = State::SingleQuoted;
        else if (c == '>')
          Reset();  // an empty value yields no line
        else {
          out.push_back(static_cast<char>(c));
          FState = State::Bare;
        }
        break;
      }
      case State::DoubleQuoted:
      case State::SingleQuoted: {
        const unsigned char quote = FState == State::DoubleQuoted ? '"' : '\'';
        const auto* close = static_cast<const unsigned char*>(std::memchr(p, quote, static_cast<std::size_t>(end - p)));
        const unsigned char* stop = close ? close : end;
        out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(stop - p));
        if (!close) return;
        out.append(FLineEnd);
        Reset();
        p = close + 1;
        break;
      }
      case State::Bare: {
        const unsigned char* q = p;
        while (q < end && !IsBlank(*q)) ++q;
        out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
        if (q == end) return;
        out.append(FLineEnd);
        Reset();
        p = q + 1;
        break;
      }
    }
  }
}

}  // namespace tagsift::filter
