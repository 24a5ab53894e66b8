#pragma once
// The store's integration settings, read afresh from the company row (EMPRESAS, EMP_001 = 1)
// each time one is made, plus two derived values: the site's base address and the token that
// signs requests to the maker's web services. Make one when the settings are needed and drop it;
// nothing caches them. Construction runs on the data module's shared query `qry`, which it leaves
// open on the row, so it must not run while another component is using `qry`.

#include <string>

#include "common/Persistent.h"
#include "common/TFuncoesIFood.h"

class TDM;

class TConfigECommerce : public Persistent {
 public:
  // Reads through the process-wide data module.
  TConfigECommerce();
  // Reads through `dm`. A failing statement or a missing column throws EDatabaseError; without a
  // company row every text is empty (the token then signs the salt alone) and every switch off.
  explicit TConfigECommerce(TDM& dm);

  // --- Published properties (declaration order is the order of the INI copy) ----------------
  std::string URL;           // the site's base address: "https://" + Dominios/Gerente + "/gerente1"
  std::string Email;         // emp_014: the store's login at the maker's web services
  std::string Token;         // lower-case MD5 of the salt + the trimmed Email
  bool Ativo = false;        // ecommerce_ativo
  std::string CNPJ;          // emp_004, punctuation included
  bool IfoodAtivo = false;   // ifood_ativo
  bool VendasAtivo = false;  // integracao_ativo
  bool quantidadeNaDescricao = false;  // quantidadeNaDescricao
  // ecommerce_id1 .. ecommerce_id10: for the site's payment kind n, the point-of-sale payment
  // method id as decimal text.
  std::string _1, _2, _3, _4, _5, _6, _7, _8, _9, _10;

  // Empties Email and Token, then writes every property into section CONF of
  // "ECOMMERCE_CONFIG.INI" in the working directory. Throws when the file can't be written.
  void Gravar();

  // The signing token of an e-mail: lower-case MD5 of the deployment's salt + the e-mail trimmed.
  [[nodiscard]] static std::string CalcularToken(const std::string& email);

  static const ClassInfo& Class();
  [[nodiscard]] const ClassInfo& GetClassInfo() const override { return Class(); }

 private:
  TFuncoesIFood FFuncao;
};
