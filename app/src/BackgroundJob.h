#pragma once
// Runs one job at a time on a thread of its own, so the window keeps painting while it works.
// A start while a run is in progress is refused (the caller logs the skip), so two runs of one
// job never overlap. Nothing escapes the thread: whatever the job throws goes to the error sink.
//
//   if (!FBackup.TryStart([=] { job.Run(...); })) GravarLog("... ignorada");

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

class BackgroundJob {
 public:
  using ErrorSink = std::function<void(const std::exception_ptr&)>;

  explicit BackgroundJob(ErrorSink onError) : FOnError(std::move(onError)) {}
  // Waits for a run in progress.
  ~BackgroundJob();
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;

  // Starts `work` on a new thread unless a run is in progress; `whenDone` runs on that thread
  // after it (also when it threw), once a new start would be accepted; it must not block on the
  // starting thread. False when refused. Call from one thread (the window's).
  [[nodiscard]] bool TryStart(std::function<void()> work, std::function<void()> whenDone = {});
  [[nodiscard]] bool Running() const { return FRunning.load(); }
  // Blocks until the run in progress (if any) has ended.
  void Wait();

 private:
  void Guarded(const std::function<void()>& step) const noexcept;

  ErrorSink FOnError;
  std::thread FThread;
  // Set by TryStart, cleared by the worker when the work is done: the next start may then go
  // ahead, and joins the finishing thread first.
  std::atomic<bool> FRunning{false};
};
