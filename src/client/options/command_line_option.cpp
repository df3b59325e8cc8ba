#include "client/options/command_line_option.h"

#include "client/support/file_version.h"
#include "client/support/method.h"
#include "client/support/text.h"
#include "client/support/url_text.h"
#include "client/support/wipe.h"
#include "http/uri.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace tolvar::client {

TCommandLineOption* CommandLineOption = nullptr;

namespace {

const char kInternetSettingsKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Walks a token list, handing out the value of the switch at the cursor.
class TokenCursor {
 public:
  explicit TokenCursor(const std::vector<std::string>& tokens) : tokens_(tokens) {}
  bool Next() { return ++index_ < tokens_.size(); }
  const std::string& Token() const { return tokens_[index_]; }

  // Puts the value of a switch of `letters` characters into `field`: the
  // rest of the token (trimmed when asked), else the next token, consumed,
  // untrimmed. False, with `field` unchanged, when neither exists.
  //
  // A value may be a password. The old content is blanked before the new
  // one is copied straight from the token into the field's own buffer, so
  // that no temporary string and no buffer given back by the field keeps a
  // copy of either.
  bool Value(std::size_t letters, bool trim_attached, std::string& field) {
    const std::string& token = tokens_[index_];
    if (token.size() > letters) {
      std::size_t begin = letters;
      std::size_t end = token.size();
      if (trim_attached) {
        while (begin < end && IsBlankOrControl(token[begin])) ++begin;
        while (end > begin && IsBlankOrControl(token[end - 1])) --end;
      }
      Replace(field, token, begin, end - begin);
      last_ = platform::CommandLineSpan{index_, begin, end - begin};
      return true;
    }
    if (index_ + 1 >= tokens_.size()) return false;
    const std::string& next = tokens_[++index_];
    Replace(field, next, 0, next.size());
    last_ = platform::CommandLineSpan{index_, 0, next.size()};
    return true;
  }
  // Where the value last taken lies among the tokens.
  const platform::CommandLineSpan& LastValue() const { return last_; }

 private:
  static void Replace(std::string& field, const std::string& source, std::size_t pos, std::size_t count) {
    WipeString(field);
    field.assign(source, pos, count);
  }

  const std::vector<std::string>& tokens_;
  std::size_t index_ = 0;
  platform::CommandLineSpan last_;
};

// A two-letter value switch: attached values trimmed, placeholders cleared.
// False when there was no value to take.
bool TakeValue(TokenCursor& cursor, std::string& field) {
  const bool taken = cursor.Value(2, true, field);
  if (IsPlaceholder(field)) field.clear();
  return taken;
}

// Whether `text` is a plain decimal number above `limit` (leading zeros and
// a plus sign allowed), which the field cannot hold.
bool AboveLimit(const std::string& text, int limit) {
  const std::string t = TrimControl(text);
  std::size_t i = !t.empty() && t[0] == '+' ? 1 : 0;
  if (i == t.size() || t.find_first_not_of("0123456789", i) != std::string::npos) return false;
  i = std::min(t.find_first_not_of('0', i), t.size());
  const std::string digits = t.substr(i);
  const std::string most = std::to_string(limit);
  return digits.size() != most.size() ? digits.size() > most.size() : digits > most;
}

void TakeNumber(TokenCursor& cursor, std::string& field, int limit, std::vector<std::string>& ignored) {
  const std::string sw = cursor.Token().substr(0, 2);
  TakeValue(cursor, field);
  if (AboveLimit(field, limit)) {
    ignored.push_back(sw + " " + TrimControl(field) + ": more than " + std::to_string(limit) + ", " +
                      std::to_string(limit) + " used");
  }
  field = ClampNumber(field, limit);
}

// A line break in a value would split the ini line that holds the switch
// string and plant keys or sections of its own.
bool HoldsLineBreak(const std::string& value) {
  return value.find_first_of("\r\n") != std::string::npos;
}

// A quoted token runs to the next byte equal to its opening quote, with no
// escape: a value holding a double quote is written in single quotes, and
// one holding both kinds cannot be written at all. Written in double quotes
// anyway, it would end early and the rest of it would be read back as
// switches of their own (a -q in a stored referer would silence the next run).
bool HoldsBothQuotes(const std::string& value) {
  return value.find('"') != std::string::npos && value.find('\'') != std::string::npos;
}

// Appends "-x value " pieces for the fields that are set. A value holding a
// line break or both kinds of quote is left out and its switch noted in
// `left_out`.
class SwitchWriter {
 public:
  SwitchWriter(std::string& out, std::vector<std::string>* left_out) : out_(out), left_out_(left_out) {}

