// The few operating-system calls tagsift makes, one file per target
// (os_posix.cpp, os_win32.cpp). Handles are raw OS handles carried as an
// integer; all I/O is raw bytes, never text mode, never converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tagsift::filter::os {

using Handle = std::intptr_t;
// The invalid handle value of both targets (INVALID_HANDLE_VALUE, fd -1).
inline constexpr Handle kInvalidHandle = -1;

// Called once at start: on Linux ignores SIGPIPE, so a closed output pipe is
// a failed write as on Windows; sets up the locale for messages.
void Initialise();

Handle StdInput();
Handle StdOutput();
Handle StdError();

// Opens an existing file for reading (sharing read and write), or returns
// kInvalidHandle with LastError() telling why. A directory does not open.
Handle OpenRead(const std::string& name);
// Creates or truncates a file for writing.
Handle CreateWrite(const std::string& name);
void Close(Handle h);

// One read call; false when the call fails. *got is 0 at end of input.
bool Read(Handle h, char* buffer, std::size_t size, std::size_t* got);
// One write call; false when the call fails. *written may be short.
bool Write(Handle h, const char* bytes, std::size_t size, std::size_t* written);

// The last error of the failed call, as a Windows error code on both
// targets (2 for a missing file, 5 for access denied, ...).
unsigned long LastError();

// The program's arguments, token 0 being the program: argv on Linux, the raw
// command line split by SplitArguments on Windows.
std::vector<std::string> Arguments(int argc, char** argv);
// Full path of the running program.
std::string ProgramPath();
bool FileExists(const std::string& path);
// Asks the shell to open `document` with the "open" verb in `directory`;
// true when the shell reports success (Linux: xdg-open could be started).
bool ShellOpen(const std::string& document, const std::string& directory);

// Whether an argument that begins with "/" is a switch. Windows: always.
// Linux: not when it names an existing path or holds a further "/", so that
// absolute file names are read instead of being taken for unknown switches.
bool SlashStartsSwitch(const std::string& arg);

// Whether output lines and messages end in LF when neither -lu nor -ld is
// given: Linux (a CR would stay in each line a shell loop reads); Windows
// ends them in CR LF.
bool LfEndsLinesByDefault();

// Converts a text of the program's own (Shift_JIS bytes) into what reaches
// the user: unchanged on Windows; the locale's character set on Linux.
std::string ShowText(const std::string& sjis);

}  // namespace tagsift::filter::os
