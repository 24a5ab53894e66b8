#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>

#include "WindowTest.h"
#include "common/IniFile.h"

class TfrmPrincipalTest : public WindowTest {};

TEST_F(TfrmPrincipalTest, WindowHasTheDefinedLook) {
  TfrmPrincipal& w = Open();
  EXPECT_EQ(w.windowTitle(), "Brisane | by Corvatec");
  EXPECT_EQ(w.size(), QSize(943, 740));
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(w.font().family(), "Inter");
  EXPECT_EQ(w.palette().color(QPalette::Window), QColor(Qt::white));

  EXPECT_EQ(w.panelTitulo->height(), 81);
  EXPECT_EQ(w.panelTitulo->width(), 943);
  EXPECT_EQ(w.panelTitulo->font().pixelSize(), 27);
  EXPECT_EQ(w.Panel1->width(), 121);
  EXPECT_EQ(w.Image4->width(), 121);
  EXPECT_EQ(w.green->size(), QSize(33, 33));
  EXPECT_EQ(w.red->size(), QSize(33, 33));
  EXPECT_EQ(w.painelBackup->size(), QSize(417, 177));
  EXPECT_EQ(w.Panel3->text(), "Configurar backup");
  EXPECT_EQ(w.Button1->text(), "Selecionar caminho");
  EXPECT_EQ(w.Button2->text(), "Salvar");
  EXPECT_EQ(w.Label5->text(), "Backup");
  EXPECT_EQ(w.Label6->text(), "Configurar");
  EXPECT_EQ(w.PageControl1->count(), 1);
  EXPECT_EQ(w.PageControl1->tabText(0), "Backups Logs");
  EXPECT_TRUE(w.MemoLogs->isReadOnly());
  EXPECT_EQ(w.MemoLogs->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(w.Image6->cursor().shape(), Qt::PointingHandCursor);

  // Hidden at start: the lights, the start label and the extra-folder panel.
  w.show();
  struct Visibility {
    const char* name;
    bool visible;
  };
  for (const Visibility& v :
       {Visibility{"panelTitulo", true}, Visibility{"Panel1", true}, Visibility{"MemoLogs", true},
        Visibility{"green", false}, Visibility{"red", false}, Visibility{"labStart", false},
        Visibility{"painelBackup", false}}) {
    SCOPED_TRACE(v.name);
    auto* widget = Find<QWidget>(v.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->isVisible(), v.visible);
  }
}

TEST_F(TfrmPrincipalTest, Timer3SendsTheWindowToTheTrayAndAClickBringsItBack) {
  TfrmPrincipal& w = Open(kFast);
  w.show();
  ASSERT_TRUE(WaitForQt([&] { return w.InTray(); }));
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.TrayIcon1->isVisible());
  EXPECT_FALSE(w.Core().Timer3.isActive());  // once only

  w.TrayIcon1Click();
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.TrayIcon1->isVisible());
  EXPECT_FALSE(w.InTray());

  // The minimise picture sends it back; a second start brings it forward again.
  QTest::mouseClick(w.Image6, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.InTray());
  w.BringToFront();
  EXPECT_TRUE(w.isVisible());
}

TEST_F(TfrmPrincipalTest, WithoutANotificationAreaTheWindowStaysOnTheTaskbar) {
  TfrmPrincipal& w = Open();
  w.SetTrayAvailability([] { return false; });
  w.show();
  w.Image6Click();
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.isMinimized());
  EXPECT_FALSE(w.InTray());
}

TEST_F(TfrmPrincipalTest, BackupTimerRunsForTheWholeLifeWithTheFieldsCurrentText) {
  TfrmPrincipal& w = Open(0.0001);  // tmBackup every 240 ms
  EXPECT_FALSE(w.Core().tmBackup.isSingleShot());
  ASSERT_TRUE(WaitForQt([&] { return safety.Runs() >= 1; }));
  // A folder typed and not saved is what the next run uses.
  w.Edit1->setText("/mnt/pendrive");
  ASSERT_TRUE(WaitForQt([&] { return safety.Runs() >= 3; }));
  EXPECT_EQ(safety.Folders().back(), "/mnt/pendrive");
  // Hidden in the tray it keeps going.
  ASSERT_TRUE(WaitForQt([&] { return w.InTray(); }));
  const int before = safety.Runs();
  ASSERT_TRUE(WaitForQt([&] { return safety.Runs() >= before + 2; }));
  EXPECT_TRUE(w.Core().tmBackup.isActive());
}

TEST_F(TfrmPrincipalTest, ARunInProgressMakesTheNextTickSkipWithALogLine) {
  TfrmPrincipal& w = Open();
  safety.gate.Hold();
  QTest::mouseClick(w.Image8, Qt::LeftButton);
  ASSERT_TRUE(WaitForQt([&] { return safety.gate.SomeoneInside(); }));
  EXPECT_TRUE(w.Core().BackupRunning());

  // The timer's ticks meanwhile are skipped, each with its line.
  w.Core().tmBackup.start(1);
  ASSERT_TRUE(WaitForQt([&] { return CountMessages(AgentCore::kBackupIgnorado) >= 2; }));
  w.Core().tmBackup.stop();
  EXPECT_EQ(safety.Runs(), 1);

  safety.gate.Release();
  ASSERT_TRUE(WaitForQt([&] { return !w.Core().BackupRunning(); }));
  const int skipped = CountMessages(AgentCore::kBackupIgnorado);
  w.Image7Click();
  ASSERT_TRUE(WaitForQt([&] { return safety.Runs() == 2; }));
  EXPECT_EQ(CountMessages(AgentCore::kBackupIgnorado), skipped);
}

