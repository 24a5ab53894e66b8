#include <QLabel>
#include <QTest>

#include "AutoStart.h"
#include "WindowTest.h"

class AlternarInicioAutomaticoTest : public WindowTest {
 protected:
  std::filesystem::path Entry() const { return settings.sistema.PastaAutostart / "Backup.desktop"; }
  std::filesystem::path Launcher() const { return exeDir / "Backup.desktop"; }
};

TEST_F(AlternarInicioAutomaticoTest, TogglesBetweenPlacingAndRemovingTheEntry) {
  std::filesystem::create_directories(Entry().parent_path());
  harness::WriteFile(Entry(), "[Desktop Entry]\nName=antigo\n");
  TfrmPrincipal& w = Open();
  ASSERT_EQ(w.labAuto->text(), "Inicio automatico");

  // The first use after a start writes the launcher and copies it, even over an entry present.
  QTest::mouseClick(w.Image2, Qt::LeftButton);
  EXPECT_EQ(w.labAuto->text(), "Remover Inicialização?");
  ASSERT_TRUE(std::filesystem::exists(Launcher()));
  EXPECT_EQ(harness::ReadFile(Entry()), harness::ReadFile(Launcher()));
  EXPECT_NE(harness::ReadFile(Entry()).find((exeDir / "Backup").string()), std::string::npos);

  QTest::mouseClick(w.Image2, Qt::LeftButton);
  EXPECT_EQ(w.labAuto->text(), "Iniciar automaticamente?");
  EXPECT_FALSE(std::filesystem::exists(Entry()));

  w.AlternarInicioAutomatico();
  EXPECT_EQ(w.labAuto->text(), "Remover Inicialização?");
  EXPECT_TRUE(std::filesystem::exists(Entry()));
  EXPECT_TRUE(RootLogMessages().size() == 1);  // the start line: nothing failed
}

TEST_F(AlternarInicioAutomaticoTest, FailuresLeaveALogLineAndTheLabelChangesAsAlways) {
  // The copy source is missing (the executable does not live where the entry points).
  settings.sistema.OrigemAtalho = scratch / "outra-pasta" / "Backup.desktop";
  TfrmPrincipal& w = Open();
  ASSERT_EQ(w.labAuto->text(), "Automático!");
  w.AlternarInicioAutomatico();
  EXPECT_EQ(w.labAuto->text(), "Remover Inicialização?");
  EXPECT_FALSE(std::filesystem::exists(Entry()));
  const auto messages = RootLogMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].rfind("Não foi possível ativar a inicialização automática: ", 0), 0u);

  // Removing what is not there changes the label too, with nothing to log.
  w.AlternarInicioAutomatico();
  EXPECT_EQ(w.labAuto->text(), "Iniciar automaticamente?");
  EXPECT_EQ(RootLogMessages().size(), 2u);
}

TEST_F(AlternarInicioAutomaticoTest, TheLabelItselfIsNoCommand) {
  TfrmPrincipal& w = Open();
  QTest::mouseClick(w.labAuto, Qt::LeftButton);
  EXPECT_EQ(w.labAuto->text(), "Automático!");
  EXPECT_FALSE(std::filesystem::exists(Entry()));
}
