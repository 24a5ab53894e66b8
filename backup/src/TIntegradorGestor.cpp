#include "backup/TIntegradorGestor.h"

#include <exception>

#include "common/DelphiFormat.h"
#include "common/DeploymentSettings.h"
#include "common/TAPI.h"
#include "common/TConfigECommerce.h"
#include "common/TFuncoesIFood.h"

namespace {

const std::string kDirErros = "GESTOR\\";

// A query value as it travels: unreserved characters as they are, anything else as %XX. A CNPJ
// of digits and a hexadecimal serial pass unchanged; stray text can't break the address.
std::string QueryValue(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

// The manager server's address of a page under "/gestor/".
std::string EnderecoGestor(const std::string& paginaEConsulta) {
  std::string base = Deployment().gestor.URL;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/gestor/" + paginaEConsulta;
}

std::string SerialHD() { return QueryValue(TFuncoesIFood::NumeroSerieHD("C")); }

// UltimoBackup and AberturaServer: the CNPJ and the disk serial, no body.
void Relatar(const std::string& operacao, const std::string& pagina, const std::string& pDir,
             const Clock* clock) {
  const TFuncoesIFood funcoes(clock);
  try {
    const TConfigECommerce config;
    const std::string cnpj = TFuncoesIFood::preparaString(config.CNPJ, true);
    TAPI api(true, clock);
    api.URL = EnderecoGestor(pagina + "?cnpj=" + QueryValue(cnpj) + "&serialHD=" + SerialHD());
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
