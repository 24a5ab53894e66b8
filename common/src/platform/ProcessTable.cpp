#include "common/platform/ProcessTable.h"

#include <signal.h>
#include <sys/types.h>

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

// The kernel marks the link of a file deleted while running.
constexpr std::string_view kDeletedSuffix = " (deleted)";

bool ParsePid(const std::string& name, int& pid) {
  const char* end = name.data() + name.size();
  const auto [ptr, ec] = std::from_chars(name.data(), end, pid);
  return ec == std::errc() && ptr == end && pid > 0;
}

}  // namespace

std::vector<RunningProcess> RunningProcesses() noexcept {
  std::vector<RunningProcess> processes;
  try {
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
      int pid = 0;
      if (!ParsePid(it->path().filename().string(), pid)) continue;
      std::error_code linkError;
      // Kernel threads have no executable; others' processes can't be read without privileges;
      // a process may also end while we look.
      const fs::path exe = fs::read_symlink(it->path() / "exe", linkError);
      if (linkError || exe.empty()) continue;
      std::string text = exe.string();
      if (text.ends_with(kDeletedSuffix)) text.resize(text.size() - kDeletedSuffix.size());
      processes.push_back({pid, fs::path(text)});
    }
  } catch (...) {
    // Out of memory while listing: what was read so far is the answer.
  }
  return processes;
}

bool RequestProcessEnd(int pid) noexcept { return pid > 0 && ::kill(pid, SIGTERM) == 0; }

}  // namespace platform
