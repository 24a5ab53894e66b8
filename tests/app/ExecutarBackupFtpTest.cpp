// "Fazer Backup" with the real configured backup job: a real PostgreSQL dump, FTP server and
// manager-server stand-in; its lines in the log pane and its failure in the window's error log.
#include <QPlainTextEdit>
#include <memory>

#include "AgentJobs.h"
#include "WindowTest.h"
#include "harness/FtpServer.h"
#include "harness/HttpStandIn.h"
#include "harness/PostgresServer.h"

class ExecutarBackupFtpTest : public WindowTest {
 protected:
  static void SetUpTestSuite() {
    postgres = harness::PostgresServer::WithProductDatabase(
        "321", "create table t (id integer); insert into t values (1)");
  }
  static void TearDownTestSuite() { postgres.reset(); }

  ExecutarBackupFtpTest() {
    web.On("POST", "/gestor/_ultimoBackup.php", harness::StandInReply{.Body = "ok"});
    settings.postgresql.Porta = postgres->Port();
    settings.postgresql.Senha = "321";
    ftp.ConfigureAsManagerFtp(settings);
    settings.gestor.URL = web.Url();
    harness::WriteFile(scratch / "config.ini", "c");
    harness::WriteFile(scratch / "configuracao.ini", "[Settings]\n");
  }

  // The window with the real job behind "Fazer Backup".
  TfrmPrincipal& OpenWithJob() {
    SetDeployment(settings);
    CreateDM();
    frm = std::make_unique<TfrmPrincipal>(AgentComponents{safety, job, updates});
    frm->SetTrayAvailability([] { return true; });
    return *frm;
  }

  [[nodiscard]] std::string Pane() {
    return Find<QPlainTextEdit>("MemoLogs")->toPlainText().toStdString();
  }

  static std::unique_ptr<harness::PostgresServer> postgres;
  harness::FtpServer ftp{scratch / "ftp"};
  harness::HttpStandIn web;
  ConfiguredBackupComponent job;
};

std::unique_ptr<harness::PostgresServer> ExecutarBackupFtpTest::postgres;

TEST_F(ExecutarBackupFtpTest, RunsTheJobWithItsLinesInTheLogPane) {
  TfrmPrincipal& w = OpenWithJob();
  Find<QAction>("btnBkp")->trigger();
  ASSERT_TRUE(WaitForQt([&] { return !w.Core().BackupFtpRunning(); }, std::chrono::seconds(60)));
  DrainEvents();

  // Newest on top: the job's last line, then the uploader's between the job's.
  const std::string pane = Pane();
  EXPECT_NE(pane.find(" : BKP Finalizado\n"), std::string::npos) << pane;
  EXPECT_LT(pane.find(" : Envio do BKP para o FTP Concluido..."),
            pane.find(" : Conectando no FTP"));
  EXPECT_LT(pane.find(" : Conectando no FTP"), pane.find(" : iniciando BKP"));
  EXPECT_EQ(ftp.Uploads().size(), 1U);
  EXPECT_EQ(web.RequestCount(), 1U);
  for (const std::string& m : RootLogMessages()) {
    EXPECT_EQ(m.rfind("Erro de integração: ", 0), std::string::npos) << m;
  }
}

TEST_F(ExecutarBackupFtpTest, AFailedDumpEndsInTheWindowsErrorLog) {
  settings.postgresql.Senha = "errada";
  TfrmPrincipal& w = OpenWithJob();
  w.ExecutarBackupFtp();
  ASSERT_TRUE(WaitForQt([&] { return !w.Core().BackupFtpRunning(); }, std::chrono::seconds(60)));
  DrainEvents();

  std::vector<std::string> erros;
  for (const std::string& m : RootLogMessages()) {
    if (m.rfind("Erro de integração: ", 0) == 0) erros.push_back(m);
  }
  ASSERT_EQ(erros.size(), 1U);
  EXPECT_NE(erros[0].find(".backup"), std::string::npos) << erros[0];
  EXPECT_TRUE(VisibleMessageBoxes().empty());
  const std::string pane = Pane();
  // The job stopped at the archive step: its line is the newest.
  EXPECT_TRUE(pane.substr(0, pane.find('\n')).ends_with(" : Iniciando compactação do bpk")) << pane;
  EXPECT_TRUE(ftp.Uploads().empty());
}
