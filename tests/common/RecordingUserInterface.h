#pragma once
// A UserInterface that counts what the logic asked of it, installed for the fixture's lifetime.

#include <atomic>
#include <functional>
#include <string>

#include "common/UserInterface.h"

class RecordingUserInterface final : public UserInterface {
 public:
  RecordingUserInterface() { InstallUserInterface(this); }
  ~RecordingUserInterface() override { InstallUserInterface(nullptr); }
  RecordingUserInterface(const RecordingUserInterface&) = delete;
  RecordingUserInterface& operator=(const RecordingUserInterface&) = delete;

  bool Confirm(const std::string& message) override {
    lastConfirm = message;
    return answer;
  }
  void ShowError(const std::string&) override {}
  void TranslateStandardDialogs() override { ++translations; }
  void ProcessEvents() override {
    const int n = ++events;
    if (onEvents) onEvents(n);
  }
  void RequestQuit() override { ++quits; }

  bool answer = false;
  std::string lastConfirm;
  std::function<void(int)> onEvents;  // called with the running count
  std::atomic<int> events{0};
  std::atomic<int> translations{0};
  std::atomic<int> quits{0};
};
