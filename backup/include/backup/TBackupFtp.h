#pragma once
// TBackupFtp: the configured backup job. Dumps the PostgreSQL database (deployment settings
// PostgreSQL) with pg_dump through a script it writes, zips the dump with the working
// directory's "config.ini" and "configuracao.ini", uploads the archive with TFTP, stamps the
// upload date in the company row and reports the backup to the manager server.
//
//   TBackupFtp job;     // the folder is fixed now: working directory + "BKP_FTP"
//   job.memo = view;    // optional progress lines
//   job.Execute();      // throws at the first step that fails; the caller logs it
//
// Every step writes its line to the memo (when set) and to the log folder "BKP\". One object
// serves one run. Files of a run are named after the minute it started, so two runs in the same
// minute share them (the second replaces the first's).

#include <filesystem>
#include <string>

#include "common/TFuncoesIFood.h"

class Clock;
class ProgressView;
class TDM;

class TBackupFtp {
 public:
  // Works on the process-wide data module.
  explicit TBackupFtp(const Clock* clock = nullptr);
  // Works on `dm`: its shared query `qry` (trade name, upload date), so nothing else may use
  // that query while Execute runs.
  explicit TBackupFtp(TDM& dm, const Clock* clock = nullptr);

  ProgressView* memo = nullptr;  // where progress lines go; null: only the log

  // The whole job. Throws std::runtime_error (EDatabaseError for the database) naming what
  // failed; the steps after it don't run and the run's files stay in the folder. A dump that
  // fails leaves no dump, so the archive step fails; an upload that fails is neither stamped in
  // the company row nor reported, and throws.
  void Execute();

  // The job's folder: the working directory at creation + "BKP_FTP".
  [[nodiscard]] const std::filesystem::path& Raiz() const { return FRaiz; }

  // The dump script's name (in Raiz) and the job's log folder.
  static constexpr const char* kScript = "bkp.sh";
  static constexpr const char* kDirLog = "BKP\\";

 private:
  void GerarArquivoBat();
  void GerarBackup();
  void EnviarFTP();
  void ApagarTemporarios();
  void RegistrarMensagem(const std::string& texto);

  [[nodiscard]] std::string Script() const;
  [[nodiscard]] std::string Dump() const { return FNomeArquivo + ".backup"; }
  [[nodiscard]] std::string Arquivo() const { return FNomeArquivo + ".zip"; }

  TDM& FDM;
  const Clock* FClock;
  std::filesystem::path FRaiz;
  TFuncoesIFood FFuncoes;
  // This run's files without extension: FRaiz + "/Backup_" + "dd_mm_yyyy_hh_mm".
  std::string FNomeArquivo;
};