  void Quoted(const char* sw, const std::string& value) { Piece(sw, value, true); }
  void Plain(const char* sw, const std::string& value) { Piece(sw, value, false); }

 private:
  void Piece(const char* sw, const std::string& value, bool quoted) {
    if (value.empty()) return;
    if (HoldsLineBreak(value) || HoldsBothQuotes(value)) {
      if (left_out_) left_out_->push_back(sw);
      return;
    }
    const char* quote = !quoted ? "" : value.find('"') != std::string::npos ? "'" : "\"";
    out_ += std::string(sw) + " " + quote + value + quote + " ";
  }

  std::string& out_;
  std::vector<std::string>* left_out_;
};

}  // namespace

TCommandLineOption::TCommandLineOption()
    : FProgramPath(platform::GetModulePath()),
      FIniFileName(platform::SettingsFilePath(FProgramPath)),
      FVersion(GetFileVersionString(FProgramPath)) {
  // The user agent is a nicety: no failure of the lookup may stop start-up.
  try {
    std::string agent;
    if (platform::ReadCurrentUserString(kInternetSettingsKey, "User Agent", &agent)) FUserAgent = agent;
  } catch (...) {
    FUserAgent.clear();
  }
}

TCommandLineOption::~TCommandLineOption() {
  WipeString(FUserName);
  WipeString(FPassword);
  // The URL may carry a user name and a password of its own.
  WipeString(FUrl);
}

void TCommandLineOption::ParseCommandLine(const platform::ProcessCommandLine& command_line) {
  if (!command_line.is_raw) {
    ParseArguments(command_line.tokens);
    return;
  }
  std::vector<std::string> tokens = SplitCommandLine(command_line.raw);
  ParseArguments(tokens);
  for (std::string& token : tokens) WipeString(token);
  // The spans count within tokens; the raw line is one text.
  const std::vector<std::size_t> offsets = CommandLineTokenOffsets(command_line.raw);
  for (platform::CommandLineSpan& span : FCredentialSpans) {
    span.begin += offsets[span.token];
    span.token = 0;
  }
}

void TCommandLineOption::ParseString(const std::string& text) {
  std::vector<std::string> tokens = SplitCommandLine(text);
  ParseArguments(tokens);
  // The tokens may hold a user name or a password.
  for (std::string& token : tokens) WipeString(token);
  // Places in a stored string are no places on the command line.
  FCredentialSpans.clear();
}

