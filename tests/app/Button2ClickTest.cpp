#include <sys/stat.h>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "WindowTest.h"
#include "common/IniFile.h"

class Button2ClickTest : public WindowTest {
 protected:
  std::filesystem::path Ini() const { return exeDir / "configuracao.ini"; }
};

TEST_F(Button2ClickTest, SavesTheFolderAndTheNextStartReadsItBack) {
  TfrmPrincipal& w = Open();
  QTest::mouseClick(w.Label6, Qt::LeftButton);
  w.show();
  EXPECT_TRUE(w.painelBackup->isVisible());

  for (const char* folder : {"/mnt/backup extra", ""}) {
    SCOPED_TRACE(folder);
    w.Label6Click();
    w.Edit1->setText(folder);
    QTest::mouseClick(w.Button2, Qt::LeftButton);
    EXPECT_FALSE(w.painelBackup->isVisible());
    EXPECT_EQ(IniFile(Ini()).ReadValue("Settings", "CaminhoExtra"),
              std::optional<std::string>(folder));
  }
  harness::WriteFile(Ini(), "[Settings]\nidLoja=4\nCaminhoExtra=/antes\n");
  w.Edit1->setText("/depois");
  w.Button2Click();
  EXPECT_EQ(harness::ReadFile(Ini()), "[Settings]\nidLoja=4\nCaminhoExtra=/depois\n");

  frm.reset();
  DestroyDM();
  EXPECT_EQ(Open().Edit1->text(), "/depois");
}

TEST_F(Button2ClickTest, AFileThatCannotBeWrittenLeavesOneErrorLineAndNothingOnScreen) {
  if (::geteuid() == 0) {
    // root writes through permissions: a folder in place of the file fails for everyone.
    std::filesystem::create_directories(Ini());
  } else {
    harness::WriteFile(Ini(), "[Settings]\n");
    ::chmod(Ini().c_str(), 0444);
  }
  TfrmPrincipal& w = Open();
  w.show();
  w.Label6Click();
  w.Edit1->setText("/mnt/extra");
  QTest::mouseClick(w.Button2, Qt::LeftButton);
  DrainEvents();
  const auto messages = RootLogMessages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].rfind("Erro de integração: ", 0), 0u);
  EXPECT_NE(messages[1].find("configuracao.ini"), std::string::npos);
  EXPECT_TRUE(VisibleMessageBoxes().empty());
  EXPECT_TRUE(w.painelBackup->isVisible());  // the failure ended the command before the hide
}

TEST_F(Button2ClickTest, TheFolderPickerFillsTheFieldOnlyWhenConfirmed) {
  TfrmPrincipal& w = Open();
  w.Edit1->setText("/inicial");
  const std::filesystem::path chosen = scratch / "escolhida";
  std::filesystem::create_directories(chosen);
  struct Case {
    const char* name;
    bool accept;
    std::string expected;
  };
  for (const Case& c :
       {Case{"cancelado", false, "/inicial"}, Case{"confirmado", true, chosen.string()}}) {
    SCOPED_TRACE(c.name);
    bool seen = false;
    HandleNextModal<QFileDialog>([&](QFileDialog* dialog) {
      seen = true;
      if (c.accept) {
        dialog->setDirectory(QString::fromStdString(chosen.parent_path().string()));
        dialog->selectFile(QString::fromStdString(chosen.string()));
        QMetaObject::invokeMethod(dialog, "accept");
      } else {
        dialog->reject();
      }
    });
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(w.Edit1->text().toStdString(), c.expected);
  }
}
