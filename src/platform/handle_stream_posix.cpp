#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error_code_posix.h"
#include "platform/handle_stream.h"
#include "platform/system.h"

namespace tolvar::platform {
namespace {

int Fd(TOSHandle h) {
  return static_cast<int>(h);
}

}  // namespace

std::int32_t THandleStream::Read(void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  for (;;) {
    ssize_t n = ::read(Fd(handle_), buffer, static_cast<size_t>(count));
    if (n >= 0) return static_cast<std::int32_t>(n);
    if (errno != EINTR) return 0;
  }
}

std::int32_t THandleStream::Write(const void* buffer, std::int32_t count) {
  std::int32_t done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (done < count) {
    ssize_t n = ::write(Fd(handle_), p + done, static_cast<size_t>(count - done));
    if (n > 0) {
      done += static_cast<std::int32_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(Fd(handle_), static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<std::int64_t>(r);
}

void THandleStream::SetSize(std::int64_t size) {
  if (::ftruncate(Fd(handle_), static_cast<off_t>(size)) != 0)
    throw EStreamError(std::string("Stream size cannot be changed: ") + std::strerror(errno));
  if (Position() > size) Seek(size, TSeekOrigin::soBeginning);
}

TFileStream::TFileStream(const std::string& name, TFileMode mode, TFileShare /*share*/)
    : THandleStream(kInvalidOSHandle), name_(name) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::fmCreate:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case TFileMode::fmOpenRead:
      flags |= O_RDONLY;
      break;
    case TFileMode::fmOpenWrite:
      flags |= O_WRONLY;
      break;
    case TFileMode::fmOpenReadWrite:
      flags |= O_RDWR;
      break;
  }
  int fd = ::open(name.c_str(), flags, 0666);
  int err = errno;
  if (fd >= 0) {
    // As on Windows, a directory is not a file that opens.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      fd = -1;
      err = EISDIR;
    }
  }
  if (fd < 0) {
    // The text is that of the code, so that the message and the code agree
    // (a directory is "access denied" on both targets).
    const unsigned long code = ::platform::WindowsErrorCode(err);
    throw EFileStreamError((mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"") + name +
                               "\". " + ::platform::SystemErrorText(code),
                           code, ::platform::SystemErrorText(code));
  }
  handle_ = fd;
}

TFileStream::~TFileStream() {
  if (handle_ != kInvalidOSHandle) ::close(Fd(handle_));
}

}  // namespace tolvar::platform
