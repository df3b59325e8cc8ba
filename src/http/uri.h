// One URL split into its parts. Every part is a byte string in the system
// code page; nothing is decoded or encoded.
//
// After parsing an absolute URL, Path starts and ends with "/", and
// Path + Document + Params is the origin-form request target.
#pragma once

#include <string>
#include <string_view>

namespace tolvar::http {

class TNetURI {
 public:
  TNetURI() = default;
  // Parses at once unless the text is empty.
  explicit TNetURI(std::string_view text);

  // Replaces every part. Never fails: missing parts stay empty.
  void ParseURI(std::string_view text);
  // The text built from the parts; ENetURIException without protocol or host.
  std::string ComposeURI(bool with_user_info, bool with_fragment) const;
  // Sets URI to the full composition and returns it without user info and
  // fragment: the request target for an HTTP proxy.
  std::string AbsoluteURI();

  // Backslashes become slashes; the trail byte of a double-byte character is
  // never taken for one.
  static std::string NormalizeSlashes(std::string_view text);

  std::string Protocol;
  std::string Username;
  std::string Password;
  std::string Host;
  std::string Port;
  std::string Path;
  std::string Document;
  std::string Params;
  std::string Fragment;
  std::string URI;
};

// Resolves `path` against `base` with `delimiter` as the separator: an
// absolute path wins unchanged, ".." removes one segment, runs of the
// delimiter collapse to one.
std::string MergePath(std::string_view base, std::string_view path, std::string_view delimiter);

}  // namespace tolvar::http
