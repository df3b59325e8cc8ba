#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "platform/error_code_posix.h"
#include "platform/handle_stream.h"
#include "platform/system.h"

namespace tolvar::platform {
namespace {

int Fd(TOSHandle h) {
  return static_cast<int>(h);
}

// Linux has no sharing modes, so a file that this process holds open is
// refused to a second opener here as Windows refuses it: either opener
// asking for the file to itself fails the second one with a sharing
// violation. Without that, a header file that names the body file (or a
// link to it) would overwrite the body that was just received. Only
// regular files count (devices such as /dev/null are shared freely, as NUL
// is on Windows), and only this process's own opens: other processes are
// not seen.
using FileIdentity = std::pair<std::uint64_t, std::uint64_t>;
struct Holders {
  int shared = 0;
  int exclusive = 0;
};
std::mutex g_open_files_lock;
std::map<FileIdentity, Holders> g_open_files;  // guarded by g_open_files_lock

// False when the file is held in a way that refuses this opener.
bool HoldFile(const FileIdentity& id, TFileShare share) {
  std::lock_guard<std::mutex> lock(g_open_files_lock);
  Holders& h = g_open_files[id];
  if (h.exclusive > 0 || (share == TFileShare::fsExclusive && h.shared > 0)) {
    if (h.shared == 0 && h.exclusive == 0) g_open_files.erase(id);
    return false;
  }
  ++(share == TFileShare::fsExclusive ? h.exclusive : h.shared);
  return true;
}

void ReleaseFile(const FileIdentity& id, TFileShare share) {
  std::lock_guard<std::mutex> lock(g_open_files_lock);
  auto it = g_open_files.find(id);
  if (it == g_open_files.end()) return;
  --(share == TFileShare::fsExclusive ? it->second.exclusive : it->second.shared);
  if (it->second.shared == 0 && it->second.exclusive == 0) g_open_files.erase(it);
}

[[noreturn]] void ThrowFileError(const std::string& name, TFileMode mode, int err) {
  // The text is that of the code, so that the message and the code agree
  // (a directory is "access denied" on both targets).
  const unsigned long code = platform::WindowsErrorCode(err);
  throw EFileStreamError((mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"") + name +
                             "\". " + platform::SystemErrorText(code),
                         code, platform::SystemErrorText(code));
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

TFileStream::TFileStream(const std::string& name, TFileMode mode, TFileShare share)
    : THandleStream(kInvalidOSHandle), name_(name), share_(share) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::fmCreate:
      // Truncated below, once the file is known not to be held elsewhere.
      flags |= O_RDWR | O_CREAT;
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
  const int fd = ::open(name.c_str(), flags, 0666);
  if (fd < 0) ThrowFileError(name, mode, errno);
  struct stat st;
  int err = 0;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (S_ISDIR(st.st_mode)) {
    // As on Windows, a directory is not a file that opens.
    err = EISDIR;
  } else if (S_ISREG(st.st_mode)) {
    if (!HoldFile({st.st_dev, st.st_ino}, share)) {
      err = ETXTBSY;  // ERROR_SHARING_VIOLATION
    } else {
      identity_ = {st.st_dev, st.st_ino};
      held_ = true;
      if (mode == TFileMode::fmCreate && ::ftruncate(fd, 0) != 0) err = errno;
    }
  }
  if (err != 0) {
    if (held_) ReleaseFile(identity_, share_);
    held_ = false;
    ::close(fd);
    ThrowFileError(name, mode, err);
  }
  handle_ = fd;
}

TFileStream::~TFileStream() {
  if (held_) ReleaseFile(identity_, share_);
  if (handle_ != kInvalidOSHandle) ::close(Fd(handle_));
}

TTemporaryStream::TTemporaryStream() : THandleStream(kInvalidOSHandle) {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir != nullptr && dir[0] == '/' ? dir : "/tmp";
  // A file without a name: nothing else can open it, and it is gone with
  // its descriptor whatever way the process ends.
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    // File systems without unnamed files: a named one, unlinked at once.
    std::string path = folder + "/tolvar.XXXXXX";
    fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(path.c_str());
  }
  if (fd < 0) ThrowFileError(folder, TFileMode::fmCreate, errno);
  handle_ = fd;
}

TTemporaryStream::~TTemporaryStream() {
  if (handle_ != kInvalidOSHandle) ::close(Fd(handle_));
}

}  // namespace tolvar::platform
