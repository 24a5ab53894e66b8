#include "backup/TBackupSeguranca.h"

#include <atomic>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "SafetyUpload.h"
#include "backup/FirebirdBackupService.h"
#include "backup/StreamingZip.h"
#include "common/Clock.h"
#include "common/DelphiFormat.h"
#include "common/DeploymentSettings.h"
#include "common/ProgressView.h"
#include "common/TDM.h"
#include "common/TFuncoesIFood.h"
#include "common/UserInterface.h"
#include "common/platform/InstanceLock.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRunInProgress = "Backup anterior ainda em andamento; execução ignorada";

// One run per process: the runs of every instance write the same files.
std::atomic<bool> gRunning{false};

class RunGuard {
 public:
  RunGuard() : FAcquired(!gRunning.exchange(true)) {}
  ~RunGuard() {
    if (FAcquired) gRunning.store(false);
  }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;
  [[nodiscard]] bool Acquired() const { return FAcquired; }

 private:
  bool FAcquired;
};

// A copy: a reload of the settings while a run goes on must not change them halfway.
DeploymentSettings SettingsForThisRun() { return Deployment(); }

std::string BackupFileName(const Clock& clock) {
  return "Backup_Seguranca_" + FormatDateTime("hh", clock.Now()) + ".fbk";
}

// The extra folder's text is used as typed: no separator is removed or added.
std::string ExtraBackupFile(const std::string& caminhoExtra, const Clock& clock) {
  return caminhoExtra + "/" + BackupFileName(clock);
}

void DeleteOld(ProgressView* pane, const fs::path& file, const std::string& line) {
  std::error_code ec;
  if (fs::exists(file, ec) && fs::remove(file, ec)) PaneLine(pane, line + file.string());
}

// Both names lead to one file (the extra folder is the BACKUP folder, through whatever spelling
// or link): the two backups must not be written into it at once.
bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec1, ec2;
  const fs::path ca = fs::weakly_canonical(a, ec1);
  const fs::path cb = fs::weakly_canonical(b, ec2);
  return !ec1 && !ec2 && ca == cb;
}

// One backup on a thread of its own, joined at the latest when the object goes away.
class BackupJob {
 public:
  BackupJob(const FirebirdServiceSettings& service, std::string database, std::string file)
      : FThread([this, service, database = std::move(database), file = std::move(file)] {
          try {
            RunFirebirdBackup(service, database, file);
          } catch (...) {
            FError = std::current_exception();
          }
          FDone.store(true);
        }) {}

  void Join() {
    if (FThread.joinable()) FThread.join();
  }
  [[nodiscard]] bool Done() const { return FDone.load(); }
  [[nodiscard]] bool Failed() const { return FDone.load() && FError != nullptr; }
  // Valid after Join.
  [[nodiscard]] std::exception_ptr Error() const { return FError; }

 private:
  std::exception_ptr FError;
  std::atomic<bool> FDone{false};
  std::jthread FThread;  // last: started once the other members exist
};

}  // namespace

TBackupSeguranca::TBackupSeguranca(ProgressView* memoLogs, ConnectionIndicators* indicators,
                                   const Clock* clock, TDM* dm)
    : FMemoLogs(memoLogs), FIndicators(indicators), FClock(clock), FDM(dm) {}

void TBackupSeguranca::Line(const std::string& text) const { PaneLine(FMemoLogs, text); }

SafetyBackupResult TBackupSeguranca::Image7Click(const std::string& caminhoExtra) {
  const RunGuard guard;
  // A `Backup --backup-now` started beside the agent writes the same files.
  const platform::FolderRunLock folder(Deployment().BackupFolder());
  if (!guard.Acquired() || !folder.Free()) {
    TFuncoesIFood().GravarLog(kRunInProgress);
    return SafetyBackupResult::Skipped;
  }
  return Run(caminhoExtra);
}

void TBackupSeguranca::ConectarFTPBackup() {
  const RunGuard guard;
  // A `Backup --backup-now` started beside the agent writes the same files.
  const platform::FolderRunLock folder(Deployment().BackupFolder());
  if (!guard.Acquired() || !folder.Free()) {
    TFuncoesIFood().GravarLog(kRunInProgress);
    return;
  }
  Upload(SettingsForThisRun(), {});
}

