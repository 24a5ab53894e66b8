#include "common/platform/Network.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Address {
  int family;
  int type;
  int protocol;
  sockaddr_storage addr;
  socklen_t length;
};

// getaddrinfo has no time-out of its own; it runs on a thread of its own that may outlive the
// caller, who stops waiting at the deadline. The shared state keeps the late result safe.
struct Resolution {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::vector<Address> addresses;
};

std::vector<Address> Resolve(const std::string& host, int port, SteadyClock::time_point deadline) {
  auto state = std::make_shared<Resolution>();
  std::thread([state, host, port] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::vector<Address> found;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) == 0) {
      for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        Address a{ai->ai_family, ai->ai_socktype, ai->ai_protocol, {}, ai->ai_addrlen};
        if (ai->ai_addrlen > sizeof(a.addr)) continue;
        std::memcpy(&a.addr, ai->ai_addr, ai->ai_addrlen);
        found.push_back(a);
      }
      ::freeaddrinfo(list);
    }
    std::lock_guard lock(state->mutex);
    state->addresses = std::move(found);
    state->finished = true;
    state->done.notify_all();
  }).detach();
  std::unique_lock lock(state->mutex);
  if (!state->done.wait_until(lock, deadline, [&] { return state->finished; })) return {};
  return state->addresses;
}

bool ConnectOne(const Address& a, SteadyClock::time_point deadline) {
  const int fd = ::socket(a.family, a.type | SOCK_NONBLOCK | SOCK_CLOEXEC, a.protocol);
  if (fd < 0) return false;
  bool ok = false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&a.addr), a.length) == 0) {
    ok = true;
  } else if (errno == EINPROGRESS) {
    while (true) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
      if (left.count() <= 0) break;
      pollfd p{fd, POLLOUT, 0};
      const int r = ::poll(&p, 1, static_cast<int>(left.count()));
      if (r < 0 && errno == EINTR) continue;
      if (r > 0) {
        int error = 0;
        socklen_t len = sizeof(error);
        ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
      }
      break;
    }
  }
  ::close(fd);
  return ok;
}

}  // namespace

bool CanConnect(const std::string& host, int port, std::chrono::milliseconds timeout) noexcept {
  try {
    if (host.empty() || port <= 0 || port > 65535) return false;
    const auto deadline = SteadyClock::now() + timeout;
    for (const Address& a : Resolve(host, port, deadline)) {
      if (SteadyClock::now() >= deadline) break;
      if (ConnectOne(a, deadline)) return true;
    }
    return false;
  } catch (...) {
    return false;
  }
}

}  // namespace platform
