#include "common/platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "common/platform/Paths.h"

extern char** environ;

namespace platform {

namespace {

// Read while the file still has the name the process was started under.
const std::filesystem::path gStartedExecutable = ExecutablePath();

int OpenPidFd(int pid) {
#ifdef SYS_pidfd_open
  const long fd = ::syscall(SYS_pidfd_open, pid, 0);
  return fd < 0 ? -1 : static_cast<int>(fd);
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

// "NAME=value" entries of this process's environment, with the given variables set.
std::vector<std::string> MergedEnvironment(const std::vector<EnvironmentVariable>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : extra) {
      if (entry.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
    }
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [name, value] : extra) {
    std::string entry = name;
    entry += '=';
    entry += value;
    env.push_back(std::move(entry));
  }
  return env;
}

std::vector<char*> CStrings(std::vector<std::string>& texts) {
  std::vector<char*> out;
  out.reserve(texts.size() + 1);
  for (std::string& t : texts) out.push_back(t.data());
  out.push_back(nullptr);
  return out;
}

struct SpawnAttributes {
  posix_spawnattr_t attr{};
  posix_spawn_file_actions_t actions{};
  SpawnAttributes() {
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnAttributes() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
};

void BlockingReap(int pid) {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : FPid(std::exchange(other.FPid, -1)),
      FPidFd(std::exchange(other.FPidFd, -1)),
      FEnded(other.FEnded),
      FExitCode(other.FExitCode) {}

ChildProcess::~ChildProcess() {
  if (FPidFd >= 0) ::close(FPidFd);
  if (FPid > 0 && !FEnded && !Reap(false)) {
    const int pid = FPid;
    try {
      std::thread([pid] { BlockingReap(pid); }).detach();
    } catch (const std::system_error&) {
      // No thread to spare: the child stays a zombie until this process ends.
    }
  }
}

bool ChildProcess::Reap(bool block) {
  if (FEnded) return true;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(FPid, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  FEnded = true;
  if (r < 0) {
    FExitCode = -1;  // reaped elsewhere; the outcome is unknown
  } else if (WIFEXITED(status)) {
    FExitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    FExitCode = 128 + WTERMSIG(status);
  }
  return true;
}

bool ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  if (FEnded) return true;
  if (FPidFd >= 0) {
    pollfd p{FPidFd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(timeout.count()));
    if (r == 0) return false;
    return Reap(r > 0);  // readable: it has ended and reaping won't block
  }
  // No pidfd (old kernel): look, then sleep in short steps; still no busy loop.
  const auto stop = std::chrono::steady_clock::now() + timeout;
  while (!Reap(false)) {
    if (std::chrono::steady_clock::now() >= stop) return false;
    std::this_thread::sleep_for(std::min(std::chrono::milliseconds(10), timeout));
  }
  return true;
}

ChildProcess StartProcess(const std::vector<std::string>& argv,
                          const std::vector<EnvironmentVariable>& environment) {
  if (argv.empty() || argv.front().empty()) throw std::runtime_error("Nenhum programa informado");
  std::vector<std::string> args = argv;
  std::vector<std::string> env = MergedEnvironment(environment);
  std::vector<char*> cArgs = CStrings(args);
  std::vector<char*> cEnv = CStrings(env);

  SpawnAttributes sa;
  sigset_t none;
  sigemptyset(&none);
  // Signals we ignore or block (SIGPIPE for sockets, SIGTERM for an orderly stop) would be
  // inherited; the child gets the defaults.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2}) {
    sigaddset(&defaults, s);
  }
  posix_spawnattr_setsigmask(&sa.attr, &none);
  posix_spawnattr_setsigdefault(&sa.attr, &defaults);
  posix_spawnattr_setflags(&sa.attr,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_addopen(&sa.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&sa.actions, STDERR_FILENO + 1);

  pid_t pid = -1;
  const bool search = argv.front().find('/') == std::string::npos;
  const int rc =
      search ? ::posix_spawnp(&pid, cArgs[0], &sa.actions, &sa.attr, cArgs.data(), cEnv.data())
             : ::posix_spawn(&pid, cArgs[0], &sa.actions, &sa.attr, cArgs.data(), cEnv.data());
  if (rc != 0) {
    throw std::runtime_error("Não foi possível executar " + argv.front() + ": " +
                             std::strerror(rc));
  }
  return ChildProcess(pid, OpenPidFd(pid));
}

void StartDetached(const std::vector<std::string>& argv,
                   const std::vector<EnvironmentVariable>& environment) {
  // Destroying a running child hands it to the background reaper.
  ChildProcess child = StartProcess(argv, environment);
}

std::string QuotedForShell(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::vector<std::string> OwnArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

std::filesystem::path StartedExecutablePath() {
  return gStartedExecutable.empty() ? ExecutablePath() : gStartedExecutable;
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

bool WaitForProcessExit(int pid, std::chrono::milliseconds timeout) noexcept {
  if (pid <= 0) return true;
  const int fd = OpenPidFd(pid);
  if (fd >= 0) {
    // A pidfd turns readable when the process ends, whoever its parent is.
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
      r = ::poll(&p, 1, static_cast<int>(timeout.count()));
    } while (r < 0 && errno == EINTR);
    ::close(fd);
    return r > 0;
  }
  if (errno == ESRCH) return true;
  // No pidfd (old kernel): look in short steps; kill(pid, 0) fails once the process is gone.
  const auto stop = std::chrono::steady_clock::now() + timeout;
  while (::kill(pid, 0) == 0 || errno == EPERM) {
    if (std::chrono::steady_clock::now() >= stop) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace platform
