#include "platform/replace_file_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tolvar::platform {
namespace {

bool WriteAllFd(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReplaceFileContent(const std::string& file, const std::string& content, unsigned mode) {
  std::string temp = file + ".XXXXXX";
  // mkstemp opens with O_CREAT | O_EXCL and mode 0600.
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteAllFd(fd, content) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), file.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace tolvar::platform
