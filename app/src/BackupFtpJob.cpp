#include "BackupFtpJob.h"

#include "backup/TBackupFtp.h"

void BackupFtpJob::Run(ProgressView* logPane) {
  TBackupFtp FBKP;
  FBKP.memo = logPane;
  FBKP.Execute();
}
