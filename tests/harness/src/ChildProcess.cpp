#include "harness/ChildProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "harness/Harness.h"

extern char** environ;

namespace harness {

namespace {

std::vector<std::string> BuildEnv(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string kv = *e;
    const size_t eq = kv.find('=');
    if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  for (const auto& [k, v] : extra) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

pid_t Spawn(const std::vector<std::string>& args,
            const std::map<std::string, std::string>& extraEnv, int outFd,
            const std::string& runAsUser, bool dieWithParent = false) {
  if (args.empty()) throw std::invalid_argument("comando vazio");
  uid_t uid = 0;
  gid_t gid = 0;
  if (!runAsUser.empty()) {
    const passwd* pw = ::getpwnam(runAsUser.c_str());
    if (!pw) throw std::runtime_error("usuário inexistente: " + runAsUser);
    uid = pw->pw_uid;
    gid = pw->pw_gid;
  }
  const std::vector<std::string> env = BuildEnv(extraEnv);
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork falhou");
  if (pid == 0) {
    ::setpgid(0, 0);
    const int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, 0);
    const int out = outFd >= 0 ? outFd : devnull;
    ::dup2(out, 1);
    ::dup2(out, 2);
    if (!runAsUser.empty()) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) _exit(126);
    }
    // After the change of user, which clears the parent-death signal.
    if (dieWithParent) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) _exit(127);
    }
    ::execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

}  // namespace

ChildProcess::ChildProcess(Options options) {
  int outFd = -1;
  if (!options.OutputFile.empty()) {
    outFd = ::open(options.OutputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (outFd < 0)
      throw std::runtime_error("não foi possível abrir " + options.OutputFile.string());
  }
  try {
    FPid = Spawn(options.Args, options.ExtraEnv, outFd, options.RunAsUser, options.DieWithParent);
  } catch (...) {
    if (outFd >= 0) ::close(outFd);
    throw;
  }
  if (outFd >= 0) ::close(outFd);
}

ChildProcess::~ChildProcess() { Stop(std::chrono::seconds(5)); }

bool ChildProcess::Running() {
  if (FExited || FPid <= 0) return false;
  int status = 0;
  const pid_t r = ::waitpid(FPid, &status, WNOHANG);
  if (r == FPid) {
    FExited = true;
    FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return false;
  }
  return r == 0;
}

int ChildProcess::Wait(std::chrono::milliseconds deadline) {
  if (!WaitUntil([this] { return !Running(); }, deadline)) return -1;
  return FStatus;
}

int ChildProcess::Stop(std::chrono::milliseconds grace) {
  if (!Running()) return FStatus;
  ::kill(FPid, SIGTERM);
  if (Wait(grace) == -1 && Running()) {
    ::kill(-FPid, SIGKILL);
    ::kill(FPid, SIGKILL);
    Wait(std::chrono::seconds(10));
  }
  return FStatus;
}

int RunCommand(const std::vector<std::string>& args, std::string* output,
               const std::map<std::string, std::string>& extraEnv, const std::string& runAsUser) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe falhou");
  // The child's end must survive exec: dup2 in Spawn clears O_CLOEXEC on the copy.
  pid_t pid;
  try {
    pid = Spawn(args, extraEnv, fds[1], runAsUser);
  } catch (...) {
    ::close(fds[0]);
    ::close(fds[1]);
    throw;
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool PortAccepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

namespace {
ChildProcess::Options LockHolderOptions(const std::filesystem::path& target) {
  ChildProcess::Options o;
  // One process takes the lock and stays, so that stopping it releases the lock.
  o.Args = {"/bin/sh", "-c", "exec 9<\"$0\" && /usr/bin/flock 9 && exec /bin/sleep 600",
            target.string()};
  o.DieWithParent = true;
  return o;
}
}  // namespace

LockHolder::LockHolder(const std::filesystem::path& target) : FProcess(LockHolderOptions(target)) {
  const bool held = WaitUntil([&] {
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return taken;
  });
  if (!held) throw std::runtime_error("o bloqueio de " + target.string() + " não foi tomado");
}

}  // namespace harness
