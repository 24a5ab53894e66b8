#pragma once
// A UserInterface that records what the logic asked of it (message boxes, confirmations, events,
// quits), installed for its lifetime. Safe to call from worker threads.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/UserInterface.h"

namespace harness {

class RecordingUserInterface final : public UserInterface {
 public:
  RecordingUserInterface() { InstallUserInterface(this); }
  ~RecordingUserInterface() override { InstallUserInterface(nullptr); }
  RecordingUserInterface(const RecordingUserInterface&) = delete;
  RecordingUserInterface& operator=(const RecordingUserInterface&) = delete;

  bool Confirm(const std::string& message) override {
    std::lock_guard lock(FMutex);
    FLastConfirm = message;
    return answer;
  }
  void ShowError(const std::string& message) override {
    std::lock_guard lock(FMutex);
    FErrors.push_back(message);
  }
  void TranslateStandardDialogs() override { ++translations; }
  void ProcessEvents() override {
    const int n = ++events;
    if (onEvents) onEvents(n);
  }
  void RequestQuit() override { ++quits; }

  // The error boxes shown so far, oldest first.
  [[nodiscard]] std::vector<std::string> Errors() const {
    std::lock_guard lock(FMutex);
    return FErrors;
  }
  void Clear() {
    std::lock_guard lock(FMutex);
    FErrors.clear();
  }
  [[nodiscard]] std::string LastConfirm() const {
    std::lock_guard lock(FMutex);
    return FLastConfirm;
  }

  std::atomic<bool> answer{false};
  std::function<void(int)> onEvents;  // called with the running count
  std::atomic<int> events{0};
  std::atomic<int> translations{0};
  std::atomic<int> quits{0};

 private:
  mutable std::mutex FMutex;
  std::vector<std::string> FErrors;
  std::string FLastConfirm;
};

}  // namespace harness
