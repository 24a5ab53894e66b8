#include "common/platform/FileDescriptor.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

FileDescriptor::~FileDescriptor() {
  if (FFd >= 0) ::close(FFd);
}

bool FileDescriptor::Close() {
  const int fd = std::exchange(FFd, -1);
  if (fd < 0) {
    errno = EBADF;
    return false;
  }
  return ::close(fd) == 0;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace platform
