// An ordered list of header lines ("Name: value", continuation lines start
// with a blank). Lines are stored exactly as added; values are unfolded when
// read and folded when written through SetValueOf.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolvar::http {

class TNetHeaderList {
 public:
  TNetHeaderList() = default;
  virtual ~TNetHeaderList() = default;
  TNetHeaderList(const TNetHeaderList&) = default;
  TNetHeaderList& operator=(const TNetHeaderList&) = default;

  // The plain string-list part: one entry per line, duplicates allowed.
  void Add(std::string line) { FLines.push_back(std::move(line)); }
  void Insert(std::size_t index, std::string line);
  void Delete(std::size_t index);
  void Clear() { FLines.clear(); }
  std::size_t Count() const { return FLines.size(); }
  const std::string& operator[](std::size_t index) const { return FLines[index]; }
  std::string& operator[](std::size_t index) { return FLines[index]; }
  const std::vector<std::string>& Lines() const { return FLines; }
  // Copies the lines only; the folding settings stay.
  void Assign(const TNetHeaderList& other) { FLines = other.FLines; }
  // Every line followed by CR LF.
  std::string Text() const;
  // Replaces the lines with `text` split at CR LF, LF or CR.
  void SetText(std::string_view text);

  // The text before the first ":", trailing blanks removed; upper-cased
  // unless CaseSensitiveNames. Empty for a line without ":".
  std::string NameAt(std::size_t index) const;
  // The value of the line, joined with its continuation lines when
  // UnfoldOnRead; empty for an index outside the list.
  std::string ValueAt(std::ptrdiff_t index) const;
  // Index of the first line named `name` (ignoring case), or -1.
  std::ptrdiff_t FindName(std::string_view name) const;
  std::string ValueOf(std::string_view name) const { return ValueAt(FindName(name)); }
  // Replaces the first line of that name in place, appends it when absent,
  // or deletes it (with its continuation lines) when the value is empty.
  void SetValueOf(std::string_view name, std::string_view value);
  // Appends the value of every line named `name`, in order; nothing when
  // `destination` is null.
  void CollectValues(std::string_view name, TNetHeaderList* destination) const;

  std::vector<std::string> FoldText(std::string_view line) const;
  void ReplaceFolded(std::string_view line, std::size_t index);
  void RemoveContinuations(std::size_t index);

  std::string Separator = ": ";
  bool CaseSensitiveNames = false;
  bool UnfoldOnRead = true;
  bool FoldOnWrite = true;
  int FoldWidth = 78;

 private:
  std::vector<std::string> FLines;
};

}  // namespace tolvar::http
