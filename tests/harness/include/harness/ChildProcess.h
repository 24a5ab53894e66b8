#pragma once
// A server or tool started by a test, stopped by its process id when the object goes away.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace harness {

class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> Args;                // Args[0] is the program path
    std::map<std::string, std::string> ExtraEnv;  // added to (or replacing in) our environment
    std::filesystem::path OutputFile;             // stdout+stderr go here; empty = /dev/null
    std::string RunAsUser;                        // drop to this user (needs root); empty = us
    // Killed by the kernel when the thread that started it ends (so a crashed or killed test
    // leaves no server behind); start such a child from the main thread.
    bool DieWithParent = false;
  };

  explicit ChildProcess(Options options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  [[nodiscard]] pid_t Pid() const { return FPid; }
  [[nodiscard]] bool Running();
  // SIGTERM, then SIGKILL after the grace period. Returns the exit status (or -signal).
  int Stop(std::chrono::milliseconds grace = std::chrono::seconds(10));
  // Waits for the process to end by itself; -1 when the deadline passed first.
  int Wait(std::chrono::milliseconds deadline);

 private:
  pid_t FPid = -1;
  int FStatus = 0;
  bool FExited = false;
};

// Another program holding an exclusive lock (flock) on a folder or an existing file, as a second
// copy of the agent would. Waits until the lock is held; Release() (or its end) drops the lock.
class LockHolder {
 public:
  explicit LockHolder(const std::filesystem::path& target);
  void Release() { FProcess.Stop(std::chrono::milliseconds(0)); }

 private:
  ChildProcess FProcess;
};

// Runs a command to completion; returns its exit code, output in *output when given.
int RunCommand(const std::vector<std::string>& args, std::string* output = nullptr,
               const std::map<std::string, std::string>& extraEnv = {},
               const std::string& runAsUser = {});

// True once something accepts TCP connections on 127.0.0.1:port.
bool PortAccepts(int port);

}  // namespace harness
