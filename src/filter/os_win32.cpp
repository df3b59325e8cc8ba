// <windows.h> must come first.
#include <windows.h>

#include <shellapi.h>

#include "filter/arguments.h"
#include "filter/os.h"

namespace tagsift::filter::os {
namespace {

HANDLE ToWin(Handle h) {
  return reinterpret_cast<HANDLE>(h);
}
Handle FromWin(HANDLE h) {
  return reinterpret_cast<Handle>(h);
}

unsigned long g_last_error = 0;

}  // namespace

void Initialise() {}

Handle StdInput() {
  return FromWin(GetStdHandle(STD_INPUT_HANDLE));
}
Handle StdOutput() {
  return FromWin(GetStdHandle(STD_OUTPUT_HANDLE));
}
Handle StdError() {
  return FromWin(GetStdHandle(STD_ERROR_HANDLE));
}

Handle OpenRead(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) g_last_error = GetLastError();
  return FromWin(h);
}

Handle CreateWrite(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) g_last_error = GetLastError();
  return FromWin(h);
}

void Close(Handle h) {
  if (h != kInvalidHandle) CloseHandle(ToWin(h));
}

bool Read(Handle h, char* buffer, std::size_t size, std::size_t* got) {
  DWORD n = 0;
  BOOL ok = ReadFile(ToWin(h), buffer, static_cast<DWORD>(size), &n, nullptr);
  *got = n;
  if (!ok) g_last_error = GetLastError();
  return ok != FALSE;
}

bool Write(Handle h, const char* bytes, std::size_t size, std::size_t* written) {
  DWORD n = 0;
  BOOL ok = WriteFile(ToWin(h), bytes, static_cast<DWORD>(size), &n, nullptr);
  *written = n;
  if (!ok) g_last_error = GetLastError();
  return ok != FALSE;
}

unsigned long LastError() {
  return g_last_error;
}

std::vector<std::string> Arguments(int, char**) {
  // The raw command line, split by the program's own rules rather than the
  // C runtime's, so that quoting behaves as documented.
  const char* raw = GetCommandLineA();
  return SplitArguments(raw ? raw : "");
}

std::string ProgramPath() {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

bool FileExists(const std::string& path) {
  DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ShellOpen(const std::string& document, const std::string& directory) {
  HINSTANCE rc = ShellExecuteA(nullptr, "open", document.c_str(), nullptr,
                               directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL);
  // ShellExecute reports success with a value above 32.
  return reinterpret_cast<INT_PTR>(rc) > 32;
}

bool SlashStartsSwitch(const std::string&) {
  return true;
}

bool LfEndsLinesByDefault() {
  return false;
}

std::string ShowText(const std::string& sjis) {
  return sjis;
}

}  // namespace tagsift::filter::os
