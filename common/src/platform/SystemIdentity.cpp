#include "common/platform/SystemIdentity.h"

#include <sys/vfs.h>

#include <cstring>

namespace platform {

std::optional<std::uint32_t> FileSystemSerial(const std::filesystem::path& path) {
  struct statfs st {};
  if (::statfs(path.c_str(), &st) != 0) return std::nullopt;
  std::uint32_t halves[2];
  static_assert(sizeof(halves) == sizeof(st.f_fsid));
  std::memcpy(halves, &st.f_fsid, sizeof(halves));
  if (halves[0] == 0 && halves[1] == 0) return std::nullopt;
  return halves[0] ^ halves[1];
}

}  // namespace platform
