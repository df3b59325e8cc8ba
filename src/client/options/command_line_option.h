// Every setting of one tolvar transfer, filled from defaults, the stored
// switch string of the ini file and the process command line; one switch
// grammar serves both (SplitCommandLine, ParseArguments).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/support/message_text.h"
#include "client/support/rect.h"
#include "client/support/std_err.h"
#include "platform/command_line_wipe.h"
#include "platform/system.h"

namespace tolvar::client {

// FFlags bits.
enum : std::uint32_t {
  ofHelp = 1,       // -?: write and open the help page, then end
  ofUnixStyle = 2,  // -lu: message lines on standard error end in LF, not CR LF
  ofQuiet = 4,      // -q: no interaction; the run starts and ends by itself
  ofDosStyle = 8,   // -ld: message lines end in CR LF, whatever the platform's default
};

// Strings are bytes in the ANSI code page; empty means not set. Numbers
// stay text here (canonical decimal or empty); the controller converts them.
// Values are never escaped.
class TCommandLineOption {
 public:
  // Sets the initial values: the program's own path, the ini file and the
  // version that follow from it, and the user agent of the Internet settings
  // (empty when it cannot be read). Touches no file.
  TCommandLineOption();
  // Blanks out the user name, the password and the URL (which may carry
  // credentials of its own) in place before release.
  ~TCommandLineOption();
  TCommandLineOption(const TCommandLineOption&) = delete;
  TCommandLineOption& operator=(const TCommandLineOption&) = delete;

  // The process command line: the raw string on Windows, argv on Linux.
  void ParseCommandLine(const platform::ProcessCommandLine& command_line);
  // Splits `text` with SplitCommandLine and applies the tokens.
  void ParseString(const std::string& text);
  // Applies `tokens` in order; token 0 is the program and is skipped. Later
  // switches override earlier ones; unknown switches and other tokens are
  // ignored, a value switch without its value keeps the field.
  void ParseArguments(const std::vector<std::string>& tokens);
  // The switch string that reproduces the savable settings, every piece
  // followed by a blank; never -0, -q, -?, -ld, -xu or -xp, so neither the
  // credentials nor a switch that turns the ini file off are ever stored.
  // The URL goes without its user information for the same reason. Values
  // are written in double quotes, or in single quotes when they hold a
  // double quote. A value holding CR or LF cannot be stored on one ini line,
  // nor one holding both kinds of quote in one token: it is left out and its
  // switch ("-u") appended to *left_out when given.
  std::string BuildCommandLine(std::vector<std::string>* left_out = nullptr) const;

  // Applies the current user's section of FIniFileName: the stored switch
  // string, then the window rectangle fitted into the work area. A missing
  // file, section or key changes nothing.
  void LoadFromIni();
  // Writes the current user's section. On failure returns false with the
  // text for the user in *failure ("<file> に書き込めません: Can't save ...").
  // Switches whose value was left out of the stored string (a line break in
  // it) are listed in *left_out; the rest is saved all the same.
  bool SaveToIni(TMessageText* failure, std::vector<std::string>* left_out = nullptr) const;
  // The same for a named section ("User.name"); the two above use
  // "User." + GetUserSectionName().
  void LoadFromIniSection(const std::string& section);
  bool SaveToIniSection(const std::string& section, TMessageText* failure,
                        std::vector<std::string>* left_out = nullptr) const;

  std::string FProgramPath;
  std::string FIniFileName;
  std::string FVersion;
  std::uint32_t FFlags = 0;
  std::int32_t FExitCode = 0;
  bool FIgnoreIni = false;  // -0, -q: the ini file is neither read nor written
  std::string FUrl;         // "-": one line of standard input, read later
  std::string FReferer;
  std::string FProxyHost;  // empty: a direct connection
  std::string FProxyPort;
  std::string FHeaderFile;  // empty: standard error
  std::string FBodyFile;    // empty: standard output
  std::string FRetrys;      // 0 to 99
  std::string FInterval;    // seconds, 0 to 999
  std::string FTimeOut;     // seconds, 0 to 9999
  std::string FUserName;    // never stored
  std::string FPassword;    // never stored
  std::string FUserAgent;
  std::uint8_t FMethod = 0;  // miGet, miPost, miPut
  std::string FPostPutData;  // a file name (-ff) or the text itself (-fs)
  bool FPostPutAsFileName = false;
  TRect FPositionMain = kUnsetRect;
  // Where the -xu and -xp values of the command line last parsed lie in it,
  // and the user information of its -u values (every one given, overridden
  // ones too): token and bytes for an argv, byte offsets for a raw command
  // line. Empty after a stored string.
  std::vector<platform::CommandLineSpan> FCredentialSpans;
  // What the last parse took no notice of, one line each for the user: an
  // unknown switch or a stray token, a method name that is not one, a number
  // beyond its field, request data that will not be sent.
  std::vector<std::string> FIgnored;
};

// The line end of message lines on standard error that `options` asks for:
// -lu or -ld, the later one winning; neither, the platform's own.
inline TLineEnd StdErrLineEnd(const TCommandLineOption& options) {
  if ((options.FFlags & ofUnixStyle) != 0) return TLineEnd::leLf;
  if ((options.FFlags & ofDosStyle) != 0) return TLineEnd::leCrLf;
  return platform::LfEndsLinesByDefault() ? TLineEnd::leLf : TLineEnd::leCrLf;
}

// Names the option set that main owns while the program body runs (null
// before start-up and after shutdown). Nothing reads it: every routine is
// handed the set it works on.
extern TCommandLineOption* CommandLineOption;

// Splits a command line or a stored switch string into tokens: bytes at or
// below 0x20 separate them; a token starting with " or ' runs to the same
// quote (or the end) and may be empty; there is no escape.
std::vector<std::string> SplitCommandLine(const std::string& text);
// The same with `first` as token 0, taken whole whatever it holds (blanks,
// quotes, a "/" or "-" after a blank), followed by the tokens of `text`.
std::vector<std::string> SplitCommandLine(const std::string& first, const std::string& text);
// Where each token of SplitCommandLine(text) starts in `text` (after its
// opening quote, for a quoted one).
std::vector<std::size_t> CommandLineTokenOffsets(const std::string& text);
// "*" and "..." are how a user writes an empty value.
bool IsPlaceholder(const std::string& text);
// Empty stays empty, a text that is no integer becomes empty, numbers are
// held within 0..limit and written in canonical decimal ("007" -> "7").
std::string ClampNumber(const std::string& text, int limit);

}  // namespace tolvar::client
