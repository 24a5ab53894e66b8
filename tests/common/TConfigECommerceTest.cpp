#include "common/TConfigECommerce.h"

#include <gtest/gtest.h>

#include <string>

#include "common/DeploymentSettings.h"
#include "common/Errors.h"
#include "common/TDM.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"

namespace {

constexpr const char* kSalt = "s4lT0k3n!x";
// md5("s4lT0k3n!x" + "loja@exemplo.com.br") and md5("s4lT0k3n!x"), worked out apart.
constexpr const char* kTokenDaLoja = "2a495551a54afb09b670641b3e3bc2bb";
constexpr const char* kTokenSoDoSalt = "0bf7090e7fa9f7cd9dbabc7904c03b6d";

class TConfigECommerceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeploymentSettings settings = harness::FreshDatabase(harness::DatabaseMode::Server, true);
    settings.dominios.Gerente = "loja-exemplo";
    settings.segredos.SaltToken = kSalt;
    SetDeployment(settings);
    CreateDM();
  }
  void TearDown() override {
    DestroyDM();
    SetDeployment(DeploymentSettings{});
  }

  static void Exec(const std::string& sql) {
    Query q(DM().conexao);
    q.SetSQL(sql);
    q.ExecSQL();
  }

  harness::ScratchDir scratch;
};

TEST_F(TConfigECommerceTest, ReadsTheCompanyRowAndSignsTheTrimmedEmail) {
  Exec(
      "update empresas set emp_014 = '  loja@exemplo.com.br \t', ecommerce_ativo = true,"
      " ifood_ativo = true, integracao_ativo = false, quantidadenadescricao = true,"
      " ecommerce_id1 = 5, ecommerce_id10 = 12 where emp_001 = 1");

  const TConfigECommerce config;

  EXPECT_EQ(config.URL, "https://loja-exemplo/gerente1");
  EXPECT_EQ(config.Email, "  loja@exemplo.com.br \t");
  // The blanks around the stored e-mail don't change the token.
  EXPECT_EQ(config.Token, kTokenDaLoja);
  EXPECT_EQ(TConfigECommerce::CalcularToken("loja@exemplo.com.br"), kTokenDaLoja);
  EXPECT_EQ(config.CNPJ, "12.345.678/0001-90");
  EXPECT_TRUE(config.Ativo);
  EXPECT_TRUE(config.IfoodAtivo);
  EXPECT_FALSE(config.VendasAtivo);
  EXPECT_TRUE(config.quantidadeNaDescricao);
  EXPECT_EQ(config._1, "5");
  EXPECT_EQ(config._2, "");
  EXPECT_EQ(config._10, "12");
  // The shared query stays open on the row it read.
  EXPECT_TRUE(DM().qry.Active());
  EXPECT_EQ(DM().qry.FieldByName("EMP_001").AsInteger(), 1);
}

TEST_F(TConfigECommerceTest, WithoutCompanyRowTextsAreEmptyAndSwitchesOff) {
  Exec("update empresas set ecommerce_ativo = true, ifood_ativo = true");
  Exec("update empresas set emp_001 = 2");

  const TConfigECommerce config;

  EXPECT_EQ(config.URL, "https://loja-exemplo/gerente1");
  EXPECT_EQ(config.Email, "");
  EXPECT_EQ(config.CNPJ, "");
  EXPECT_EQ(config._1, "");
  EXPECT_EQ(config.Token, kTokenSoDoSalt);
  EXPECT_FALSE(config.Ativo);
  EXPECT_FALSE(config.IfoodAtivo);
  EXPECT_FALSE(config.VendasAtivo);
  EXPECT_FALSE(config.quantidadeNaDescricao);
}

TEST_F(TConfigECommerceTest, AMissingTableOrColumnRaisesFromConstruction) {
  Exec("alter table empresas drop ifood_ativo");
  EXPECT_THROW(TConfigECommerce{}, EDatabaseError);
  // The shared query still holds the table while its statement is prepared.
  DM().qry.SetSQL("select 1 from rdb$database");
  Exec("drop table empresas");
  EXPECT_THROW(TConfigECommerce{}, EDatabaseError);
}

TEST_F(TConfigECommerceTest, GravarWritesEveryPropertyWithoutEmailAndToken) {
  Exec(
      "update empresas set emp_014 = 'loja@exemplo.com.br', ecommerce_ativo = true,"
      " ecommerce_id3 = 7 where emp_001 = 1");
  TConfigECommerce config;

  config.Gravar();

  EXPECT_EQ(config.Email, "");
  EXPECT_EQ(config.Token, "");
  EXPECT_EQ(harness::ReadFile(scratch / "ECOMMERCE_CONFIG.INI"),
            "[CONF]\r\n"
            "URL=https://loja-exemplo/gerente1\r\n"
            "Email=\r\n"
            "Token=\r\n"
            "Ativo=1\r\n"
            "CNPJ=12.345.678/0001-90\r\n"
            "IfoodAtivo=0\r\n"
            "VendasAtivo=0\r\n"
            "quantidadeNaDescricao=0\r\n"
            "_1=\r\n"
            "_2=\r\n"
            "_3=7\r\n"
            "_4=\r\n"
            "_5=\r\n"
            "_6=\r\n"
            "_7=\r\n"
            "_8=\r\n"
            "_9=\r\n"
            "_10=\r\n");
}

}  // namespace
