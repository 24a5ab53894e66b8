#include "common/TConfigECommerce.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>
#include <string_view>

#include "common/DeploymentSettings.h"
#include "common/TDM.h"

namespace {

// Blanks and control characters off both ends, as the e-mail is trimmed before signing.
std::string_view TrimBlanks(std::string_view s) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

TConfigECommerce::TConfigECommerce() : TConfigECommerce(DM()) {}

TConfigECommerce::TConfigECommerce(TDM& dm) {
  Query& qry = dm.qry;
  qry.Close();
  qry.SetSQL("SELECT * FROM EMPRESAS where emp_001 = 1");
  qry.Open();
  // Without a row every field reads as NULL: empty texts, switches off.
  URL = "https://" + Deployment().dominios.Gerente + "/gerente1";
  std::string* const ids[] = {&_1, &_2, &_3, &_4, &_5, &_6, &_7, &_8, &_9, &_10};
  for (size_t i = 0; i < std::size(ids); ++i) {
    *ids[i] = qry.FieldByName("ecommerce_id" + std::to_string(i + 1)).AsString();
  }
  Ativo = qry.FieldByName("ecommerce_ativo").AsBoolean();
  Email = qry.FieldByName("emp_014").AsString();
  Token = CalcularToken(Email);
  CNPJ = qry.FieldByName("emp_004").AsString();
  IfoodAtivo = qry.FieldByName("ifood_ativo").AsBoolean();
  VendasAtivo = qry.FieldByName("integracao_ativo").AsBoolean();
  quantidadeNaDescricao = qry.FieldByName("quantidadeNaDescricao").AsBoolean();
}

std::string TConfigECommerce::CalcularToken(const std::string& email) {
  const TFuncoesIFood funcoes;
  return LowerCase(funcoes.MD5(Deployment().segredos.SaltToken + std::string(TrimBlanks(email))));
}

void TConfigECommerce::Gravar() {
  Email.clear();
  Token.clear();
  FFuncao.GravarINI("ECOMMERCE_CONFIG.INI", "CONF", *this);
}

const ClassInfo& TConfigECommerce::Class() {
  static const ClassInfo info =
      ClassBuilder<TConfigECommerce>("TConfigECommerce")
          .Property("URL", &TConfigECommerce::URL)
          .Property("Email", &TConfigECommerce::Email)
          .Property("Token", &TConfigECommerce::Token)
          .Property("Ativo", &TConfigECommerce::Ativo)
          .Property("CNPJ", &TConfigECommerce::CNPJ)
          .Property("IfoodAtivo", &TConfigECommerce::IfoodAtivo)
          .Property("VendasAtivo", &TConfigECommerce::VendasAtivo)
          .Property("quantidadeNaDescricao", &TConfigECommerce::quantidadeNaDescricao)
          .Property("_1", &TConfigECommerce::_1)
          .Property("_2", &TConfigECommerce::_2)
          .Property("_3", &TConfigECommerce::_3)
          .Property("_4", &TConfigECommerce::_4)
          .Property("_5", &TConfigECommerce::_5)
          .Property("_6", &TConfigECommerce::_6)
          .Property("_7", &TConfigECommerce::_7)
          .Property("_8", &TConfigECommerce::_8)
          .Property("_9", &TConfigECommerce::_9)
          .Property("_10", &TConfigECommerce::_10)
          .Build();
  return info;
}
