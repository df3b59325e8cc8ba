// A message for the user made of two kinds of bytes: the program's own text
// (Shift_JIS) and data that came from the user or the system (a path, a URL,
// an error text). Where the user's character set is not Shift_JIS (Linux),
// only the program's own text may be converted: a path is a name on disk,
// and converting it as if it were Shift_JIS garbles it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvar::client {

class TMessageText {
 public:
  TMessageText() = default;
  // A message that starts with the program's own text.
  explicit TMessageText(std::string_view own) { Own(own); }

  // Appends the program's own Shift_JIS text.
  TMessageText& Own(std::string_view sjis);
  // Appends bytes that reach the user as they are.
  TMessageText& Data(std::string_view bytes);

  // Every part unconverted, in order: what Windows shows.
  std::string Bytes() const;
  // The message as it reaches the user on this platform: the own parts in
  // the user's character set, the data parts unchanged.
  std::string ForUser() const;

 private:
  struct Part {
    bool own;
    std::string bytes;
  };
  std::vector<Part> parts_;
};

}  // namespace tolvar::client
