#include <QLabel>
#include <QLineEdit>

#include "WindowTest.h"
#include "common/Database.h"
#include "common/IniFile.h"

class CarregarConfiguracaoTest : public WindowTest {
 protected:
  std::filesystem::path Ini() const { return exeDir / "configuracao.ini"; }
};

TEST_F(CarregarConfiguracaoTest, WithoutASettingsFileTheDefaultsHoldAndNoFileIsMade) {
  TfrmPrincipal& w = Open();
  EXPECT_EQ(w.Core().idLoja(), -1);
  EXPECT_EQ(w.Core().Matriz(), -1);
  EXPECT_EQ(w.Core().CaminhoExtra(), "");
  EXPECT_EQ(w.Edit1->text(), "");
  EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(CarregarConfiguracaoTest, ReadsTheSettingsSectionByThePlatformsRules) {
  struct Case {
    const char* name;
    const char* content;
    int idLoja;
    int matriz;
    const char* caminho;
  };
  const Case cases[] = {
      {"valores", "[Settings]\nidLoja=25\nMatriz=3\nCaminhoExtra=/mnt/extra\n", 25, 3,
       "/mnt/extra"},
      {"hexadecimal", "[settings]\nIDLOJA=0x1F\n", 31, -1, ""},
      {"texto", "[Settings]\nidLoja=abc\nMatriz= 7 \n", -1, 7, ""},
      {"vazio salvo", "[Settings]\nCaminhoExtra=\nFirstRun=0\n", -1, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    harness::WriteFile(Ini(), c.content);
    TfrmPrincipal& w = Open();
    EXPECT_EQ(w.Core().idLoja(), c.idLoja);
    EXPECT_EQ(w.Core().Matriz(), c.matriz);
    EXPECT_EQ(w.Edit1->text().toStdString(), c.caminho);
    EXPECT_EQ(w.Core().ExtraFolder(), c.caminho);
    frm.reset();
    DestroyDM();
  }
}

TEST_F(CarregarConfiguracaoTest, FindsTheFileBesideTheExecutableWhateverTheWorkingFolder) {
  harness::WriteFile(Ini(), "[Settings]\nidLoja=8\n");
  harness::WriteFile(scratch / "configuracao.ini", "[Settings]\nidLoja=99\n");
  TfrmPrincipal& w = Open();
  EXPECT_EQ(w.Core().idLoja(), 8);
}

TEST_F(CarregarConfiguracaoTest, AnEmptyCompanyTableGivesATitleOfSpacesOnly) {
  {
    Connection c({settings.DatabasePath(), settings.firebird.Servidor, settings.firebird.Usuario,
                  settings.firebird.Senha, ""});
    Query q(c);
    q.SetSQL("delete from empresa");
    q.ExecSQL();
  }
  TfrmPrincipal& w = Open();
  EXPECT_EQ(w.panelTitulo->text().toStdString(), std::string(17, ' '));
  EXPECT_TRUE(RootLogMessages().size() == 1);  // the start line only: no error
}
