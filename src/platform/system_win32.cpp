#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/system.h"

namespace tolvar::platform {
namespace {

HANDLE ToWin(TOSHandle h) {
  return reinterpret_cast<HANDLE>(h);
}

bool IsPathDelimiter(char c) {
  return c == '\\' || c == '/' || c == ':';
}

std::size_t LastDelimiter(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsPathDelimiter(path[i - 1])) return i - 1;
  return std::string::npos;
}

}  // namespace

void InitialiseProcess() {}

ProcessCommandLine GetProcessCommandLine(int, char**) {
  ProcessCommandLine cl;
  cl.is_raw = true;
  const char* raw = GetCommandLineA();
  cl.raw = raw ? raw : "";
  return cl;
}

std::string GetModulePath() {
  std::vector<char> buf(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return "tolvar.exe";
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);  // cut: try again with more room
  }
}

bool GetLoginName(std::string* name) {
  char buf[260];
  DWORD size = sizeof buf;
  if (!GetUserNameA(buf, &size) || size == 0) return false;
  // The count includes the terminating zero.
  *name = std::string(buf, size - 1);
  return true;
}

bool ReadFileVersion(const std::string& path, std::string* version) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> data(size + 4, '\0');
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return false;
  // Language in the low word, code page in the high word; Japanese with code
  // page 932 when the resource names no translation.
  unsigned language = 0x0411;
  unsigned code_page = 0x03A4;
  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) && value && length >= sizeof(DWORD)) {
    const DWORD entry = *static_cast<const DWORD*>(value);
    language = LOWORD(entry);
    code_page = HIWORD(entry);
  }
  char block[64];
  std::snprintf(block, sizeof block, "\\StringFileInfo\\%.4X%.4X\\FileVersion", language, code_page);
  if (!VerQueryValueA(data.data(), block, &value, &length) || !value) return false;
  // length counts characters including the terminating zero, when present.
  const char* text = static_cast<const char*>(value);
  std::size_t n = 0;
  while (n < length && text[n] != '\0') ++n;
  *version = std::string(text, n);
  return true;
}

bool ShellOpen(const std::string& document) {
  HINSTANCE rc = ShellExecuteA(nullptr, "open", document.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Success is a value above 32.
  return reinterpret_cast<INT_PTR>(rc) > 32;
}

bool FileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
  // A name of this process's own beside `path`. CREATE_NEW never opens what
  // is there already, a planted link included.
  std::string temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    temp = path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  if (ok && !FlushFileBuffers(h)) ok = false;
  if (!CloseHandle(h)) ok = false;
  // Replaces a link at `path` itself, not what it points to.
  if (ok && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) ok = false;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

std::string PathDirectory(const std::string& path) {
  const std::size_t d = LastDelimiter(path);
  return d == std::string::npos ? std::string() : path.substr(0, d + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::size_t d = LastDelimiter(path);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (d != std::string::npos && dot < d)) return path + ext;
  return path.substr(0, dot) + ext;
}

TOSHandle GetStdHandle(StdStream which) {
  const DWORD id = which == StdStream::kInput    ? STD_INPUT_HANDLE
                   : which == StdStream::kOutput ? STD_OUTPUT_HANDLE
                                                 : STD_ERROR_HANDLE;
  return reinterpret_cast<TOSHandle>(::GetStdHandle(id));
}

HandleKind GetHandleKind(TOSHandle handle) {
  switch (GetFileType(ToWin(handle))) {
    case FILE_TYPE_DISK:
      return HandleKind::kDisk;
    case FILE_TYPE_CHAR:
      return HandleKind::kChar;
    case FILE_TYPE_PIPE:
      return HandleKind::kPipe;
    default:
      return HandleKind::kUnknown;
  }
}

bool LfEndsLinesByDefault() {
  return false;
}

void WriteStdErr(const std::string& bytes) {
  HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    if (!WriteFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr) || n == 0) return;
    done += n;
  }
}

unsigned long LastErrorCode() {
  return GetLastError();
}

std::string SystemErrorText(unsigned long code) {
  char* text = nullptr;
  const DWORD n =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\r' || result.back() == '\n')) result.pop_back();
  return result;
}

std::string ToUserText(const std::string& sjis) {
  return sjis;
}

void ShowErrorBox(const std::string& caption, const std::string& text, bool) {
  MessageBoxA(GetDesktopWindow(), text.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
}

std::string FullPathName(const std::string& path) {
  char buf[MAX_PATH * 4];
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
  if (n == 0 || n >= sizeof buf) return path;
  return std::string(buf, n);
}

bool IsOpenHandle(TOSHandle handle, unsigned long* code) {
  HANDLE h = ToWin(handle);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) {
    *code = ERROR_INVALID_HANDLE;
    return false;
  }
  DWORD flags = 0;
  if (GetHandleInformation(h, &flags)) return true;
  *code = GetLastError();
  return false;
}

long ReadHandle(TOSHandle handle, void* buffer, long count) {
  DWORD n = 0;
  if (ReadFile(ToWin(handle), buffer, static_cast<DWORD>(count), &n, nullptr)) return static_cast<long>(n);
  // A pipe whose writer has gone is the end of the input, not a failure.
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

bool UnreadHandle(TOSHandle handle, long count) {
  // Moving the position of a pipe or console is undefined: disk files only.
  if (GetFileType(ToWin(handle)) != FILE_TYPE_DISK) return false;
  LARGE_INTEGER back;
  back.QuadPart = -static_cast<LONGLONG>(count);
  return SetFilePointerEx(ToWin(handle), back, nullptr, FILE_CURRENT) != FALSE;
}

}  // namespace tolvar::platform
