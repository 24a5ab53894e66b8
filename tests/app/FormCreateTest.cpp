#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "WindowTest.h"
#include "common/FileVersion.h"
#include "common/IniFile.h"

class FormCreateTest : public WindowTest {};

TEST_F(FormCreateTest, StartsTheTimersWritesTheStartLineAndShowsTheStore) {
  TfrmPrincipal& w = Open(0.5);
  EXPECT_EQ(w.labVersao->text().toStdString(), "Versão: " + std::to_string(CompiledVersion()[3]));
  EXPECT_EQ(RootLogMessages(),
            std::vector<std::string>{"Inicializando a aplicação - Brisane | by Corvatec"});

  AgentCore& core = w.Core();
  struct TimerCase {
    QTimer* timer;
    int interval;
    bool singleShot;
  };
  for (const TimerCase& t :
       {TimerCase{&core.Timer3, 1500, true}, TimerCase{&core.TimerAtualizacao, 150, true},
        TimerCase{&core.tmBackup, 1200000, false}}) {
    SCOPED_TRACE(t.timer->objectName().toStdString());
    EXPECT_TRUE(t.timer->isActive());
    EXPECT_EQ(t.timer->interval(), t.interval);
    // Switched off by their own tick, not by being single-shot timers.
    EXPECT_FALSE(t.timer->isSingleShot());
  }
  EXPECT_EQ(w.PageControl1->currentWidget(), w.TabLogs);
  EXPECT_EQ(w.panelTitulo->text().toStdString(), std::string(17, ' ') + "Padaria São João");
  EXPECT_EQ(core.idLoja(), -1);
  EXPECT_EQ(core.Matriz(), -1);
}

TEST_F(FormCreateTest, AutoStartLabelsFollowTheAutostartEntry) {
  struct Case {
    const char* name;
    bool entry;
    const char* labAuto;
    const char* labStart;
  };
  for (const Case& c : {Case{"com entrada", true, "Inicio automatico", "Automático"},
                        Case{"sem entrada", false, "Automático!", ""}}) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(settings.sistema.PastaAutostart);
    if (c.entry) {
      std::filesystem::create_directories(settings.sistema.PastaAutostart);
      harness::WriteFile(settings.sistema.PastaAutostart / "Backup.desktop", "[Desktop Entry]\n");
    }
    TfrmPrincipal& w = Open();
    EXPECT_EQ(w.labAuto->text().toStdString(), c.labAuto);
    EXPECT_EQ(w.labStart->text().toStdString(), c.labStart);
    frm.reset();
    DestroyDM();
  }
}

TEST_F(FormCreateTest, PurgesTheOldTextFilesOfTheIfoodAndMotoboyLogs) {
  const TDateTime now = DefaultClock().Now();
  struct FileCase {
    const char* path;
    int daysOld;
    bool kept;
  };
  const FileCase files[] = {
      {"LOGS/IFOOD/antigo.txt", 11, false}, {"LOGS/IFOOD/recente.txt", 2, true},
      {"LOGS/IFOOD/antigo.json", 11, true}, {"LOGS/MOTOBOY/antigo.txt", 10, false},
      {"LOGS/SITE/antigo.txt", 11, true},   {"antigo.txt", 11, true},
  };
  for (const FileCase& f : files) {
    harness::WriteFile(scratch / f.path, "x");
    harness::SetLastWrite(scratch / f.path, now.AddDays(-f.daysOld));
  }
  Open();
  for (const FileCase& f : files) {
    SCOPED_TRACE(f.path);
    EXPECT_EQ(std::filesystem::exists(scratch / f.path), f.kept);
  }
}

TEST_F(FormCreateTest, ADatabaseThatCannotBeOpenedShowsTheEngineErrorAndTheWindowStillOpens) {
  settings.firebird.Banco = (scratch / "nao-existe" / "DADOS.FDB").string();
  TfrmPrincipal& w = Open();
  w.show();
  // The data module's connection and the trade name's query each failed with an engine error:
  // shown in a box (one box for the same text), not logged.
  DrainEvents();
  const auto boxes = VisibleMessageBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.front()->windowTitle(), "Erro");
  EXPECT_TRUE(boxes.front()->text().contains("DADOS.FDB"));
  EXPECT_EQ(RootLogMessages(),
            std::vector<std::string>{"Inicializando a aplicação - Brisane | by Corvatec"});
  // The steps before the settings load were done; the title keeps its design text.
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.panelTitulo->text(), "ID");
  EXPECT_TRUE(w.Core().tmBackup.isActive());
  EXPECT_TRUE(w.Core().TimerAtualizacao.isActive());
}
