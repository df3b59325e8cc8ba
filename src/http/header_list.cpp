#include "http/header_list.h"

#include "http/token.h"
#include "http/wrap_at_breaks.h"

namespace tolvar::http {
namespace {

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

}  // namespace

void TNetHeaderList::Insert(std::size_t index, std::string line) {
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

void TNetHeaderList::Delete(std::size_t index) {
  FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string TNetHeaderList::Text() const {
  std::string text;
  for (const auto& line : FLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TNetHeaderList::SetText(std::string_view text) {
  FLines.clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    FLines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) FLines.emplace_back(text.substr(start));
}

std::string TNetHeaderList::NameAt(std::size_t index) const {
  const std::string& line = FLines[index];
  std::size_t colon = line.find(':');
  if (colon == std::string::npos) return std::string();
  std::string name = TrimRight(std::string_view(line).substr(0, colon));
  return CaseSensitiveNames ? name : UpperCase(name);
}

std::string TNetHeaderList::ValueAt(std::ptrdiff_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= FLines.size()) return std::string();
  auto i = static_cast<std::size_t>(index);
  const std::string& line = FLines[i];
  // Skips the name and the one byte after it, the ":".
  std::size_t skip = NameAt(i).size() + 1;
  std::string value = skip < line.size() ? line.substr(skip) : std::string();
  if (UnfoldOnRead) {
    for (std::size_t next = i + 1; next < FLines.size() && IsContinuation(FLines[next]); ++next) {
      value = Trim(value) + " " + Trim(FLines[next]);
    }
  }
  return Trim(value);
}

std::ptrdiff_t TNetHeaderList::FindName(std::string_view name) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (SameText(NameAt(i), name)) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

void TNetHeaderList::SetValueOf(std::string_view name, std::string_view value) {
  std::ptrdiff_t found = FindName(name);
  if (!value.empty()) {
    if (found < 0) {
      FLines.emplace_back();
      found = static_cast<std::ptrdiff_t>(FLines.size()) - 1;
    }
    auto i = static_cast<std::size_t>(found);
    std::string line = std::string(name) + Separator + std::string(value);
    if (FoldOnWrite) {
      RemoveContinuations(i);
      ReplaceFolded(line, i);
    } else {
      FLines[i] = line;
    }
  } else if (found >= 0) {
    auto i = static_cast<std::size_t>(found);
    if (FoldOnWrite) RemoveContinuations(i);
    Delete(i);
  }
}

void TNetHeaderList::CollectValues(std::string_view name, TNetHeaderList* destination) const {
  if (destination == nullptr) return;
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (SameText(NameAt(i), name)) destination->Add(ValueAt(static_cast<std::ptrdiff_t>(i)));
  }
}

std::vector<std::string> TNetHeaderList::FoldText(std::string_view line) const {
  std::string wrapped = WrapAtBreaks(line, "\r\n ", "\t ,", FoldWidth);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    std::size_t end = wrapped.find("\r\n", start);
    if (end == std::string::npos) {
      pieces.push_back(TrimRight(std::string_view(wrapped).substr(start)));
      break;
    }
    pieces.push_back(TrimRight(std::string_view(wrapped).substr(start, end - start)));
    start = end + 2;
  }
  return pieces;
}

void TNetHeaderList::ReplaceFolded(std::string_view line, std::size_t index) {
  std::vector<std::string> pieces = FoldText(line);
  FLines[index] = pieces.back();
  for (std::size_t k = pieces.size() - 1; k-- > 0;) Insert(index, pieces[k]);
}

void TNetHeaderList::RemoveContinuations(std::size_t index) {
  while (index + 1 < FLines.size() && IsContinuation(FLines[index + 1])) Delete(index + 1);
}

}  // namespace tolvar::http
