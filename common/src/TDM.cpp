#include "common/TDM.h"

#include <cctype>
#include <cstdint>
#include <mutex>
#include <stdexcept>

#include "common/DeploymentSettings.h"
#include "common/UnhandledErrors.h"

namespace {

std::mutex gMutex;
std::unique_ptr<TDM> gDM;

// A sequence name as a quoted identifier. A plain name is folded to upper case, as the engine
// stores names written without quotes; quotes inside are doubled.
std::string SequenceIdentifier(const std::string& name) {
  bool plain = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) != 0);
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (!(std::isalnum(u) || c == '_' || c == '$')) plain = false;
  }
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += plain ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
  }
  return out + "\"";
}

}  // namespace

TDM::TDM()
    : qry(conexao),
      Cliente(conexao),
      Produto(conexao),
      FormaPagamento(conexao),
      venda(conexao),
      vendaitem(conexao),
      vendaPagamento(conexao),
      qryEmpresa(conexao),
      qryProdutos(conexao),
      qryNumerador(conexao) {
  qryEmpresa.SetSQL("select fantasia, cnpj, aliq_icms from empresa");
  qryProdutos.SetSQL(
      "select PRO.*, gr.descricao grupo_sl from Produto PRO\n"
      "left join grupo gr on gr.codigo=pro.grupo\n"
      "where\n"
      "pro.codigo=:id");
  qryProdutos.ParamByName("ID").SetInteger(0);
}

TDM::~TDM() = default;

void TDM::DataModuleCreate() {
  const DeploymentSettings& s = Deployment();
  ConnectionParams p;
  p.Database = s.DatabasePath();
  p.Host = s.firebird.Servidor;
  p.User = s.firebird.Usuario;
  p.Password = s.firebird.Senha;
  p.ClientLibrary = s.firebird.BibliotecaCliente;
  conexao.SetParams(std::move(p));
  conexao.Open();
}

std::int64_t TDM::nextID(const std::string& sequencia) {
  qry.Close();
  qry.SetSQL("SELECT NEXT VALUE FOR " + SequenceIdentifier(sequencia) +
             " AS sequencia FROM RDB$DATABASE");
  qry.Open();
  return qry.FieldByName("sequencia").AsLargeInt();
}

std::int64_t TDM::Numerador(const std::string& Tabela, const std::string& Campo,
                            const std::string& filtra, const std::string& where,
                            const std::string& Valor) {
  std::string sql = "SELECT MAX(" + Campo + ")MAIOR FROM " + Tabela;
  if (filtra == "S") {
    sql += " WHERE " + where + "=" + Valor;
  } else if (filtra != "N") {
    // The original read whatever the query held last; a wrong flag is a caller's bug.
    throw std::runtime_error("Numerador: filtra deve ser \"N\" ou \"S\", recebido \"" + filtra +
                             "\"");
  }
  qryNumerador.Close();
  qryNumerador.SetSQL(sql);
  qryNumerador.Open();
  const std::int64_t maior = qryNumerador.Fields(0).AsLargeInt();
  if (maior == INT64_MAX) throw std::runtime_error("Numerador: " + Campo + " já chegou ao máximo");
  return maior + 1;
}

TDM& CreateDM() {
  TDM* dm = nullptr;
  {
    std::lock_guard lock(gMutex);
    if (!gDM) gDM = std::make_unique<TDM>();
    dm = gDM.get();
  }
  try {
    dm->DataModuleCreate();
  } catch (...) {
    HandleUnhandledException(std::current_exception());
  }
  return *dm;
}

TDM& DM() {
  std::lock_guard lock(gMutex);
  if (!gDM) throw std::runtime_error("o módulo de dados ainda não foi criado");
  return *gDM;
}

void DestroyDM() {
  std::unique_ptr<TDM> dm;
  {
    std::lock_guard lock(gMutex);
    dm = std::move(gDM);
  }
}