void TCommandLineOption::ParseArguments(const std::vector<std::string>& tokens) {
  FCredentialSpans.clear();
  FIgnored.clear();
  TokenCursor cursor(tokens);
  bool end_of_switches = false;
  // Which kinds of request data this parse gave: text, a file name.
  bool data_text = false;
  bool data_file = false;
  while (cursor.Next()) {
    const std::string& token = cursor.Token();
    if (end_of_switches) continue;
    if (token.size() < 2 || (token[0] != '-' && token[0] != '/')) {
      FIgnored.push_back("\"" + token + "\": not a switch nor the value of one, ignored");
      continue;
    }
    const bool has_third = token.size() > 2;
    const char third = has_third ? Upper(token[2]) : '\0';
    std::string value;
    switch (Upper(token[1])) {
      case '-':
        end_of_switches = true;
        break;
      case '0':
        FIgnoreIni = !(has_third && (third == '-' || third == 'N'));
        break;
      case 'Q':
        FFlags |= ofQuiet;
        FIgnoreIni = true;
        break;
      case 'L':
        if (third == 'U') FFlags = (FFlags & ~std::uint32_t{ofDosStyle}) | ofUnixStyle;
        if (third == 'D') FFlags = (FFlags & ~std::uint32_t{ofUnixStyle}) | ofDosStyle;
        break;
      case '?':
        FFlags |= ofHelp;
        break;
      case 'U':
        // The user name and password inside a URL are as secret as -xu and
        // -xp: their bytes join the places to wipe.
        if (TakeValue(cursor, FUrl)) {
          const auto place = http::FindUserInfo(FUrl);
          if (place && place->at > place->begin) {
            platform::CommandLineSpan span = cursor.LastValue();
            span.begin += place->begin;
            span.size = place->at - place->begin;
            FCredentialSpans.push_back(span);
          }
        }
        break;
      case 'R':
        TakeValue(cursor, FReferer);
        break;
      case 'P':
        TakeValue(cursor, FProxyHost);
        break;
      case 'C':
        TakeValue(cursor, FProxyPort);
        break;
      case 'H':
        TakeValue(cursor, FHeaderFile);
        break;
      case 'B':
        TakeValue(cursor, FBodyFile);
        break;
      case 'A':
        TakeNumber(cursor, FRetrys, 99, FIgnored);
        break;
      case 'I':
        TakeNumber(cursor, FInterval, 999, FIgnored);
        break;
      case 'T':
        TakeNumber(cursor, FTimeOut, 9999, FIgnored);
        break;
      case 'F':
        if (third == 'M') {
          FMethod = cursor.Value(3, false, value) ? MethodFromText(value) : std::uint8_t{miGet};
          if (FMethod == miGet && !TrimControl(value).empty() && UpperAscii(TrimControl(value)) != "GET") {
            FIgnored.push_back("-fm " + value + ": not GET, POST or PUT, GET used");
          }
          break;
        }
        (third == 'F' ? data_file : data_text) = true;
        if (third == 'F' || third == 'S') {
          FPostPutAsFileName = third == 'F';
          cursor.Value(3, false, FPostPutData);
        } else {
          // "-f" alone takes the next token; "-fdata" sends "data" as it is.
          FPostPutAsFileName = false;
          cursor.Value(2, false, FPostPutData);
        }
        if (IsPlaceholder(FPostPutData)) FPostPutData.clear();
        break;
      case 'X':
        // Taken as given: a user name or password of "*" is a real one.
        if ((third == 'U' && cursor.Value(3, false, FUserName)) ||
            (third == 'P' && cursor.Value(3, false, FPassword))) {
          FCredentialSpans.push_back(cursor.LastValue());
        } else if (third != 'U' && third != 'P') {
          FIgnored.push_back(token + ": unknown switch, ignored");
        }
        break;
      default:
        FIgnored.push_back(token + ": unknown switch, ignored");
        break;
    }
  }
  if (data_text && data_file) {
    FIgnored.push_back(std::string("-fs and -ff both given: only the last one, ") +
                       (FPostPutAsFileName ? "-ff" : "-fs") + ", used");
  }
  if ((data_text || data_file) && FMethod == miGet) {
    FIgnored.push_back("request data given with GET: not sent (-fm POST or -fm PUT sends it)");
  }
}

std::string TCommandLineOption::BuildCommandLine(std::vector<std::string>* left_out) const {
  std::string out;
  SwitchWriter w(out, left_out);
  if (FFlags & ofUnixStyle) out += "-lu ";
  // The URL's own user name and password stay off the disk, as -xu and -xp do.
  w.Quoted("-u", UrlWithoutUserInfo(FUrl));
  w.Quoted("-r", FReferer);
  w.Quoted("-p", FProxyHost);
  w.Quoted("-c", FProxyPort);
  w.Quoted("-h", FHeaderFile);
  w.Quoted("-b", FBodyFile);
  w.Plain("-a", FRetrys);
  w.Plain("-i", FInterval);
  w.Plain("-t", FTimeOut);
  if (FMethod != miGet) out += std::string("-fm ") + MethodName(FMethod) + " ";
  w.Quoted(FPostPutAsFileName ? "-ff" : "-fs", FPostPutData);
  return out;
}

}  // namespace tolvar::client
