#pragma once
// The program's two ways to run, and the start-up steps they share. Both follow the same order:
// application object, standard-dialog texts, title, the single-instance guard, the run-once
// entries, the data module, the main window (or its headless core), the event loop; a second
// copy ends with exit code 0 before any of the window's work.

#include <QStringList>

#include "AgentCore.h"
#include "AgentJobs.h"
#include "UpdaterChecker.h"

inline constexpr const char* kApplicationTitle = "Backup | Corvatec";

int RunWindowed(int argc, char** argv);
int RunHeadless(int argc, char** argv);

// The jobs the timers and commands start. `windowed`: the updater shows its window; without it
// its balloons become log lines.
class AgentComponentSet {
 public:
  explicit AgentComponentSet(bool windowed) : FUpdateChecker(windowed) {}

  AgentComponents Refs() { return {FSafetyBackup, FConfiguredBackup, FUpdateChecker}; }

 private:
  SafetyBackupComponent FSafetyBackup;
  ConfiguredBackupComponent FConfiguredBackup;
  UpdaterChecker FUpdateChecker;
};

class SingleInstance;

// The start-up steps both modes share, after the user interface is installed: the title, the
// single-instance guard (before the data module, so a second copy leaves without touching the
// database), the run-once entries and the data module. False when another copy runs: this copy
// has handed it its command line, the user interface is uninstalled, and the program ends with 0.
bool StartAsTheOnlyCopy(SingleInstance& guard, int argc, char** argv);

// True when a window can be opened (an X11 or Wayland display, or a platform chosen by hand).
bool HasDisplay();
// The process a restarted copy waits for (BRISANE_AGUARDAR_PID), 0 when none. The variable is
// removed, so the programs this copy starts do not inherit it.
int TakePreviousCopyPid();
// The command line without the program name, as handed to a running copy.
QStringList ArgumentsOf(int argc, char** argv);
