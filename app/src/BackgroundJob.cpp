#include "BackgroundJob.h"

BackgroundJob::~BackgroundJob() { Wait(); }

bool BackgroundJob::TryStart(std::function<void()> work, std::function<void()> whenDone) {
  if (FRunning.exchange(true)) return false;
  if (FThread.joinable()) FThread.join();  // the previous run has ended: FRunning was false
  try {
    FThread = std::thread([this, work = std::move(work), whenDone = std::move(whenDone)] {
      Guarded(work);
      // Cleared before whenDone, so a start it announces is not refused.
      FRunning.store(false);
      if (whenDone) Guarded(whenDone);
    });
  } catch (...) {
    FRunning.store(false);
    throw;
  }
  return true;
}

void BackgroundJob::Wait() {
  if (FThread.joinable()) FThread.join();
}

void BackgroundJob::Guarded(const std::function<void()>& step) const noexcept {
  try {
    step();
  } catch (...) {
    if (FOnError) {
      try {
        FOnError(std::current_exception());
      } catch (...) {
        // The sink must not end the thread either.
      }
    }
  }
}