SafetyBackupResult TBackupSeguranca::Run(const std::string& caminhoExtra) {
  try {
    const DeploymentSettings settings = SettingsForThisRun();
    const Clock& clock = ClockOr(FClock);
    const fs::path mainFile = settings.BackupFolder() / BackupFileName(clock);
    const std::string extraFile = ExtraBackupFile(caminhoExtra, clock);
    fs::path zipFile = mainFile;
    zipFile.replace_extension(".zip");

    if (FMemoLogs) FMemoLogs->Clear();
    // An empty folder would put the copy at the root of the file system.
    if (caminhoExtra.empty()) throw std::runtime_error("Pasta extra de backup não configurada");
    DeleteOld(FMemoLogs, extraFile, "Arquivo deletado: ");
    DeleteOld(FMemoLogs, mainFile, "Arquivo deletado: ");
    DeleteOld(FMemoLogs, zipFile, "Arquivo zip antigo deletado: ");

    MakeBackups(settings, mainFile, caminhoExtra, zipFile);
    Upload(settings, zipFile);
    return SafetyBackupResult::ArchiveMade;
  } catch (const std::exception& e) {
    CurrentUserInterface().ShowError("Erro ao gerar backup\r\n" + std::string(e.what()));
    return SafetyBackupResult::Failed;
  }
}

// Both backups run on the server at once while the main file is compressed as it is written.
// The archive is published only when both backups succeeded and it holds the whole file.
void TBackupSeguranca::MakeBackups(const DeploymentSettings& settings, const fs::path& mainFile,
                                   const std::string& caminhoExtra, const fs::path& zipFile) {
  const FirebirdServiceSettings service{settings.firebird.Servidor, "SYSDBA",
                                        settings.firebird.Senha};
  const std::string database = settings.DatabasePath();
  const fs::path tmpZip = zipFile.string() + ".tmp";
  const std::string entryName = mainFile.filename().string();

  ZipEntryResult zipped;
  std::exception_ptr zipError;
  std::exception_ptr mainError;
  std::exception_ptr extraError;
  {
    BackupJob mainJob(service, database, mainFile.string());
    // The extra name is formed again as its backup starts (the hour may have turned).
    const std::string extraFile = ExtraBackupFile(caminhoExtra, ClockOr(FClock));
    std::unique_ptr<BackupJob> extraJob;
    if (!SameFile(extraFile, mainFile)) {
      extraJob = std::make_unique<BackupJob>(service, database, extraFile);
    }
    try {
      GrowingFileReader reader(mainFile, [&] { return mainJob.Done(); });
      zipped = WriteSingleEntryZip(tmpZip, entryName, ClockOr(FClock).Now(),
                                   [&](unsigned char* buf, size_t cap) {
                                     // No use compressing on once either backup failed: the archive
                                     // is dropped.
                                     if (mainJob.Failed() || (extraJob && extraJob->Failed()))
                                       throw std::runtime_error("backup interrompido");
                                     return reader.Read(buf, cap);
                                   });
    } catch (...) {
      zipError = std::current_exception();
    }
    mainJob.Join();
    if (extraJob) extraJob->Join();
    mainError = mainJob.Error();
    if (extraJob) extraError = extraJob->Error();
  }

  std::error_code ec;
  if (mainError || extraError) {
    fs::remove(tmpZip, ec);
    std::rethrow_exception(mainError ? mainError : extraError);
  }
  Line("Backup concluído com sucesso!");
  Line("Compactando backup para ZIP...");
  if (zipError) std::rethrow_exception(zipError);
  const auto written = fs::file_size(mainFile, ec);
  if (ec || written != zipped.UncompressedSize) {
    fs::remove(tmpZip, ec);
    throw std::runtime_error("o arquivo ZIP não contém o backup completo " + mainFile.string());
  }
  try {
    PublishFile(tmpZip, zipFile);
  } catch (...) {
    fs::remove(tmpZip, ec);
    throw;
  }
  Line("Arquivo ZIP criado: " + zipFile.string());
}

void TBackupSeguranca::Upload(const DeploymentSettings& settings, const fs::path& freshArchive) {
  UploadSafetyArchives(
      {.Settings = settings,
       .Cnpj = ReadCnpj(),
       .FreshArchive = freshArchive.empty() ? std::string() : freshArchive.filename().string(),
       .Pane = FMemoLogs,
       .Indicators = FIndicators});
}

std::string TBackupSeguranca::ReadCnpj() const {
  TDM& dm = FDM ? *FDM : DM();
  return dm.qryEmpresa.FieldByName("CNPJ").AsString();
}
