#pragma once
// Where code asks for "now". Production code uses SystemClock; tests install a clock they move
// forward, so nothing waits on real time. A null Clock* in a constructor means the system clock.

#include "common/DateTime.h"

class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual TDateTime Now() const = 0;  // local wall-clock time
};

class SystemClock final : public Clock {
 public:
  [[nodiscard]] TDateTime Now() const override;
};

// The process-wide system clock; `Or(c)` gives c when set, the system clock otherwise.
const Clock& DefaultClock();
inline const Clock& ClockOr(const Clock* c) { return c ? *c : DefaultClock(); }
