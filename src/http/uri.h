// One URL split into its parts. Every part is a byte string in the system
// code page; nothing is decoded or encoded.
//
// After parsing an absolute URL, Path starts and ends with "/", and
// Path + Document + Params is the origin-form request target.
#pragma once

#include <cstddef>
#include <optional>
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

// Where ParseURI finds the user information of `text`, in 0-based byte
// offsets into `text` itself (a backslash counts as the slash ParseURI reads
// it as; the lengths are the same): bytes [begin, at) are "user:password",
// either part possibly empty, and `at` is the "@" that ends them, the first
// one in the authority. `host_holds_at`: another "@" follows in the
// authority, so it belongs to the host or port. Absent when the text has no
// "://" or its authority no "@". Every caller that must find, hide or wipe
// the credentials of a URL asks this, so none can disagree with the request.
struct TNetUserInfoPlace {
  std::size_t begin = 0;
  std::size_t at = 0;
  bool host_holds_at = false;
};
std::optional<TNetUserInfoPlace> FindUserInfo(std::string_view text);

// Resolves `path` against `base` with `delimiter` as the separator: an
// absolute path wins unchanged, ".." removes one segment, runs of the
// delimiter collapse to one.
std::string MergePath(std::string_view base, std::string_view path, std::string_view delimiter);

}  // namespace tolvar::http
