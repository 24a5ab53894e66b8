#pragma once
// One running copy per user: an exclusive lock on a file in the user's runtime folder. The kernel
// releases it when the holder ends, however it ends, so a crashed copy never blocks the next one.
//
//   platform::InstanceLock lock(platform::UserRuntimeDir() / "brisane-backup.lock");
//   if (!lock.TryLock()) { /* another copy runs */ }

#include <filesystem>

namespace platform {

// This user's folder for runtime files (locks, local sockets): $XDG_RUNTIME_DIR when it names an
// existing folder, otherwise /tmp/brisane-<uid>, made private to the user. Throws when neither is
// usable (the fallback exists but belongs to someone else or is open to others).
std::filesystem::path UserRuntimeDir();

class InstanceLock {
 public:
  // Opens (creating) the lock file; throws std::runtime_error naming it when that fails.
  explicit InstanceLock(const std::filesystem::path& file);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock without waiting; true when this object holds it (also when it already did).
  [[nodiscard]] bool TryLock();
  [[nodiscard]] bool Held() const { return FHeld; }

 private:
  int FFd = -1;
  bool FHeld = false;
};

// One run at a time over a folder, across programs (the agent and a one-shot command or a second
// copy started beside it write the same files there): an exclusive lock on the folder itself,
// taken without waiting, held while the object lives. No file is left in the folder, and the
// kernel drops the lock when its holder ends. Free() is also true when the folder cannot be
// opened: there is then nothing to protect, and the run fails by itself.
class FolderRunLock {
 public:
  explicit FolderRunLock(const std::filesystem::path& folder);
  ~FolderRunLock();
  FolderRunLock(const FolderRunLock&) = delete;
  FolderRunLock& operator=(const FolderRunLock&) = delete;
  [[nodiscard]] bool Free() const { return FFree; }

 private:
  int FFd = -1;
  bool FFree = true;
};

}  // namespace platform
