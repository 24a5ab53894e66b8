#pragma once
// The requests to stop that the system sends a program (SIGTERM from a service manager or a
// session logout, SIGINT from Ctrl+C, SIGHUP when the terminal goes), turned into a descriptor
// an event loop can watch instead of a handler that runs at an arbitrary point.
//
// Create it on the main thread before any other thread starts: the signals are blocked in the
// creating thread, and threads started afterwards inherit that. Programs we start get the
// default handling back (see Process.h).

namespace platform {

class StopSignals {
 public:
  // Blocks the signals and opens the descriptor; throws std::runtime_error on failure.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Readable when a stop signal is pending.
  [[nodiscard]] int Descriptor() const { return FFd; }
  // Consumes the pending signals; returns the number of the last one (0 when none was pending).
  int Take();

 private:
  int FFd = -1;
};

}  // namespace platform
