// What tolvar's front end asks of the operating system, one file per target
// (system_posix.cpp, system_win32.cpp). Texts are byte strings; handles are
// raw OS handles carried as an integer and never owned by these calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_handle.h"

namespace tolvar::platform {

// Once at program start: on Linux takes the character set of messages from
// the locale and ignores SIGPIPE, so that a closed pipe is a failed write as
// on Windows. Nothing on Windows.
void InitialiseProcess();

// How the process was started. Windows hands over the raw command line as
// one string (the program token included) for the program's own tokeniser;
// Linux has no such string and hands over argv, token 0 being the program.
struct ProcessCommandLine {
  bool is_raw = false;
  std::string raw;                  // when is_raw
  std::vector<std::string> tokens;  // otherwise
};
ProcessCommandLine GetProcessCommandLine(int argc, char** argv);

// Full path of the running program.
std::string GetModulePath();

// Login name of the user this process runs as; false when it cannot be had.
bool GetLoginName(std::string* name);

// The FileVersion text of a program file's version resource (Windows), or
// the version compiled into this program (Linux, whatever `path` is); false
// when there is none.
bool ReadFileVersion(const std::string& path, std::string* version);

// Asks the desktop to open `document` with its associated program, without
// waiting for it; true when that could be started (on Linux never without
// an X or Wayland display).
bool ShellOpen(const std::string& document);

bool FileExists(const std::string& path);
// Writes `bytes` to a new file beside `path` and renames it over `path`:
// `path` is then either its old self or the whole new content, and a link
// planted at `path` is replaced, never followed. On Linux the file is
// readable and writable by its owner only (0600); on Windows it takes the
// folder's permissions. False on any failure, which leaves `path` as it was.
bool ReplaceWholeFile(const std::string& path, const std::string& bytes);

// `path` as an absolute path (relative ones taken against the current
// directory); the path itself when that cannot be had. The file need not
// exist.
std::string FullPathName(const std::string& path);

// The directory part of a path with its trailing separator ("" when none).
std::string PathDirectory(const std::string& path);
// `path` with the extension of its last component replaced by `ext` (".ini").
std::string ChangeFileExt(const std::string& path, const std::string& ext);

enum class StdStream { kInput, kOutput, kError };
TOSHandle GetStdHandle(StdStream which);

// True when `handle` refers to an open file, pipe or device; otherwise
// false with the system's error code in *code.
bool IsOpenHandle(TOSHandle handle, unsigned long* code);

// Reads up to `count` bytes; the number read, 0 at the end of input, -1 on
// a failure (the code is then LastErrorCode()).
long ReadHandle(TOSHandle handle, void* buffer, long count);

// Moves the read position of `handle` back by `count` bytes when it is a
// regular (disk) file, so that those bytes are read again by whoever reads
// the handle next; false, changing nothing, for a pipe, terminal or device,
// whose bytes once read cannot be given back.
bool UnreadHandle(TOSHandle handle, long count);

enum class HandleKind { kUnknown, kDisk, kChar, kPipe };
HandleKind GetHandleKind(TOSHandle handle);

// Whether message lines end in LF when no switch says otherwise: Linux
// tools read lines up to LF alone (a CR would stay in the line); Windows
// programs end theirs in CR LF.
bool LfEndsLinesByDefault();

// Writes the bytes unchanged to standard error; failures are ignored.
void WriteStdErr(const std::string& bytes);

// The last error of the calling thread as a Windows system error code on
// both targets (GetLastError on Windows; on Linux errno in that convention),
// and the system's text for such a code, without a line end. Every code the
// platform layer hands upwards (EFileStreamError::Code() too) is of this
// kind, so the text always belongs to the code.
unsigned long LastErrorCode();
std::string SystemErrorText(unsigned long code);

// A text of the program's own (Shift_JIS bytes) as it reaches the user:
// unchanged on Windows; in the locale's character set on Linux (UTF-8 where
// the locale is plain ASCII), unchanged where it cannot be converted.
std::string ToUserText(const std::string& sjis);

// A modal error box owned by the desktop window with `caption` as its title
// (Windows); on Linux the text on standard error instead, ended by LF when
// `unix_lines`, else CR LF. `text` is shown as it is: it must already be in
// the user's character set (the program's own parts through ToUserText, a
// path or a system text left alone).
void ShowErrorBox(const std::string& caption, const std::string& text, bool unix_lines);

}  // namespace tolvar::platform
