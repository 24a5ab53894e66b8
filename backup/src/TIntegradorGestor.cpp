#include "backup/TIntegradorGestor.h"

#include <exception>

#include "common/DelphiFormat.h"
#include "common/DeploymentSettings.h"
#include "common/TAPI.h"
#include "common/TConfigECommerce.h"
#include "common/TFuncoesIFood.h"
#include "common/UrlEncoding.h"

namespace {

const std::string kDirErros = "GESTOR\\";

// The manager server's address of a page under "/gestor/".
std::string EnderecoGestor(const std::string& paginaEConsulta) {
  std::string base = Deployment().gestor.URL;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/gestor/" + paginaEConsulta;
}

std::string SerialHD() { return PercentEncode(TFuncoesIFood::NumeroSerieHD("C")); }

// UltimoBackup and AberturaServer: the CNPJ and the disk serial, no body.
void Relatar(const std::string& operacao, const std::string& pagina, const std::string& pDir,
             const Clock* clock) {
  const TFuncoesIFood funcoes(clock);
  try {
    const TConfigECommerce config;
    const std::string cnpj = TFuncoesIFood::preparaString(config.CNPJ, true);
    TAPI api(true, clock);
    api.URL = EnderecoGestor(pagina + "?cnpj=" + PercentEncode(cnpj) + "&serialHD=" + SerialHD());
    api.Method = TMethod::POST;
    api.Dir_Log = pDir;
    (void)api.Consumir(30000);
  } catch (const std::exception& e) {
    funcoes.GravarLog(operacao + e.what(), kDirErros);
  }
}

std::string ZeroOuUm(bool ligado) { return ligado ? "1" : "0"; }

}  // namespace

void TIntegradorGestor::UltimoBackup(const std::string& pDir, const Clock* clock) {
  Relatar("UltimoBackup", "_ultimoBackup.php", pDir, clock);
}

void TIntegradorGestor::AberturaServer(const std::string& pDir, const Clock* clock) {
  Relatar("AberturaServer", "_aberturaServer.php", pDir, clock);
}

void TIntegradorGestor::DetalhesFood(const std::string& pDir, const Clock* clock) {
  const TFuncoesIFood funcoes(clock);
  try {
    const TConfigECommerce config;
    // The e-mail goes in as it is stored, unescaped, as the manager server has always read it.
    const std::string corpo = Format(R"({"email": "%S","ifood": %S,"site": %S, "vendas": %S})",
                                     {config.Email, ZeroOuUm(config.IfoodAtivo),
                                      ZeroOuUm(config.Ativo), ZeroOuUm(config.VendasAtivo)});
    TAPI api(true, clock);
    api.URL = EnderecoGestor("_detalhesFood.php?serialHD=" + SerialHD());
    api.Method = TMethod::POST;
    api.Params.SetText(corpo);
    api.Dir_Log = pDir;
    funcoes.GravarLog("AberturaServer: " + api.URL);
    funcoes.GravarLog("AberturaServer: " + corpo);
    (void)api.Consumir(30000);
  } catch (const std::exception& e) {
    funcoes.GravarLog("AberturaServer ERRO: " + std::string(e.what()), kDirErros);
  }
}
