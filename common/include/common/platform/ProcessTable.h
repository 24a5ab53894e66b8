#pragma once
// The programs running on the machine, as /proc lists them, and asking one of them to end. Only
// processes whose executable this user may read are listed (others' are skipped, as the system's
// process list skips what it may not open).

#include <filesystem>
#include <vector>

namespace platform {

struct RunningProcess {
  int Pid = 0;
  // The file it runs, under its present name (a running file renamed since shows its new name;
  // a deleted one its last name).
  std::filesystem::path Executable;
};

// The listable processes at this moment, this one included. Never throws.
std::vector<RunningProcess> RunningProcesses() noexcept;

// Asks the process to end (SIGTERM, which our agent handles by shutting down in order). False
// when it does not exist or may not be signalled. Never throws.
bool RequestProcessEnd(int pid) noexcept;

}  // namespace platform
