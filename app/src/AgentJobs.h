#pragma once
// What the agent's timers and commands start, as interfaces the start-up fills with the
// subsystems' components (tests pass stand-ins). The safety backup and the configured backup job
// run on a worker thread of their own; the update check asks on a worker and starts the update
// on the user-interface thread.

#include <string>

class ProgressView;

// The FTP status lights of the safety backup (`green` and `red` in the title bar). Callable from
// any thread; the window applies the changes in the order they were made.
class ConnectionLights {
 public:
  virtual ~ConnectionLights() = default;
  virtual void SetGreenVisible(bool visible) = 0;
  virtual void SetRedVisible(bool visible) = 0;
};

// One safety backup run (the timer's tick and the Backup command): the extra folder as the field
// holds it at the moment of the run, lines into the log pane, the connection state on the lights.
// Either pointer may be null (nobody watching). Runs on a worker thread; the job reports its own
// failures, and whatever else it throws ends in the application's error handler.
class SafetyBackupJob {
 public:
  virtual ~SafetyBackupJob() = default;
  virtual void Run(const std::string& extraFolder, ProgressView* logPane,
                   ConnectionLights* lights) = 0;
};

// One run of the configured backup job ("Fazer Backup"), with its lines into the log pane.
class ConfiguredBackupJob {
 public:
  virtual ~ConfiguredBackupJob() = default;
  virtual void Run(ProgressView* logPane) = 0;
};

// The updater's two class-level operations as the update timer uses them.
class UpdateChecker {
 public:
  virtual ~UpdateChecker() = default;
  // Whether a newer version is published. Called on a worker thread; may block on the network.
  virtual bool ExisteAtualizacao() = 0;
  // Starts the update (its own window and worker). Called on the user-interface thread.
  virtual void AtualizarVersao(bool emSegundoPlano) = 0;
};

// The real jobs: the safety backup (TBackupSeguranca) and the configured backup job (TBackupFtp).
class SafetyBackupComponent final : public SafetyBackupJob {
 public:
  void Run(const std::string& extraFolder, ProgressView* logPane,
           ConnectionLights* lights) override;
};

class ConfiguredBackupComponent final : public ConfiguredBackupJob {
 public:
  void Run(ProgressView* logPane) override;
};

// Stand-ins for tests and for what is not wired yet: no update is ever published, and a backup
// command only says in the log pane that its job is not part of this build.
class NoUpdateChecker final : public UpdateChecker {
 public:
  bool ExisteAtualizacao() override { return false; }
  void AtualizarVersao(bool) override {}
};

class UnavailableSafetyBackup final : public SafetyBackupJob {
 public:
  void Run(const std::string& extraFolder, ProgressView* logPane,
           ConnectionLights* lights) override;
};

class UnavailableConfiguredBackup final : public ConfiguredBackupJob {
 public:
  void Run(ProgressView* logPane) override;
};
