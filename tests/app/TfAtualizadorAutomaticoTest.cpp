#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <filesystem>

#include "AppTestSupport.h"
#include "TfAtualizadorAutomatico.h"
#include "common/ZipArchive.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"

namespace fs = std::filesystem;
using harness::StandInReply;

namespace {

class TfAtualizadorAutomaticoTest : public ::testing::Test {
 protected:
  TfAtualizadorAutomaticoTest() {
    fs::create_directories(pasta);
    harness::WriteFile(pasta / "Backup", "executável versão 150");
  }
  ~TfAtualizadorAutomaticoTest() override {
    delete TfAtualizadorAutomatico::fAtualizadorAutomatico.data();
    runner.Wait();
    DrainEvents();
  }

  // Publishes an archive with the new executable; returns its size.
  qint64 Publish() {
    const fs::path source = scratch / "Backup-novo";
    harness::WriteFile(source, "executável versão 151");
    const fs::path archive = scratch / "publicado.zip";
    ZipArchive zip = ZipArchive::Create(archive);
    zip.AddFile(source, "Backup");
    zip.Close();
    const std::string bytes = harness::ReadFile(archive);
    web.On("GET", "/Brisane/Backup.zip", StandInReply{.Body = bytes});
    return static_cast<qint64>(bytes.size());
  }

  [[nodiscard]] UpdateSettings Settings() const { return {web.Url(), pasta}; }

  harness::ScratchDir scratch;
  fs::path pasta = scratch / "programa";
  harness::HttpStandIn web;
  UpdateRunner runner;
};

TEST_F(TfAtualizadorAutomaticoTest, ShowsTheDownloadAndClosesAfterTheBalloonOnceInstalled) {
  const qint64 size = Publish();

  TfAtualizadorAutomatico::AtualizarVersao(runner, false, Settings());

  QPointer<TfAtualizadorAutomatico> frm = TfAtualizadorAutomatico::fAtualizadorAutomatico;
  ASSERT_TRUE(frm);
  EXPECT_TRUE(frm->isVisible());
  EXPECT_EQ(frm->windowTitle(), QStringLiteral("Atualizador Automático"));
  EXPECT_EQ(frm->size(), QSize(325, 87));
  EXPECT_EQ(frm->lbStatus->text(), QStringLiteral("Aguarde o download da atualização..."));
  EXPECT_TRUE(frm->lbStatus->font().bold());
  EXPECT_TRUE(frm->RunStarted());
  // The bar follows the download up to its total, on the window's thread.
  ASSERT_TRUE(WaitForQt([&] {
    return frm && frm->pbDownload->maximum() == size && frm->pbDownload->value() == size;
  }));
  ASSERT_TRUE(WaitForQt([&] { return frm && frm->TrayIconAtualizacao->isVisible(); }));
  // It stays for the balloon's time, then closes and is freed.
  ASSERT_TRUE(WaitForQt([&] { return !TfAtualizadorAutomatico::fAtualizadorAutomatico; }));
  EXPECT_FALSE(frm);
  EXPECT_EQ(harness::ReadFile(pasta / "Backup"), "executável versão 151");
  EXPECT_EQ(harness::ReadFile(pasta / "Backup.old"), "executável versão 150");
}

TEST_F(TfAtualizadorAutomaticoTest, AFailedRunClosesTheWindowAndChangesNothing) {
  web.On("GET", "/Brisane/Backup.zip", StandInReply{.Status = 404});

  TfAtualizadorAutomatico::AtualizarVersao(runner, false, Settings());

  ASSERT_TRUE(TfAtualizadorAutomatico::fAtualizadorAutomatico);
  ASSERT_TRUE(WaitForQt([] { return !TfAtualizadorAutomatico::fAtualizadorAutomatico; }));
  EXPECT_EQ(harness::ReadFile(pasta / "Backup"), "executável versão 150");
  EXPECT_FALSE(fs::exists(pasta / "Backup.old"));
}

// A second request while the first run works keeps the first window and starts nothing.
TEST_F(TfAtualizadorAutomaticoTest, ASecondRequestWhileARunWorksKeepsItsWindow) {
  const std::string bytes = [&] {
    Publish();
    return harness::ReadFile(scratch / "publicado.zip");
  }();
  web.On("GET", "/Brisane/Backup.zip",
         StandInReply{.Body = bytes, .TricklePause = std::chrono::milliseconds(50)});
  TfAtualizadorAutomatico::AtualizarVersao(runner, false, Settings());
  QPointer<TfAtualizadorAutomatico> first = TfAtualizadorAutomatico::fAtualizadorAutomatico;
  ASSERT_TRUE(WaitForQt([] { return UpdateRunner::AtualizacaoEmAndamento(); }));

  TfAtualizadorAutomatico::AtualizarVersao(runner, false, Settings());

  EXPECT_EQ(TfAtualizadorAutomatico::fAtualizadorAutomatico, first);
  EXPECT_EQ(CountMessages(UpdateRunner::kAtualizacaoIgnorada), 1);
  runner.Cancel();
  ASSERT_TRUE(WaitForQt([] { return !TfAtualizadorAutomatico::fAtualizadorAutomatico; }));
  EXPECT_EQ(web.RequestCount(), 1u);
}

}  // namespace
