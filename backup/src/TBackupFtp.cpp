#include "backup/TBackupFtp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "backup/TFTP.h"
#include "backup/TIntegradorGestor.h"
#include "common/Clock.h"
#include "common/DelphiFormat.h"
#include "common/DeploymentSettings.h"
#include "common/ProgressView.h"
#include "common/TDM.h"
#include "common/platform/FileDescriptor.h"
#include "common/platform/InstanceLock.h"
#include "common/platform/Paths.h"
#include "common/platform/Process.h"

namespace fs = std::filesystem;
using platform::QuotedForShell;

namespace {

constexpr int kDiasArquivos = 2;
constexpr int kDiasLogs = 10;
// pg_dump waits for ever on a server that accepts the connection but never answers; a job that
// never ends would block every later run.
constexpr int kTempoConexaoSegundos = 60;

std::string ErroDoSistema(const fs::path& file) {
  return "Não foi possível gravar " + file.string() + ": " + std::strerror(errno);
}

// Writes a file that only its owner may read, replacing any entry of that name. The file is
// created with its final mode, so the password inside is never readable by others, not even for
// a moment; a symbolic link in its place is replaced, never followed.
void GravarArquivoPrivado(const fs::path& file, const std::string& content) {
  if (::unlink(file.c_str()) != 0 && errno != ENOENT) throw std::runtime_error(ErroDoSistema(file));
  platform::FileDescriptor fd(
      ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0700));
  if (fd.Get() < 0 || !platform::WriteAll(fd.Get(), content.data(), content.size()) ||
      !fd.Close()) {
    throw std::runtime_error(ErroDoSistema(file));
  }
}

}  // namespace

TBackupFtp::TBackupFtp(const Clock* clock) : TBackupFtp(DM(), clock) {}

TBackupFtp::TBackupFtp(TDM& dm, const Clock* clock)
    : FDM(dm), FClock(clock), FRaiz(platform::InWorkingDir("BKP_FTP")), FFuncoes(clock) {}

void TBackupFtp::RegistrarMensagem(const std::string& texto) {
  InserirLinhaProgresso(memo, texto, FClock);
  FFuncoes.GravarLog(texto, kDirLog);
}

void TBackupFtp::Execute() {
  // A `Backup --backup-ftp` started beside the agent's own run would share this minute's script,
  // dump and archive.
  std::error_code ec;
  fs::create_directories(FRaiz, ec);
  const platform::FolderRunLock folder(FRaiz);
  if (!folder.Free()) {
    throw std::runtime_error("Backup configurado anterior ainda em andamento; execução ignorada");
  }
  FFuncoes.DeleteFileOld(FRaiz.string() + "/", kDiasArquivos, "zip");
  FFuncoes.DeleteFileOld("Logs\\" + std::string(kDirLog), kDiasLogs, "txt");
  RegistrarMensagem("iniciando BKP");
  GerarArquivoBat();
  GerarBackup();
  EnviarFTP();
  ApagarTemporarios();
  RegistrarMensagem("BKP Finalizado");
}

std::string TBackupFtp::Script() const { return (FRaiz / kScript).string(); }

void TBackupFtp::GerarArquivoBat() {
  RegistrarMensagem("Iniciando a geração o arquivo .bat para bpk");
  std::error_code ec;
  fs::create_directories(FRaiz, ec);
  if (ec) {
    throw std::runtime_error("Não foi possível criar a pasta " + FRaiz.string() + ": " +
                             ec.message());
  }
  FNomeArquivo =
      (FRaiz / ("Backup_" + FormatDateTime("dd_mm_yyyy_hh_mm", ClockOr(FClock).Now()))).string();

  const DeploymentSettings::PostgreSQL& pg = Deployment().postgresql;
  const bool pastaBin = !pg.PastaBin.empty() && fs::is_directory(pg.PastaBin, ec);
  const std::string dump = QuotedForShell(Dump());
  std::string script = "#!/bin/sh\n";
  // Inside PostgreSQL's own folder its pg_dump runs; without it, whichever the search path finds.
  if (pastaBin) script += "cd " + QuotedForShell(pg.PastaBin.string()) + " || exit 1\n";
  script += "PGUSER=" + QuotedForShell(pg.Usuario) + "\nexport PGUSER\n";
  script += "PGPASSWORD=" + QuotedForShell(pg.Senha) + "\nexport PGPASSWORD\n";
  script +=
      "PGCONNECT_TIMEOUT=" + std::to_string(kTempoConexaoSegundos) + "\nexport PGCONNECT_TIMEOUT\n";
  // A dump that fails half way must not be archived and uploaded as a backup.
  script += std::string(pastaBin ? "./pg_dump" : "pg_dump") + " -h " + QuotedForShell(pg.Host) +
            " -p " + std::to_string(pg.Porta) + " -U " + QuotedForShell(pg.Usuario) +
            " -F c -b -v -f " + dump + " " + QuotedForShell(pg.Banco) + " || { rm -f " + dump +
            "; exit 1; }\n";
  GravarArquivoPrivado(Script(), script);
  RegistrarMensagem("Arquivo gerado com sucesso em " + Script());
}

void TBackupFtp::GerarBackup() {
  RegistrarMensagem("Iniciando bkp da base de dados");
  // A dump left by an earlier run of the same minute must not pass for this run's.
  std::error_code ec;
  fs::remove(Dump(), ec);
  (void)FFuncoes.ExecutarEEsperar(Script());
  RegistrarMensagem("BKP Criado");
  RegistrarMensagem("Iniciando compactação do bpk");
  FFuncoes.CriarZipFile(Arquivo(), Dump());
  RegistrarMensagem("Compactação finalizada em : " + Arquivo());
}

void TBackupFtp::EnviarFTP() {
  RegistrarMensagem("Preparando para enviar arquivo para o FTP");
  {
    TFTP ftp(FDM, FClock);
    ftp.memo = memo;
    ftp.Conectar();
    // TFTP has shown and logged why; recording the date or reporting the backup now would
    // claim an upload that never happened.
    if (!ftp.EnviarArquivo(Arquivo())) {
      throw std::runtime_error("O backup " + Arquivo() + " não foi enviado para o FTP");
    }
    const std::string hoje =
        FormatDateTime(Deployment().sistema.FormatoData, ClockOr(FClock).Now());
    Query& qry = FDM.qry;
    qry.Close();
    qry.SetSQL("UPDATE EMPRESAS SET DATA_ENVIO_FTP = " + QuotedStr(hoje) + " WHERE EMP_001=1");
    qry.ExecSQL();
    TIntegradorGestor::UltimoBackup(kDirLog, FClock);
  }
  RegistrarMensagem("Finalizado o envio do arquivo para FTP");
}

void TBackupFtp::ApagarTemporarios() {
  RegistrarMensagem("Deletando Arquivos temporários");
  std::error_code ec;
  fs::remove(Script(), ec);
  fs::remove(Dump(), ec);
}
