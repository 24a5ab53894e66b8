// The one-shot command `Backup --backup-ftp`, run as the installed program would be, in the shop's
// working folder.
#include <gtest/gtest.h>

#include <memory>

#include "common/DeploymentSettings.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/FtpServer.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"
#include "harness/PostgresServer.h"

namespace fs = std::filesystem;

namespace {

class RunBackupFtpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    postgres = harness::PostgresServer::WithProductDatabase(
        "321", "create table t (id integer); insert into t values (1)");
  }
  static void TearDownTestSuite() { postgres.reset(); }

  void SetUp() override {
    web.On("POST", "/gestor/_ultimoBackup.php", harness::StandInReply{.Body = "ok"});
    harness::WriteFile(scratch / "config.ini", "c");
    harness::WriteFile(scratch / "configuracao.ini", "[Settings]\n");
  }

  void WriteDeployment(const std::string& senhaPostgres) const {
    harness::WriteFile(ini,
                       "[Produto]\nPasta=" + settings.produto.Pasta.string() +
                           "\n[Firebird]\nServidor=\n"
                           "[PostgreSQL]\nPorta=" +
                           std::to_string(postgres->Port()) + "\nSenha=" + senhaPostgres +
                           "\n[FTPGestor]\nHost=127.0.0.1\nPorta=" + std::to_string(ftp.Port()) +
                           "\nUsuario=" + ftp.User() + "\nSenha=" + ftp.Password() +
                           "\nTempoConexaoMs=10000\n"
                           "[Gestor]\nURL=" +
                           web.Url() + "\n");
  }

  int Run(std::string* output) const {
    const std::string suppressions = (harness::TestDataDir() / "backup" / "lsan.supp").string();
    return harness::RunCommand(
        {(harness::BinaryDir() / "app" / "Backup").string(), "--backup-ftp"}, output,
        {{"IMPLANTACAO_INI", ini.string()}, {"LSAN_OPTIONS", "suppressions=" + suppressions}});
  }

  // Today's lines of the root log (the program runs on the real clock).
  [[nodiscard]] std::vector<std::string> RootLog() const {
    std::vector<std::string> lines;
    for (const auto& entry : fs::directory_iterator(scratch / "LOGS")) {
      if (entry.is_regular_file()) {
        for (const std::string& l : harness::ReadLines(entry.path())) lines.push_back(l);
      }
    }
    return lines;
  }

  static std::unique_ptr<harness::PostgresServer> postgres;
  harness::ScratchDir scratch;
  DeploymentSettings settings = harness::FreshDatabase(harness::DatabaseMode::Embedded, true);
  harness::FtpServer ftp{scratch / "ftp"};
  harness::HttpStandIn web;
  fs::path ini = scratch / "implantacao.ini";
};

std::unique_ptr<harness::PostgresServer> RunBackupFtpTest::postgres;

TEST_F(RunBackupFtpTest, ExitsZeroOnceTheArchiveIsUploaded) {
  WriteDeployment("321");
  std::string out;
  ASSERT_EQ(Run(&out), 0) << out;
  EXPECT_NE(out.find(" : Envio do BKP para o FTP Concluido...\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" : BKP Finalizado\n"), std::string::npos) << out;
  ASSERT_EQ(ftp.Uploads().size(), 1U);
  EXPECT_EQ(ftp.Uploads()[0].rfind("STOR Padaria_Sao_Joao/Backup_", 0), 0U) << ftp.Uploads()[0];
  EXPECT_EQ(web.RequestCount(), 1U);
}

TEST_F(RunBackupFtpTest, ExitsNonZeroAndLogsTheErrorAsTheWindowDoes) {
  WriteDeployment("errada");
  std::string out;
  EXPECT_EQ(Run(&out), 1) << out;
  EXPECT_TRUE(ftp.Uploads().empty());

  // The archive step failed on the missing dump; the error is the general handler's one line.
  std::vector<std::string> erros;
  for (const std::string& line : RootLog()) {
    if (line.find(" - Erro de integração: ") != std::string::npos) erros.push_back(line);
  }
  ASSERT_EQ(erros.size(), 1U);
  EXPECT_NE(erros[0].find(".backup"), std::string::npos) << erros[0];
  EXPECT_NE(out.find(erros[0].substr(erros[0].find("Erro de integração: "))), std::string::npos)
      << out;
  EXPECT_NE(out.find(" : Iniciando compactação do bpk\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Compactação finalizada"), std::string::npos) << out;
}

}  // namespace
