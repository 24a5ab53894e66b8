#include "common/Clock.h"

#include <chrono>

TDateTime SystemClock::Now() const {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t secs = static_cast<std::time_t>(ms / 1000);
  return TDateTime::FromLocalTimeT(secs).AddMsecs(ms % 1000);
}

const Clock& DefaultClock() {
  static const SystemClock clock;
  return clock;
}
