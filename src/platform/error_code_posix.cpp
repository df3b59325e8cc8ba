#include "platform/error_code_posix.h"

#include <cerrno>
#include <iterator>

namespace tolvar::platform {
namespace {

// The first errno listed for a code is the one whose text the code shows.
struct Pair {
  int error_number;
  unsigned long code;
};
constexpr Pair kPairs[] = {
    {ENOENT, 2},          // ERROR_FILE_NOT_FOUND
    {ENOTDIR, 3},         // ERROR_PATH_NOT_FOUND
    {EMFILE, 4},          // ERROR_TOO_MANY_OPEN_FILES
    {ENFILE, 4},          //
    {EACCES, 5},          // ERROR_ACCESS_DENIED
    {EPERM, 5},           //
    {EISDIR, 5},          //
    {EROFS, 5},           //
    {EBADF, 6},           // ERROR_INVALID_HANDLE
    {ENOMEM, 8},          // ERROR_NOT_ENOUGH_MEMORY
    {EXDEV, 17},          // ERROR_NOT_SAME_DEVICE
    {ETXTBSY, 32},        // ERROR_SHARING_VIOLATION
    {EOPNOTSUPP, 50},     // ERROR_NOT_SUPPORTED
    {ENOSYS, 50},         //
    {EEXIST, 80},         // ERROR_FILE_EXISTS
    {EINVAL, 87},         // ERROR_INVALID_PARAMETER
    {EPIPE, 109},         // ERROR_BROKEN_PIPE
    {ENOSPC, 112},        // ERROR_DISK_FULL
    {ENOTEMPTY, 145},     // ERROR_DIR_NOT_EMPTY
    {EBUSY, 170},         // ERROR_BUSY
    {ENAMETOOLONG, 206},  // ERROR_FILENAME_EXCED_RANGE
    {EFBIG, 223},         // ERROR_FILE_TOO_LARGE
    {EIO, 1117},          // ERROR_IO_DEVICE
    {EDQUOT, 1295},       // ERROR_DISK_QUOTA_EXCEEDED
    {ELOOP, 1921},        // ERROR_CANT_RESOLVE_FILENAME
};

}  // namespace

unsigned long WindowsErrorCode(int error_number) {
  if (error_number == 0) return 0;
  for (const Pair& p : kPairs) {
    if (p.error_number == error_number) return p.code;
  }
  return kForeignErrnoFlag | static_cast<unsigned long>(error_number);
}

int ErrnoOfWindowsCode(unsigned long code) {
  if (code == 0) return 0;
  if (code & kForeignErrnoFlag) return static_cast<int>(code & ~kForeignErrnoFlag);
  for (const Pair& p : kPairs) {
    if (p.code == code) return p.error_number;
  }
  return -1;
}

}  // namespace tolvar::platform
