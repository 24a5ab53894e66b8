#include "common/platform/StopSignals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, s);
  return set;
}

}  // namespace

StopSignals::StopSignals() {
  const sigset_t set = StopSet();
  if (const int rc = ::pthread_sigmask(SIG_BLOCK, &set, nullptr); rc != 0) {
    throw std::runtime_error(std::string("Não foi possível bloquear os sinais de parada: ") +
                             std::strerror(rc));
  }
  FFd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (FFd < 0) {
    throw std::runtime_error(std::string("Não foi possível criar o signalfd: ") +
                             std::strerror(errno));
  }
}

StopSignals::~StopSignals() {
  if (FFd >= 0) ::close(FFd);
}

int StopSignals::Take() {
  int last = 0;
  signalfd_siginfo info{};
  while (true) {
    const ssize_t n = ::read(FFd, &info, sizeof(info));
    if (n == static_cast<ssize_t>(sizeof(info))) {
      last = static_cast<int>(info.ssi_signo);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return last;
  }
}

}  // namespace platform
