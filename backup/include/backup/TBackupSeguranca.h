#pragma once
// The safety backup: the Firebird server writes the point-of-sale database into the product's
// BACKUP folder and into the extra folder, the first copy becomes the hour's ZIP archive, and the
// archives of the BACKUP folder go to the maker's FTP server, into the company's (CNPJ) folder.
//
//   TBackupSeguranca backup(&logPane, &lights);   // the window's log pane and FTP lights
//   backup.Image7Click(extraFolder);              // one run; may be called on a worker thread
//
// Progress goes to the log pane only. A failure before the upload shows "Erro ao gerar backup"
// through CurrentUserInterface(); upload failures are pane lines only. Two runs never overlap in
// one process: a call that finds a run in progress returns at once and leaves a log line.
// Settings (product folder, Firebird, FTPBackup) are read from Deployment() at each run; the
// CNPJ from the data module's open qryEmpresa.

#include <filesystem>
#include <string>

class Clock;
class ProgressView;
class TDM;
struct DeploymentSettings;

// The title bar's two FTP lights, which lie on the same spot. The window's implementation
// hops to its own thread; the job only switches them.
class ConnectionIndicators {
 public:
  virtual ~ConnectionIndicators() = default;
  virtual void SetGreenVisible(bool visible) = 0;
  virtual void SetRedVisible(bool visible) = 0;
};

enum class SafetyBackupResult {
  ArchiveMade,  // both backups and the archive were made (the upload logs its own failures)
  Failed,       // the run stopped and "Erro ao gerar backup" was shown
  Skipped,      // another run was in progress
};

class TBackupSeguranca {
 public:
  // Not owned, all may be null: no pane (silent), no lights, the system clock, the process's
  // data module DM().
  explicit TBackupSeguranca(ProgressView* memoLogs, ConnectionIndicators* indicators = nullptr,
                            const Clock* clock = nullptr, TDM* dm = nullptr);

  // One backup run with the extra folder's text as the window holds it (used unchanged).
  SafetyBackupResult Image7Click(const std::string& caminhoExtra);

  // The upload on its own: every archive of the BACKUP folder that the server lacks or that
  // changed since it was sent. Failures become pane lines, except reading the CNPJ, which
  // throws. Skipped (with a log line) while a run is in progress.
  void ConectarFTPBackup();

 private:
  SafetyBackupResult Run(const std::string& caminhoExtra);
  void MakeBackups(const DeploymentSettings& settings, const std::filesystem::path& mainFile,
                   const std::string& caminhoExtra, const std::filesystem::path& zipFile);
  // freshArchive: the archive this run made, always sent; empty for none.
  void Upload(const DeploymentSettings& settings, const std::filesystem::path& freshArchive);
  [[nodiscard]] std::string ReadCnpj() const;
  void Line(const std::string& text) const;

  ProgressView* FMemoLogs;
  ConnectionIndicators* FIndicators;
  const Clock* FClock;
  TDM* FDM;
};
