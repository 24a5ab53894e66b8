#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/DeploymentSettings.h"
#include "common/Persistent.h"
#include "common/TFuncoesIFood.h"
#include "harness/Harness.h"

using harness::ReadFile;
using harness::ScratchDir;
using harness::WriteFile;
namespace fs = std::filesystem;

namespace {

class TEnderecoTeste : public Persistent {
 public:
  std::string Rua;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TEnderecoTeste>("TEnderecoTeste")
                                      .Property("Rua", &TEnderecoTeste::Rua)
                                      .Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

class TConfigTeste : public Persistent {
 public:
  std::string URL;
  bool Ativo = false;
  std::int32_t Porta = 0;
  double Taxa = 0;
  Currency Valor;
  TDateTime Data;
  std::int64_t Grande = 0;
  std::unique_ptr<TEnderecoTeste> Endereco;
  std::vector<std::unique_ptr<TEnderecoTeste>> Enderecos;
  std::string Token;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TConfigTeste>("TConfigTeste")
                                      .Property("URL", &TConfigTeste::URL)
                                      .Property("Ativo", &TConfigTeste::Ativo)
                                      .Property("Porta", &TConfigTeste::Porta)
                                      .Property("Taxa", &TConfigTeste::Taxa)
                                      .Property("Valor", &TConfigTeste::Valor)
                                      .Property("Data", &TConfigTeste::Data)
                                      .Property("Grande", &TConfigTeste::Grande)
                                      .Property("Endereco", &TConfigTeste::Endereco)
                                      .Property("Enderecos", &TConfigTeste::Enderecos)
                                      .Property("Token", &TConfigTeste::Token)
                                      .Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

class TFuncoesIFoodObjectsTest : public ::testing::Test {
 protected:
  TFuncoesIFoodObjectsTest() : FSaved(Deployment()) {}
  ~TFuncoesIFoodObjectsTest() override { SetDeployment(FSaved); }

  static void UseSeparator(const std::string& separator) {
    DeploymentSettings s = Deployment();
    s.sistema.SeparadorDecimal = separator;
    SetDeployment(s);
  }

  static TConfigTeste Filled() {
    TConfigTeste c;
    c.URL = "https://loja.example/api?a=1";
    c.Ativo = true;
    c.Porta = -5;
    c.Taxa = 1.5;
    c.Valor = Currency::Parse("12.5");
    c.Data = TDateTime::FromParts(2026, 12, 10, 12, 0);
    c.Grande = 1;
    c.Endereco = std::make_unique<TEnderecoTeste>();
    c.Token = "";
    return c;
  }

  ScratchDir scratch;
  TFuncoesIFood funcoes;

