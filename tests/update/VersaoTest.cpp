#include <gtest/gtest.h>

#include <string>

#include "UpdateTestSupport.h"
#include "common/DeploymentSettings.h"
#include "common/Errors.h"
#include "common/FileVersion.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"
#include "update/Updater.h"

using harness::HttpStandIn;
using harness::StandInReply;

namespace {

TEST(VersaoDesatualizada, ComparesTheFourPartsAsNumbers) {
  struct Case {
    const char* atual;
    const char* requerida;
    bool desatualizada;
  } cases[] = {
      {"25.0.0.150", "25.0.0.150", false},
      {"25.0.0.150", "25.0.0.151", true},
      {"25.0.0.150", "25.0.0.149", false},  // never a downgrade
      {"25.0.0.150", "25.1.0.0", true},
      {"25.9.0.0", "25.10.0.0", true},  // numbers, not texts
      {"26.0.0.0", "25.99.99.999", false},
      {"25.0.0.150", "25.0.0.0150", false},  // the same number written otherwise
      {"1.0.0.0", "1.0.0.1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.atual) + " vs " + c.requerida);
    EXPECT_EQ(Updater::VersaoDesatualizada(c.atual, c.requerida), c.desatualizada);
  }
}

TEST(VersaoDesatualizada, AnyOtherTextIsAConversionError) {
  const char* invalidas[] = {
      "25.0.0",
      "25.0.0.151.1",
      "25.0.0.151\n",
      "25.0.0.151\r\n",
      " 25.0.0.151",
      "25.0.0.151 ",
      "25..0.151",
      "25.0.0.",
      "+25.0.0.151",
      "-25.0.0.151",
      "25.0.0.x",
      "",
      "99999999999.0.0.0",
      "Erro: Falha na requisição HTTP: Connection refused",
  };
  for (const char* texto : invalidas) {
    SCOPED_TRACE(texto);
    EXPECT_THROW((void)Updater::VersaoDesatualizada("25.0.0.150", texto), EConvertError);
    EXPECT_THROW((void)Updater::VersaoDesatualizada(texto, "25.0.0.150"), EConvertError);
  }
  // Equal texts are settled before they are read.
  EXPECT_FALSE(Updater::VersaoDesatualizada("Erro: x", "Erro: x"));
}

TEST(VersaoDesatualizada, TheErrorShowsTheTextOnOneLine) {
  try {
    (void)Updater::VersaoDesatualizada("25.0.0.150", "25.0.0.151\r\n");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(),
                 "'25.0.0.151\\r\\n' não é uma versão válida (major.minor.release.build)");
  }
}

class UpdateHostTest : public ::testing::Test {
 protected:
  void SetUp() override { Publish(web.Url()); }
  void TearDown() override { SetDeployment(DeploymentSettings{}); }

  static void Publish(const std::string& url) {
    DeploymentSettings settings;
    settings.atualizacao.URL = url;
    SetDeployment(settings);
  }

  harness::ScratchDir scratch;
  HttpStandIn web;
};

using GetVersaoExecutavelSite = UpdateHostTest;

TEST_F(GetVersaoExecutavelSite, ReturnsThePublishedTextExactly) {
  web.On("GET", "/Brisane/versao", StandInReply{.Body = "25.0.0.151\r\n"});
  for (const std::string& base : {web.Url(), web.Url("/")}) {
    SCOPED_TRACE(base);
    Publish(base);
    EXPECT_EQ(Updater::GetVersaoExecutavelSite(), "25.0.0.151\r\n");
  }
  EXPECT_EQ(web.Requests().back().Path, "/Brisane/versao");
}

TEST_F(GetVersaoExecutavelSite, FollowsRedirects) {
  web.On("GET", "/Brisane/versao",
         StandInReply{.Status = 301, .Headers = {{"Location", "/espelho/versao"}}});
  web.On("GET", "/espelho/versao", StandInReply{.Body = "25.0.0.151"});

  EXPECT_EQ(Updater::GetVersaoExecutavelSite(), "25.0.0.151");
}

TEST_F(GetVersaoExecutavelSite, AnHttpsHostMustShowATrustedCertificate) {
  HttpStandIn tls(harness::StandInTls::Modern);
  tls.On("GET", "/Brisane/versao", StandInReply{.Body = "25.0.0.151"});
  Publish(tls.Url());
  // The stand-in's certificate is its own, so the check refuses it: the text says why.
  EXPECT_TRUE(Updater::GetVersaoExecutavelSite().starts_with("Erro: Falha na conexão segura"));
  EXPECT_EQ(tls.RequestCount(), 0u);
}

TEST_F(GetVersaoExecutavelSite, FailuresBecomeAnErrorText) {
  web.On("GET", "/espelho/versao", StandInReply{.Status = 404, .Body = "25.0.0.151"});
  struct Case {
    const char* name;
    std::string base;
    const char* expected;
  } cases[] = {
      {"not published", web.Url("/espelho"), "Erro: HTTP/1.1 404 Not Found"},
      {"host down", "http://127.0.0.1:" + std::to_string(harness::FreeLoopbackPort()),
       "Erro: Falha na requisição HTTP: "},
      {"not configured", "", "Erro: Servidor de atualização não configurado (Atualizacao/URL)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Publish(c.base);
    EXPECT_TRUE(Updater::GetVersaoExecutavelSite().starts_with(c.expected))
        << Updater::GetVersaoExecutavelSite();
  }
}

using ExisteAtualizacao = UpdateHostTest;

TEST_F(ExisteAtualizacao, OnlyANewerPublishedVersionIsAnUpdate) {
  FileVersion v = CompiledVersion();
  ASSERT_EQ(Updater::GetVersaoExecutavelAtual(), CompiledVersionText());
  FileVersion newer = v;
  ++newer[3];
  FileVersion older = v;
  if (older[3] > 0) {
    --older[3];
  } else {
    --older[0];
  }
  struct Case {
    std::string published;
    bool update;
  } cases[] = {
      {FileVersionText(v), false},
      {FileVersionText(newer), true},
      {FileVersionText(older), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.published);
    web.On("GET", "/Brisane/versao", StandInReply{.Body = c.published});
    EXPECT_EQ(Updater::ExisteAtualizacao(), c.update);
  }
}

TEST_F(ExisteAtualizacao, NoUpdateHostConfiguredMeansNoUpdate) {
  Publish("");
  EXPECT_FALSE(Updater::ExisteAtualizacao());
  EXPECT_NE(updatetest::LogText().find(Updater::kAtualizacaoDesativada), std::string::npos);
  EXPECT_EQ(web.RequestCount(), 0u);
}

TEST_F(ExisteAtualizacao, AnUnreachableHostOrAMalformedVersionIsAConversionError) {
  web.On("GET", "/Brisane/versao", StandInReply{.Body = "25.0.0"});
  EXPECT_THROW((void)Updater::ExisteAtualizacao(), EConvertError);

  Publish("http://127.0.0.1:" + std::to_string(harness::FreeLoopbackPort()));
  try {
    (void)Updater::ExisteAtualizacao();
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    // The technician reads in the log why the check failed.
    EXPECT_TRUE(std::string(e.what()).starts_with("'Erro: Falha na requisição HTTP")) << e.what();
  }
}

}  // namespace
