#include "backup/TIntegradorGestor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/DeploymentSettings.h"
#include "common/TDM.h"
#include "common/TFuncoesIFood.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"

namespace fs = std::filesystem;
using harness::StandInReply;

namespace {

constexpr const char* kStamp = "2024-02-02 10:01:00 - ";

class TIntegradorGestorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = harness::FreshDatabase(harness::DatabaseMode::Server, true);
    settings.gestor.URL = web.Url();
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

  // The day's log lines of a folder ("" is the log root); empty when there is no file.
  [[nodiscard]] std::vector<std::string> LogLines(const std::string& dir) const {
    const fs::path file = scratch / "LOGS" / dir / "2024-02-02.txt";
    return fs::exists(file) ? harness::ReadLines(file) : std::vector<std::string>{};
  }

  harness::ScratchDir scratch;
  harness::HttpStandIn web;
  DeploymentSettings settings;
  harness::ManualClock clock{TDateTime::FromParts(2024, 2, 2, 10, 1)};
  const std::string serial = TFuncoesIFood::NumeroSerieHD("C");
};

struct Report {
  const char* name;
  void (*operation)(const std::string&, const Clock*);
  const char* path;
};
const Report kCnpjReports[] = {
    {"UltimoBackup", &TIntegradorGestor::UltimoBackup, "/gestor/_ultimoBackup.php"},
    {"AberturaServer", &TIntegradorGestor::AberturaServer, "/gestor/_aberturaServer.php"},
};

TEST_F(TIntegradorGestorTest, CnpjReportsPostTheCnpjDigitsAndTheDiskSerial) {
  for (const Report& r : kCnpjReports) {
    SCOPED_TRACE(r.name);
    web.On("POST", r.path, StandInReply{.Body = "ok"});
    const size_t before = web.RequestCount();

    r.operation("BKP\\", &clock);

    ASSERT_EQ(web.RequestCount(), before + 1);
    const harness::RecordedRequest request = web.Requests().back();
    EXPECT_EQ(request.Method, "POST");
    EXPECT_EQ(request.Path, r.path);
    EXPECT_EQ(request.Query, "cnpj=12345678000190&serialHD=" + serial);
    EXPECT_EQ(request.Body, "");
    EXPECT_FALSE(request.HasHeader("Content-Type"));
    const std::vector<std::string> log = LogLines("BKP");
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[log.size() - 4],
              kStamp + ("URL: " + web.Url(r.path) + "?" + request.Query + " - Response Code: 200"));
  }
  EXPECT_TRUE(LogLines("GESTOR").empty());
}

TEST_F(TIntegradorGestorTest, DetalhesFoodPostsTheSwitchesAndTheEmailAsStored) {
  Exec(
      "update empresas set emp_014 = 'loja\"x@exemplo.com', ifood_ativo = true,"
      " ecommerce_ativo = false, integracao_ativo = true where emp_001 = 1");
  web.On("POST", "/gestor/_detalhesFood.php", StandInReply{.Body = "ok"});

  TIntegradorGestor::DetalhesFood("GESTOR\\", &clock);

  ASSERT_EQ(web.RequestCount(), 1u);
  const harness::RecordedRequest request = web.Requests()[0];
  EXPECT_EQ(request.Path, "/gestor/_detalhesFood.php");
  EXPECT_EQ(request.Query, "serialHD=" + serial);
  const std::string body = R"({"email": "loja"x@exemplo.com","ifood": 1,"site": 0, "vendas": 1})";
  EXPECT_EQ(request.Body, body + "\r\n");
  EXPECT_FALSE(request.HasHeader("Content-Type"));
  const std::string url = web.Url("/gestor/_detalhesFood.php?serialHD=" + serial);
  EXPECT_EQ(LogLines(""), (std::vector<std::string>{
                              kStamp + ("AberturaServer: " + url),
                              kStamp + ("AberturaServer: " + body),
                          }));
  const std::vector<std::string> gestor = LogLines("GESTOR");
  ASSERT_EQ(gestor.size(), 4u);
  EXPECT_EQ(gestor[0], kStamp + ("URL: " + url + " - Response Code: 200"));
}

TEST_F(TIntegradorGestorTest, AnUnreachableServerIsLoggedByTheClientAndNothingRaises) {
  settings.gestor.URL = "http://127.0.0.1:" + std::to_string(harness::FreeLoopbackPort());
  SetDeployment(settings);

  TIntegradorGestor::UltimoBackup("BKP\\", &clock);
  TIntegradorGestor::DetalhesFood("BKP\\", &clock);

  const std::vector<std::string> log = LogLines("BKP");
  // One error line and the two separators per request.
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0].rfind(kStamp, 0), 0u);
  EXPECT_EQ(log[1], "");
  EXPECT_EQ(log[2], "");
  EXPECT_TRUE(LogLines("GESTOR").empty());
}

// A failure before the request (here the company settings) is the operation's own: one line in
// "GESTOR\", no request, nothing raised.
TEST_F(TIntegradorGestorTest, FailuresBeforeTheRequestGoToTheGestorLog) {
  Exec("drop table empresas");
  const struct {
    const char* name;
    void (*operation)(const std::string&, const Clock*);
    const char* prefix;
  } cases[] = {
      {"UltimoBackup", &TIntegradorGestor::UltimoBackup, "UltimoBackup"},
      {"AberturaServer", &TIntegradorGestor::AberturaServer, "AberturaServer"},
      {"DetalhesFood", &TIntegradorGestor::DetalhesFood, "AberturaServer ERRO: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.operation("BKP\\", &clock);
    const std::vector<std::string> log = LogLines("GESTOR");
    ASSERT_FALSE(log.empty());
    const std::string expected = kStamp + std::string(c.prefix);
    EXPECT_EQ(log.back().rfind(expected, 0), 0u) << log.back();
    EXPECT_GT(log.back().size(), expected.size());
  }
  EXPECT_EQ(web.RequestCount(), 0u);
}

}  // namespace
