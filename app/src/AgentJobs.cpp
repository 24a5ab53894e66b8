#include "AgentJobs.h"

#include "backup/TBackupFtp.h"
#include "backup/TBackupSeguranca.h"
#include "common/ProgressView.h"

namespace {
// The window's lights seen as the safety backup's indicators.
class LightsAsIndicators final : public ConnectionIndicators {
 public:
  explicit LightsAsIndicators(ConnectionLights* lights) : FLights(lights) {}
  void SetGreenVisible(bool visible) override {
    if (FLights) FLights->SetGreenVisible(visible);
  }
  void SetRedVisible(bool visible) override {
    if (FLights) FLights->SetRedVisible(visible);
  }

 private:
  ConnectionLights* FLights;
};
}  // namespace

void SafetyBackupComponent::Run(const std::string& extraFolder, ProgressView* logPane,
                                ConnectionLights* lights) {
  LightsAsIndicators indicators(lights);
  TBackupSeguranca job(logPane, &indicators);
  // The job shows and logs its own failures ("Erro ao gerar backup", upload lines).
  (void)job.Image7Click(extraFolder);
}

void ConfiguredBackupComponent::Run(ProgressView* logPane) {
  TBackupFtp job;
  job.memo = logPane;
  // Its errors end the run and reach the application's error handler, as the window's command
  // always let them.
  job.Execute();
}

void UnavailableSafetyBackup::Run(const std::string&, ProgressView* logPane, ConnectionLights*) {
  if (logPane) logPane->AppendLine("Backup de segurança não disponível nesta versão.");
}

void UnavailableConfiguredBackup::Run(ProgressView* logPane) {
  InserirLinhaProgresso(logPane, "Backup configurado não disponível nesta versão.");
}
