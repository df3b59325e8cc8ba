#include "http/uri.h"

#include "http/exceptions.h"
#include "http/token.h"
#include "platform/codepage.h"

namespace tolvar::http {
namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return !tail.empty() && text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Document, Params and the slash position of the path part of `w`: the path
// ends at the last "/" before the query, where a lone "=" also starts one.
void SplitPathPart(const std::string& w, std::string& path, std::string& document, std::string& params) {
  std::size_t q = FirstPosOf("?", w);
  if (q == 0) q = FirstPosOf("=", w);
  std::size_t s = q > 0 ? LastPosOf("/", w, static_cast<std::ptrdiff_t>(q)) : LastPosOf("/", w, kFromEnd);
  path = w.substr(0, s);
  if (q > 0) {
    document = w.substr(0, q - 1);
    params = w.substr(q - 1);
  } else {
    document = w;
  }
  document.erase(0, s);
}

// Where the authority of `w` (backslashes already slashes) lies, in 0-based
// offsets: after the first "://", up to the next "/" or the end of the text.
struct AuthorityPlace {
  std::size_t scheme_end = 0;  // where "://" starts
  std::size_t begin = 0;       // the first byte after "://"
  std::size_t end = 0;         // the "/" that ends it, or the size of `w`
  std::size_t at = 0;          // the first "@" inside it; npos when none
};

std::optional<AuthorityPlace> FindAuthority(std::string_view w) {
  const std::size_t p = FirstPosOf("://", w);
  if (p == 0) return std::nullopt;
  AuthorityPlace a;
  a.scheme_end = p - 1;
  a.begin = a.scheme_end + 3;
  const std::size_t slash = FirstPosOf("/", w.substr(a.begin));
  a.end = slash > 0 ? a.begin + slash - 1 : w.size();
  const std::size_t at = FirstPosOf("@", w.substr(a.begin, a.end - a.begin));
  a.at = at > 0 ? a.begin + at - 1 : std::string::npos;
  return a;
}

}  // namespace

std::optional<TNetUserInfoPlace> FindUserInfo(std::string_view text) {
  const std::string w = TNetURI::NormalizeSlashes(text);
  const std::optional<AuthorityPlace> a = FindAuthority(w);
  if (!a || a->at == std::string::npos) return std::nullopt;
  TNetUserInfoPlace place;
  place.begin = a->begin;
  place.at = a->at;
  place.host_holds_at = FirstPosOf("@", std::string_view(w).substr(a->at + 1, a->end - a->at - 1)) > 0;
  return place;
}

TNetURI::TNetURI(std::string_view text) {
  if (!text.empty()) ParseURI(text);
}

std::string TNetURI::NormalizeSlashes(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (platform::IsLeadByte(static_cast<unsigned char>(out[i]))) {
      ++i;
    } else if (out[i] == '\\') {
      out[i] = '/';
    }
  }
  return out;
}

void TNetURI::ParseURI(std::string_view text) {
  URI = NormalizeSlashes(text);
  std::string w = URI;
  Protocol.clear();
  Username.clear();
  Password.clear();
  Host.clear();
  Port.clear();
  Path.clear();
  Document.clear();
  Params.clear();
  Fragment.clear();

  if (const std::optional<AuthorityPlace> a = FindAuthority(w)) {
    Protocol = w.substr(0, a->scheme_end);
    std::string authority = w.substr(a->begin, a->end - a->begin);
    if (a->at != std::string::npos) {
      Password = w.substr(a->begin, a->at - a->begin);
      authority.erase(0, a->at - a->begin + 1);
    }
    w.erase(0, a->end < w.size() ? a->end + 1 : w.size());
    Username = TakeToken(Password, ":");
    if (Username.empty()) Password.clear();  // a password without a user is dropped
    Host = TakeToken(authority, ":");
    Port = authority;
    SplitPathPart(w, Path, Document, Params);
    Path.insert(0, "/");
    Fragment = Document;
    Document = TakeToken(Fragment, "#");
  } else {
    SplitPathPart(w, Path, Document, Params);
  }
  if (Fragment.empty()) {
    Fragment = Params;
    Params = TakeToken(Fragment, "#");
  }
}

std::string TNetURI::ComposeURI(bool with_user_info, bool with_fragment) const {
  if (Protocol.empty()) throw ENetURIException("Protocol field is empty");
  std::string text = Protocol + "://";
  if (!Username.empty() && with_user_info) {
    text += Username;
    if (!Password.empty()) text += ":" + Password;
    text += "@";
  } else if (Host.find('@') != std::string::npos || Port.find('@') != std::string::npos) {
    // A host or port holds an "@" only when its authority held two. Written
    // bare, a second parse (or a proxy) would take that "@" for the end of a
    // user info and see another host; an empty user info before it keeps the
    // host whole.
    text += "@";
  }
  if (Host.empty()) throw ENetURIException("Host field is empty");
  text += Host;
  if (!Port.empty()) text += ":" + Port;
  text += Path + Document + Params;
  if (!Fragment.empty() && with_fragment) text += "#" + Fragment;
  return text;
}

std::string TNetURI::AbsoluteURI() {
  std::string full = ComposeURI(true, true);
  std::string target = ComposeURI(false, false);
  URI = full;
  return target;
}

std::string MergePath(std::string_view base, std::string_view path, std::string_view delimiter) {
  if (delimiter.empty() || FirstPosOf(delimiter, path) == 1) return std::string(path);
  bool keep_trail = path.empty() || EndsWith(path, delimiter);
  std::string w(base);
  if (!w.empty() && !EndsWith(w, delimiter)) w += delimiter;
  w += path;

  std::string r;
  for (std::size_t i = 0; i < w.size();) {
    if (w.compare(i, delimiter.size(), delimiter) == 0) {
      if (i == 0) {
        r = delimiter;
      } else if (!EndsWith(r, delimiter)) {
        r += delimiter;
      }
      i += delimiter.size();
    } else if (w[i] == '.' && i + 1 < w.size() && w[i + 1] == '.' && EndsWith(r, delimiter)) {
      // ".." drops the last segment; the delimiter before it stays.
      r.erase(r.size() - delimiter.size());
      std::size_t prev = r.rfind(delimiter);
      r.erase(prev == std::string::npos ? 0 : prev + delimiter.size());
      i += 2;
    } else {
      r += w[i++];
    }
  }
  if (EndsWith(r, delimiter) && r != delimiter && !keep_trail) r.erase(r.size() - delimiter.size());
  return r;
}

}  // namespace tolvar::http