TEST_F(TfrmPrincipalTest, LogPaneReceivesAWorkersLinesInOrderWhileTheWindowAnswers) {
  TfrmPrincipal& w = Open();
  w.MemoLogs->setPlainText("linha de uma execução anterior");
  constexpr int kLines = 500;
  safety.during = [](ProgressView* pane, ConnectionLights*) {
    for (int i = 0; i < kLines; ++i) pane->AppendLine("linha " + std::to_string(i));
  };
  safety.gate.Hold();
  w.Image7Click();
  ASSERT_TRUE(WaitForQt([&] { return safety.gate.SomeoneInside(); }));
  // The job is still running, and the window has already shown every line it wrote.
  ASSERT_TRUE(WaitForQt([&] { return w.MemoLogs->blockCount() == kLines; }));
  EXPECT_TRUE(w.red->isVisibleTo(&w));
  EXPECT_FALSE(w.green->isVisibleTo(&w));
  const QStringList lines = w.MemoLogs->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), kLines);
  for (int i = 0; i < kLines; ++i) ASSERT_EQ(lines[i], QString("linha %1").arg(i));

  safety.gate.Release();
  ASSERT_TRUE(WaitForQt([&] { return !w.Core().BackupRunning(); }));
  DrainEvents();
  EXPECT_TRUE(w.green->isVisibleTo(&w));
  EXPECT_FALSE(w.red->isVisibleTo(&w));
}

TEST_F(TfrmPrincipalTest, UpdateTimerAsksOnceAndStartsTheUpdateOnTheWindowsThread) {
  updates.answer = true;
  TfrmPrincipal& w = Open(kFast);
  EXPECT_TRUE(w.Core().TimerAtualizacao.isActive());
  ASSERT_TRUE(WaitForQt([&] { return updates.updates.load() == 1; }));
  EXPECT_EQ(updates.checks.load(), 1);
  EXPECT_TRUE(updates.updateOnWindowThread.load());
  EXPECT_FALSE(updates.lastEmSegundoPlano.load());
  EXPECT_FALSE(w.Core().TimerAtualizacao.isActive());
}

TEST_F(TfrmPrincipalTest, NoPublishedUpdateStartsNothing) {
  TfrmPrincipal& w = Open(kFast);
  ASSERT_TRUE(WaitForQt(
      [&] { return updates.checks.load() == 1 && !w.Core().TimerAtualizacao.isActive(); }));
  w.Button3Click();  // "update check now" asks again
  ASSERT_TRUE(WaitForQt([&] { return updates.checks.load() == 2; }));
  DrainEvents();
  EXPECT_EQ(updates.updates.load(), 0);
}

TEST_F(TfrmPrincipalTest, FazerBackupRunsTheConfiguredJobOnceAtATime) {
  TfrmPrincipal& w = Open();
  configured.gate.Hold();
  w.btnBkp->trigger();
  ASSERT_TRUE(WaitForQt([&] { return configured.gate.SomeoneInside(); }));
  w.ExecutarBackupFtp();
  EXPECT_EQ(configured.runs.load(), 1);
  EXPECT_EQ(CountMessages(AgentCore::kBackupFtpIgnorado), 1);
  // Its progress line is on top of the pane, dated.
  ASSERT_TRUE(WaitForQt([&] { return w.MemoLogs->toPlainText().endsWith(" : BKP em andamento"); }));
  configured.gate.Release();
  ASSERT_TRUE(WaitForQt([&] { return !w.Core().BackupFtpRunning(); }));
}

TEST_F(TfrmPrincipalTest, ClosingWaitsForTheRunningBackup) {
  TfrmPrincipal& w = Open();
  safety.gate.Hold();
  w.Image7Click();
  ASSERT_TRUE(WaitForQt([&] { return safety.gate.SomeoneInside(); }));
  // Released from the window's thread while Shutdown waits, as a job that ends would.
  QTimer::singleShot(50, [&] { safety.gate.Release(); });
  w.Shutdown();
  EXPECT_FALSE(w.Core().BackupRunning());
  EXPECT_EQ(CountMessages("Encerrando: aguardando o término da rotina em andamento"), 1);
  // Ticks and commands after it do nothing.
  w.Image7Click();
  DrainEvents();
  EXPECT_EQ(safety.Runs(), 1);
  EXPECT_FALSE(w.Core().tmBackup.isActive());
}

TEST_F(TfrmPrincipalTest, TitleShowsTheStoreIdAfterAConsultation) {
  TfrmPrincipal& w = Open();
  const std::string spaces(17, ' ');
  EXPECT_EQ(w.panelTitulo->text().toStdString(), spaces + "Padaria São João");
  IniFile(exeDir / "configuracao.ini").WriteInteger("Settings", "idLoja", 25);
  IniFile(exeDir / "configuracao.ini").WriteInteger("Settings", "Matriz", 3);
  w.AplicarConsultaId();
  EXPECT_EQ(w.panelTitulo->text().toStdString(), spaces + "Padaria São João\r | ID: 25");
  EXPECT_EQ(w.Core().idLoja(), 25);
  EXPECT_EQ(w.Core().Matriz(), 3);
}

TEST_F(TfrmPrincipalTest, SairClosesTheWindowAndEndsTheEventLoop) {
  TfrmPrincipal& w = Open();
  w.show();
  bool ended = false;
  QTimer::singleShot(0, [&] { w.dxBarLargeButton4->trigger(); });
  // A deadline, should the loop not end by itself.
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  deadline.start(20000);
  ended = QCoreApplication::exec() == 0;
  EXPECT_TRUE(ended);
  EXPECT_FALSE(w.isVisible());
}