 private:
  DeploymentSettings FSaved;
};

using GravarINI = TFuncoesIFoodObjectsTest;
using SerializarINI = TFuncoesIFoodObjectsTest;

TEST_F(GravarINI, WritesOneKeyPerPropertyByTheValueRules) {
  TConfigTeste c = Filled();
  EXPECT_EQ(&funcoes.GravarINI("ECOMMERCE_CONFIG.INI", "CONF", c), &c);
  // 64-bit integers, objects and lists are skipped.
  EXPECT_EQ(ReadFile(scratch / "ECOMMERCE_CONFIG.INI"),
            "[CONF]\r\n"
            "URL=https://loja.example/api?a=1\r\n"
            "Ativo=1\r\n"
            "Porta=-5\r\n"
            "Taxa=1,5\r\n"
            "Valor=12,5\r\n"
            "Data=46366,5\r\n"
            "Token=\r\n");
}

TEST_F(GravarINI, FollowsTheDeploymentsDecimalSeparatorAndThePlatformsNumberForms) {
  UseSeparator(".");
  struct Case {
    double taxa;
    const char* text;
  } cases[] = {
      {1.5, "1.5"},       {0.1 + 0.2, "0.3"},        {-2, "-2"}, {1e20, "1E20"}, {1e-5, "1E-5"},
      {0.0001, "0.0001"}, {123456.789, "123456.789"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TConfigTeste config;
    config.Taxa = c.taxa;
    funcoes.GravarINI("c.ini", "S", config);
    EXPECT_NE(ReadFile(scratch / "c.ini").find(std::string("Taxa=") + c.text + "\r\n"),
              std::string::npos);
  }
}

TEST_F(GravarINI, KeepsEveryValueOnItsOwnLine) {
  TConfigTeste c;
  c.URL = "a\r\n[Outra]\r\nAtivo=1";
  funcoes.GravarINI("c.ini", "S", c);
  const std::string content = ReadFile(scratch / "c.ini");
  EXPECT_EQ(content.find("[Outra]\r\n"), std::string::npos);
  TConfigTeste lido;
  funcoes.SerializarINI("c.ini", "S", lido);
  EXPECT_EQ(lido.URL, "a  [Outra]  Ativo=1");
  EXPECT_FALSE(lido.Ativo);
}

TEST_F(GravarINI, RaisesNamingTheFileWhenItCannotWrite) {
  WriteFile(scratch / "c.ini", "[S]\r\n");
  ASSERT_EQ(::chmod((scratch / "c.ini").c_str(), 0444), 0);
  TConfigTeste c = Filled();
  try {
    funcoes.GravarINI("c.ini", "S", c);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find((scratch / "c.ini").string()), std::string::npos)
        << e.what();
  }
}

TEST_F(SerializarINI, ReadsBackWhatGravarINIWrote) {
  for (const char* separator : {",", "."}) {
    SCOPED_TRACE(separator);
    UseSeparator(separator);
    TConfigTeste c = Filled();
    c.Taxa = -0.000123456789012345;
    c.Valor = Currency::Parse("-922337203685477.5808");
    c.Data = TDateTime::FromParts(2026, 12, 10, 14, 5, 9, 45);
    c.Token = "çã";
    funcoes.GravarINI("ECOMMERCE_CONFIG.INI", "CONF", c);

    TConfigTeste lido;
    EXPECT_EQ(&funcoes.SerializarINI("ECOMMERCE_CONFIG.INI", "conf", lido), &lido);
    EXPECT_EQ(lido.URL, c.URL);
    EXPECT_TRUE(lido.Ativo);
    EXPECT_EQ(lido.Porta, -5);
    EXPECT_DOUBLE_EQ(lido.Taxa, c.Taxa);
    EXPECT_EQ(lido.Valor, c.Valor);
    EXPECT_EQ(lido.Data, c.Data);
    EXPECT_EQ(lido.Token, "çã");
    EXPECT_EQ(lido.Grande, 0);
    EXPECT_EQ(lido.Endereco, nullptr);
  }
}

TEST_F(SerializarINI, DoesNothingWhenTheFileDoesNotExist) {
  TConfigTeste c = Filled();
  EXPECT_EQ(&funcoes.SerializarINI("nao_existe.ini", "CONF", c), &c);
  EXPECT_EQ(c.URL, "https://loja.example/api?a=1");
  EXPECT_EQ(c.Porta, -5);
  EXPECT_FALSE(fs::exists(scratch / "nao_existe.ini"));
}

TEST_F(SerializarINI, MissingKeysGiveEmptyValuesAndBadValuesKeepTheCurrentOnes) {
  WriteFile(scratch / "c.ini",
            "[CONF]\r\n"
            "Ativo=true\r\n"
            "Porta=abc\r\n"
            "Taxa=1,5,5\r\n"
            "Valor=1e30\r\n"
            "Data=99999999\r\n"
            "[OUTRA]\r\n"
            "URL=errada\r\n");
  TConfigTeste c = Filled();
  funcoes.SerializarINI("c.ini", "CONF", c);
  EXPECT_TRUE(c.Ativo);
  EXPECT_EQ(c.Porta, -5);
  EXPECT_EQ(c.Taxa, 1.5);
  EXPECT_EQ(c.Valor, Currency::Parse("12.5"));
  EXPECT_EQ(c.Data, TDateTime::FromParts(2026, 12, 10, 12, 0));
  EXPECT_EQ(c.URL, "");
  EXPECT_EQ(c.Token, "");

  WriteFile(scratch / "c.ini", "[CONF]\r\nURL=x\r\n");
  c = Filled();
  funcoes.SerializarINI("c.ini", "CONF", c);
  EXPECT_EQ(c.URL, "x");
  EXPECT_FALSE(c.Ativo);
  EXPECT_EQ(c.Porta, 0);
  EXPECT_EQ(c.Taxa, 0.0);
  EXPECT_EQ(c.Valor, Currency{});
  EXPECT_TRUE(c.Data.IsEmpty());
  EXPECT_EQ(c.Grande, 1);  // skipped kinds are left alone
  EXPECT_NE(c.Endereco, nullptr);
}

TEST_F(SerializarINI, ReadsIntegersAndFlagsByThePlatformRules) {
  WriteFile(scratch / "c.ini",
            "[conf]\r\nporta = 0x1F \r\nativo=2\r\ntaxa=2.25\r\nvalor=0,00005\r\ndata=1\r\n");
  TConfigTeste c;
  funcoes.SerializarINI("C.INI", "CONF", c);
  EXPECT_EQ(c.Porta, 31);
  EXPECT_TRUE(c.Ativo);
  EXPECT_EQ(c.Taxa, 2.25);
  EXPECT_EQ(c.Valor.Raw(), 0);
  EXPECT_EQ(c.Data, TDateTime::FromParts(1899, 12, 31));
}

}  // namespace
