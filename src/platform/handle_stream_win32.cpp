#include <windows.h>

#include "platform/handle_stream.h"

namespace tolvar::platform {
namespace {

HANDLE Win(TOSHandle h) {
  return reinterpret_cast<HANDLE>(h);
}

std::string SystemText(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string s = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

std::int32_t THandleStream::Read(void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  DWORD n = 0;
  if (!ReadFile(Win(handle_), buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<std::int32_t>(n);
}

std::int32_t THandleStream::Write(const void* buffer, std::int32_t count) {
  std::int32_t done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (done < count) {
    DWORD n = 0;
    if (!WriteFile(Win(handle_), p + done, static_cast<DWORD>(count - done), &n, nullptr) || n == 0) break;
    done += static_cast<std::int32_t>(n);
  }
  return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                 : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                    : FILE_END;
  if (!SetFilePointerEx(Win(handle_), distance, &result, method)) return -1;
  return result.QuadPart;
}

void THandleStream::SetSize(std::int64_t size) {
  std::int64_t keep = Position();
  if (Seek(size, TSeekOrigin::soBeginning) < 0 || !SetEndOfFile(Win(handle_)))
    throw EStreamError("Stream size cannot be changed: " + SystemText(GetLastError()));
  Seek(keep < size ? keep : size, TSeekOrigin::soBeginning);
}

TFileStream::TFileStream(const std::string& name, TFileMode mode, TFileShare share)
    : THandleStream(kInvalidOSHandle), name_(name) {
  DWORD access = 0, disposition = OPEN_EXISTING;
  switch (mode) {
    case TFileMode::fmCreate:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case TFileMode::fmOpenRead:
      access = GENERIC_READ;
      break;
    case TFileMode::fmOpenWrite:
      access = GENERIC_WRITE;
      break;
    case TFileMode::fmOpenReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
  }
  const DWORD share_mode = share == TFileShare::fsExclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE h = CreateFileA(name.c_str(), access, share_mode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    throw EFileStreamError((mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"") + name +
                               "\". " + SystemText(code),
                           code, SystemText(code));
  }
  handle_ = reinterpret_cast<TOSHandle>(h);
}

TFileStream::~TFileStream() {
  if (handle_ != kInvalidOSHandle) CloseHandle(Win(handle_));
}

TTemporaryStream::TTemporaryStream() : THandleStream(kInvalidOSHandle) {
  char folder[MAX_PATH + 1] = {};
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  DWORD code = 0;
  if (n == 0 || n > MAX_PATH || GetTempFileNameA(folder, "tlv", 0, path) == 0) {
    code = GetLastError();
  } else {
    // Not shared, and deleted by the system when the handle closes, however
    // the process ends.
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle_ = reinterpret_cast<TOSHandle>(h);
      return;
    }
    code = GetLastError();
    DeleteFileA(path);
  }
  throw EFileStreamError("Cannot create file \"" + std::string(path[0] ? path : folder) + "\". " + SystemText(code),
                         code, SystemText(code));
}

TTemporaryStream::~TTemporaryStream() {
  if (handle_ != kInvalidOSHandle) CloseHandle(Win(handle_));
}

}  // namespace tolvar::platform
