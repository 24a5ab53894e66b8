#pragma once
// "Fazer Backup" (ExecutarBackupFtp): one TBackupFtp for each run, writing into the log pane. The
// core runs it on a worker of its own; whatever Execute throws goes to the application's error
// handlers ("Erro de integração: " + message, or the database-error dialog).

#include "AgentJobs.h"

class BackupFtpJob final : public ConfiguredBackupJob {
 public:
  void Run(ProgressView* logPane) override;
};
