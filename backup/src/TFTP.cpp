#include "backup/TFTP.h"

#include <exception>
#include <filesystem>
#include <stdexcept>

#include "common/AsciiText.h"
#include "common/Clock.h"
#include "common/DelphiFormat.h"
#include "common/DeploymentSettings.h"
#include "common/FtpClient.h"
#include "common/ProgressView.h"
#include "common/TDM.h"

namespace {

constexpr std::int64_t kIdadeMaximaMinutos = 1440;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

TFTP::TFTP(const Clock* clock) : TFTP(DM(), clock) {}

TFTP::TFTP(TDM& dm, const Clock* clock)
    : FClock(clock), FFuncao(clock), FConnectTimeout(Deployment().ftpGestor.TempoConexaoMs) {
  ConfigurarConexao();
  Query& qry = dm.qry;
  qry.Close();
  qry.SetSQL("select emp_003 from empresas where emp_001 = 1");
  qry.Open();
  FFantasia = PrepararFantasia(qry.FieldByName("emp_003").AsString());
}

TFTP::~TFTP() = default;

std::string TFTP::PrepararFantasia(const std::string& fantasia) {
  std::string nome = ReduceToPrintableAscii(ReplaceAll(fantasia, " ", "_"));
  // The reduction keeps backspace, CR and LF, which would break the FTP command line, and a
  // separator would turn the name into a path outside the company's own folder.
  for (char& c : nome) {
    if (static_cast<unsigned char>(c) < ' ' || c == '/' || c == '\\') c = '_';
  }
  return nome;
}

void TFTP::SetConnectTimeout(std::chrono::milliseconds timeout) {
  FConnectTimeout = timeout;
  ConfigurarConexao();
}

void TFTP::ConfigurarConexao() {
  const DeploymentSettings::FtpGestor& ftp = Deployment().ftpGestor;
  FtpClient::Settings settings;
  settings.Host = ftp.Host;
  settings.Port = ftp.Porta;
  settings.User = ftp.Usuario;
  settings.Password = ftp.Senha;
  settings.Passive = true;
  settings.ConnectTimeout = FConnectTimeout;
  // Replacing the client closes an open connection first.
  FFTP.reset();
  FFTP = std::make_unique<FtpClient>(std::move(settings));
}

void TFTP::ExibirMensagem(const std::string& texto) const {
  InserirLinhaProgresso(memo, texto, FClock);
}

void TFTP::Conectar() {
  ExibirMensagem("Conectando no FTP");
  if (FFantasia.empty() || FFantasia == "." || FFantasia == "..") {
    // Without a name of its own the company's backups would land in (and prune) the root.
    throw std::runtime_error("Nome fantasia da empresa 1 vazio ou inválido (\"" + FFantasia +
                             "\"): sem pasta no FTP para o backup");
  }
  if (!FFTP->Connected()) {
    FFTP->Connect();
  } else if (FFTP->CurrentDir() != "/") {
    // The company folder is named from the root; a second Conectar must not nest it.
    FFTP->ChangeDir("/");
  }

  FListagem.clear();
  std::vector<std::string> listagem;
  try {
    listagem = FFTP->NameList(FFantasia);
  } catch (const std::exception&) {
    // A folder that doesn't exist yet fails to list; it is created below.
  }

  std::string falhaAoCriar;
  if (listagem.empty()) {
    try {
      FFTP->MakeDir(FFantasia);
    } catch (const std::exception& e) {
      // An existing but empty folder lists as empty too: entering it settles the matter.
      falhaAoCriar = e.what();
    }
  }
  try {
    FFTP->ChangeDir(FFantasia);
  } catch (const std::exception& e) {
    if (falhaAoCriar.empty()) throw;
    throw std::runtime_error(falhaAoCriar + "; " + e.what());
  }
  FListagem = std::move(listagem);
}

bool TFTP::EnviarArquivo(const std::string& Arq) {
  const std::filesystem::path arquivo(Arq);
  const std::string nome = arquivo.filename().string();
  try {
    FFTP->Store(arquivo, nome);
  } catch (const std::exception& e) {
    ExibirMensagem(e.what());
    FFuncao.GravarLog("TFTP.EnviarArquivo: " + std::string(e.what()));
    return false;
  }
  ExibirMensagem("Envio do BKP para o FTP Concluido...");
  ApagarBackupsAntigos(nome);
  return true;
}

void TFTP::ApagarBackupsAntigos(const std::string& enviado) {
  const TDateTime limite = ClockOr(FClock).Now().AddMinutes(-kIdadeMaximaMinutos);
  const std::string prefixo = FFantasia + "/Backup_";
  const std::string formato = Deployment().sistema.FormatoData + " hh:nn";
  const std::vector<std::string> listagem = std::move(FListagem);
  FListagem.clear();
  for (const std::string& nome : listagem) {
    // Only the folder's own archives, as the server lists them ("<folder>/Backup_..."): a bare
    // name, "." and "..", or anything else is left alone.
    if (nome.rfind(prefixo, 0) != 0 || nome == FFantasia + "/" + enviado) continue;
    try {
      const std::string resto = ReplaceAll(nome, prefixo, "");
      if (resto.size() < 16) continue;
      // "dd_mm_yyyy_hh_nn...": the date from characters 1-10, the time from the 5 at 12.
      std::string dataHora = ReplaceAll(resto.substr(0, 10), "_", "/");
      dataHora += ' ';
      dataHora += ReplaceAll(resto.substr(11, 5), "_", ":");
      const TDateTime quando = ParseDateTime(formato, dataHora);
      // Listed names are relative to the root, where the listing was asked for.
      if (limite > quando) FFTP->Delete("/" + nome);
    } catch (const std::exception&) {
      // A name that doesn't parse or a refused delete: leave that entry.
    }
  }
}
