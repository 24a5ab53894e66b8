#pragma once
// The update timer's checker with the real updater: asks the update host whether a newer version
// is published and starts the update, in the updater window (with a display) or as a background
// run whose balloons become log lines (headless). Owns the run's worker: destroying it interrupts
// a download in progress and waits for the run to end.

#include "AgentJobs.h"
#include "update/UpdateRunner.h"

class UpdaterChecker final : public UpdateChecker {
 public:
  explicit UpdaterChecker(bool windowed) : FWindowed(windowed) {}

  bool ExisteAtualizacao() override;
  void AtualizarVersao(bool emSegundoPlano) override;

 private:
  bool FWindowed;
  UpdateRunner FRunner;
};
