#pragma once
// What the logic asks of whoever shows things to the user: message boxes, a confirmation, the
// standard-dialog texts, letting the window breathe during a wait, and ending the application.
// The Qt window installs its implementation at start-up; without one (headless, tests) messages
// become log lines, confirmations answer "no", and nothing waits for a display.

#include <string>

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal Yes/No box ("&Sim", "&Não") with the confirmation icon; true only for Yes.
  virtual bool Confirm(const std::string& message) = 0;
  // A modal error box with the given text.
  virtual void ShowError(const std::string& message) = 0;
  // Installs the Portuguese captions and button texts of the standard message boxes.
  virtual void TranslateStandardDialogs() = 0;
  // Processes pending window events, so the window repaints during a long wait.
  virtual void ProcessEvents() = 0;
  // Asks the application to end its message loop.
  virtual void RequestQuit() = 0;
};

// The installed implementation, or the headless one when none was installed. Never null.
UserInterface& CurrentUserInterface();
// Installs ui (not owned; must outlive its use); null restores the headless behaviour.
void InstallUserInterface(UserInterface* ui);
