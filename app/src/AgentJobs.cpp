#include "AgentJobs.h"

#include "common/ProgressView.h"

void UnavailableSafetyBackup::Run(const std::string&, ProgressView* logPane, ConnectionLights*) {
  if (logPane) logPane->AppendLine("Backup de segurança não disponível nesta versão.");
}
