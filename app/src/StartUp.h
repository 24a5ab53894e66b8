#pragma once
// The program's two ways to run, and the start-up steps they share. Both follow the same order:
// application object, standard-dialog texts, title, the single-instance guard, the run-once
// entries, the data module, the main window (or its headless core), the event loop; a second
// copy ends with exit code 0 before any of the window's work.

#include <QStringList>

#include "AgentCore.h"
#include "AgentJobs.h"

inline constexpr const char* kApplicationTitle = "Backup | Corvatec";

int RunWindowed(int argc, char** argv);
int RunHeadless(int argc, char** argv);

// The jobs the timers and commands start. The updater is a stand-in until it is wired here.
class AgentComponentSet {
 public:
  AgentComponents Refs() { return {FSafetyBackup, FConfiguredBackup, FUpdateChecker}; }

 private:
  SafetyBackupComponent FSafetyBackup;
  ConfiguredBackupComponent FConfiguredBackup;
  NoUpdateChecker FUpdateChecker;
};

// True when a window can be opened (an X11 or Wayland display, or a platform chosen by hand).
bool HasDisplay();
// The process a restarted copy waits for (BRISANE_AGUARDAR_PID), 0 when none. The variable is
// removed, so the programs this copy starts do not inherit it.
int TakePreviousCopyPid();
// The command line without the program name, as handed to a running copy.
QStringList ArgumentsOf(int argc, char** argv);
