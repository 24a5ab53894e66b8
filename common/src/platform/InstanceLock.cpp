#include "common/platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace platform {

namespace fs = std::filesystem;

fs::path UserRuntimeDir() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    std::error_code ec;
    if (fs::is_directory(xdg, ec)) return xdg;
  }
  fs::path dir = fs::path("/tmp") / ("brisane-" + std::to_string(::getuid()));
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    throw std::runtime_error("Não foi possível criar a pasta " + dir.string() + ": " +
                             std::strerror(errno));
  }
  // /tmp is shared: a folder planted by another user must not hold our lock and socket.
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 077) != 0) {
    throw std::runtime_error("A pasta " + dir.string() + " não pertence a este usuário");
  }
  return dir;
}

InstanceLock::InstanceLock(const fs::path& file) {
  FFd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FFd < 0) {
    throw std::runtime_error("Não foi possível abrir " + file.string() + ": " +
                             std::strerror(errno));
  }
}

InstanceLock::~InstanceLock() {
  // Closing the descriptor releases the lock.
  if (FFd >= 0) ::close(FFd);
}

bool InstanceLock::TryLock() {
  if (FHeld) return true;
  int r;
  do {
    r = ::flock(FFd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  FHeld = r == 0;
  return FHeld;
}

FolderRunLock::FolderRunLock(const fs::path& folder)
    : FFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (FFd < 0) return;
  int r;
  do {
    r = ::flock(FFd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  FFree = r == 0;
}

FolderRunLock::~FolderRunLock() {
  if (FFd >= 0) ::close(FFd);
}

}  // namespace platform
