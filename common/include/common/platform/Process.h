#pragma once
// Starting other programs. StartProcess gives a ChildProcess to wait on (in slices, so a window
// can be kept alive between them); StartDetached starts one and forgets it. Children start with
// no terminal (a session of their own), stdin on /dev/null, default signal handling and none of
// this process's other file descriptors, so a lock or socket we hold never leaks into them.

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace platform {

using EnvironmentVariable = std::pair<std::string, std::string>;

// A started program that we must reap. The destructor of one still running hands it to a
// background reaper instead of blocking, so no zombie is left behind.
class ChildProcess {
 public:
  ChildProcess(int pid, int pidFd) : FPid(pid), FPidFd(pidFd) {}
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  [[nodiscard]] int Pid() const { return FPid; }
  // Blocks at most `timeout` (0 = just look) for the program to end; true once it has ended.
  [[nodiscard]] bool WaitFor(std::chrono::milliseconds timeout);
  // The exit code, or 128 + the signal that ended it; meaningful once WaitFor returned true.
  [[nodiscard]] int ExitCode() const { return FExitCode; }

 private:
  bool Reap(bool block);

  int FPid;
  int FPidFd;  // -1 when the kernel has no pidfd; waits then poll in short sleeps
  bool FEnded = false;
  int FExitCode = -1;
};

// Starts argv[0] with the arguments that follow (searched on PATH when it holds no "/"), with
// `environment` added to (or replacing entries of) this process's environment. Throws
// std::runtime_error naming the program when it cannot be started.
[[nodiscard]] ChildProcess StartProcess(const std::vector<std::string>& argv,
                                        const std::vector<EnvironmentVariable>& environment = {});

// Starts a program and does not wait for it; it is reaped in the background. Throws like
// StartProcess.
void StartDetached(const std::vector<std::string>& argv,
                   const std::vector<EnvironmentVariable>& environment = {});

// `text` as one word for /bin/sh: single quotes around it, each inner quote as '\'' (close,
// escaped quote, reopen). Nothing inside is expanded.
std::string QuotedForShell(const std::string& text);

// The arguments this process was started with, argv[0] included.
std::vector<std::string> OwnArguments();

// The executable's path as it was when this process started. An update renames the running file
// afterwards, and a restart must start the new file, not the renamed old one.
std::filesystem::path StartedExecutablePath();

int CurrentProcessId();

// Waits at most `timeout` for another process (not necessarily our child) to end, without
// spinning. True once it has ended, or when no such process exists; never throws.
bool WaitForProcessExit(int pid, std::chrono::milliseconds timeout) noexcept;

}  // namespace platform
