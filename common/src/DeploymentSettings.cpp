#include "common/DeploymentSettings.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "common/IniFile.h"
#include "common/platform/Paths.h"

namespace {
std::mutex gMutex;
std::shared_ptr<const DeploymentSettings> gCurrent;

void Read(const IniFile& ini, const char* section, const char* key, std::string& value) {
  value = ini.ReadString(section, key, value);
}
void Read(const IniFile& ini, const char* section, const char* key, std::int32_t& value) {
  value = ini.ReadInteger(section, key, value);
}
void Read(const IniFile& ini, const char* section, const char* key, std::filesystem::path& value) {
  value = ini.ReadString(section, key, value.string());
}
}  // namespace

std::string DeploymentSettings::DatabasePath() const {
  if (!firebird.Banco.empty()) return firebird.Banco;
  return (produto.Pasta / "DADOS" / "DADOS.FDB").string();
}

std::filesystem::path DeploymentSettings::BackupFolder() const { return produto.Pasta / "BACKUP"; }

DeploymentSettings DeploymentSettings::Load(const std::filesystem::path& file) {
  DeploymentSettings s;
  const IniFile ini(file);
  Read(ini, "Produto", "Pasta", s.produto.Pasta);
  Read(ini, "Firebird", "Servidor", s.firebird.Servidor);
  Read(ini, "Firebird", "Banco", s.firebird.Banco);
  Read(ini, "Firebird", "Usuario", s.firebird.Usuario);
  Read(ini, "Firebird", "Senha", s.firebird.Senha);
  Read(ini, "Firebird", "BibliotecaCliente", s.firebird.BibliotecaCliente);
  Read(ini, "FTPBackup", "Host", s.ftpBackup.Host);
  Read(ini, "FTPBackup", "Porta", s.ftpBackup.Porta);
  Read(ini, "FTPBackup", "Usuario", s.ftpBackup.Usuario);
  Read(ini, "FTPBackup", "Senha", s.ftpBackup.Senha);
  Read(ini, "FTPBackup", "Dominio", s.ftpBackup.Dominio);
  Read(ini, "FTPBackup", "TempoConexaoMs", s.ftpBackup.TempoConexaoMs);
  Read(ini, "FTPGestor", "Host", s.ftpGestor.Host);
  Read(ini, "FTPGestor", "Porta", s.ftpGestor.Porta);
  Read(ini, "FTPGestor", "Usuario", s.ftpGestor.Usuario);
  Read(ini, "FTPGestor", "Senha", s.ftpGestor.Senha);
  Read(ini, "FTPGestor", "TempoConexaoMs", s.ftpGestor.TempoConexaoMs);
  Read(ini, "Gestor", "URL", s.gestor.URL);
  Read(ini, "Atualizacao", "URL", s.atualizacao.URL);
  Read(ini, "PostgreSQL", "PastaBin", s.postgresql.PastaBin);
  Read(ini, "PostgreSQL", "Host", s.postgresql.Host);
  Read(ini, "PostgreSQL", "Porta", s.postgresql.Porta);
  Read(ini, "PostgreSQL", "Usuario", s.postgresql.Usuario);
  Read(ini, "PostgreSQL", "Senha", s.postgresql.Senha);
  Read(ini, "PostgreSQL", "Banco", s.postgresql.Banco);
  Read(ini, "Dominios", "Delivery", s.dominios.Delivery);
  Read(ini, "Dominios", "Gerente", s.dominios.Gerente);
  Read(ini, "Segredos", "SaltToken", s.segredos.SaltToken);
  Read(ini, "HTTP", "TempoConexaoMs", s.http.TempoConexaoMs);
  Read(ini, "Sistema", "PastaAutostart", s.sistema.PastaAutostart);
  Read(ini, "Sistema", "OrigemAtalho", s.sistema.OrigemAtalho);
  Read(ini, "Sistema", "FormatoData", s.sistema.FormatoData);
  Read(ini, "Sistema", "SeparadorDecimal", s.sistema.SeparadorDecimal);
  return s;
}

std::filesystem::path DeploymentSettings::DefaultFile() {
  if (const char* env = std::getenv("IMPLANTACAO_INI"); env && *env) return env;
  return platform::ExecutableDir() / "implantacao.ini";
}

const DeploymentSettings& Deployment() {
  std::lock_guard lock(gMutex);
  if (!gCurrent) {
    gCurrent = std::make_shared<const DeploymentSettings>(
        DeploymentSettings::Load(DeploymentSettings::DefaultFile()));
  }
  return *gCurrent;
}

void SetDeployment(const DeploymentSettings& settings) {
  std::lock_guard lock(gMutex);
  // The previous object is kept alive: callers may still hold a reference to it.
  static std::vector<std::shared_ptr<const DeploymentSettings>> retired;
  if (gCurrent) retired.push_back(gCurrent);
  gCurrent = std::make_shared<const DeploymentSettings>(settings);
}
