#pragma once
// The user interface the logic talks to (common/UserInterface.h), with Qt: the agent's message
// boxes, the standard-dialog texts, event processing and quitting. Callable from any thread:
// a confirmation asked on a worker waits for the user's answer on the window's thread; an error
// box is shown without blocking anyone, so a job that reports a failure still ends and the next
// tick can run. Make it on the window's thread and install it with InstallUserInterface.

#include <memory>

#include "common/UserInterface.h"

class DialogHost;

class QtUserInterface final : public UserInterface {
 public:
  QtUserInterface();
  ~QtUserInterface() override;
  QtUserInterface(const QtUserInterface&) = delete;
  QtUserInterface& operator=(const QtUserInterface&) = delete;

  bool Confirm(const std::string& message) override;
  void ShowError(const std::string& message) override;
  void TranslateStandardDialogs() override;
  void ProcessEvents() override;
  void RequestQuit() override;

 private:
  // Lives on the window's thread and shows the boxes there; calls still queued to it are
  // dropped once it is gone.
  std::unique_ptr<DialogHost> FHost;
};

// The user interface without a display: messages become log lines in the root log folder,
// confirmations answer no, and a quit request ends the event loop (a restart needs that).
class HeadlessUserInterface final : public UserInterface {
 public:
  bool Confirm(const std::string& message) override;
  void ShowError(const std::string& message) override;
  void TranslateStandardDialogs() override {}
  void ProcessEvents() override {}
  void RequestQuit() override;
};

// True on the thread of the application object.
bool OnApplicationThread();
