#include "common/IniFile.h"

#include <gtest/gtest.h>

#include "harness/Harness.h"

using harness::ReadFile;
using harness::ScratchDir;
using harness::WriteFile;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  ScratchDir scratch;
  fs::path file = scratch / "configuracao.ini";
  IniFile ini{file};
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefaultAndCreatesNothing) {
  EXPECT_EQ(ini.ReadInteger("Settings", "idLoja", -1), -1);
  EXPECT_EQ(ini.ReadString("Settings", "CaminhoExtra", ""), "");
  EXPECT_TRUE(ini.ReadBool("Settings", "FirstRun", true));
  EXPECT_FALSE(fs::exists(file));
  WriteFile(file, "[Outra]\nidLoja=5\n");
  EXPECT_EQ(ini.ReadInteger("Settings", "idLoja", -1), -1);
  EXPECT_EQ(ini.ReadInteger("Outra", "Matriz", -1), -1);
}

TEST_F(IniFileTest, ValueRulesOfTheSettingsFile) {
  WriteFile(file,
            "[settings]\r\n"
            "  IDLOJA =  0x1F  \r\n"
            "Matriz=abc\r\n"
            "hexa=0XfF\r\n"
            "negativo=-7\r\n"
            "grande=99999999999\r\n"
            "vazio=\r\n"
            "caminho = \"/mnt/backup extra\" \r\n"
            "[GERAL]\r\n"
            "INTEGRACAO_BPO=2\r\n"
            "INTEGRACAO_ACEITA_AUTOMATICO=true\r\n");
  struct Case {
    const char* section;
    const char* key;
    int expected;
  } integers[] = {
      {"Settings", "idLoja", 31},   {"Settings", "Matriz", -1}, {"Settings", "hexa", 255},
      {"Settings", "negativo", -7}, {"Settings", "grande", -1}, {"Settings", "vazio", -1},
  };
  for (const Case& c : integers) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(ini.ReadInteger(c.section, c.key, -1), c.expected);
  }
  EXPECT_TRUE(ini.ReadBool("geral", "integracao_bpo", false));
  EXPECT_FALSE(ini.ReadBool("GERAL", "INTEGRACAO_ACEITA_AUTOMATICO", false));
  EXPECT_EQ(ini.ReadString("Settings", "caminho", "x"), "/mnt/backup extra");
  EXPECT_EQ(ini.ReadString("Settings", "vazio", "x"), "");
}

TEST_F(IniFileTest, LongValuesAreCutAt2047Characters) {
  WriteFile(file, "[S]\nlongo=" + std::string(5000, 'a') + "\n");
  EXPECT_EQ(ini.ReadString("S", "longo", "").size(), 2047u);
}

TEST_F(IniFileTest, DuplicateSectionsAndKeysReadTheFirst) {
  WriteFile(file, "[S]\na=1\na=2\n[S]\na=3\nb=4\n");
  EXPECT_EQ(ini.ReadInteger("S", "a", 0), 1);
  EXPECT_EQ(ini.ReadInteger("S", "b", 0), 0);
}

TEST_F(IniFileTest, GarbageBomAndMissingNewlineAreTolerated) {
  const std::string garbage = "\xEF\xBB\xBF[Settings]\nidLoja=12\n" +
                              std::string("\0\x01\xff\xfe ]]==[[", 12) + "\n[Fim]\nx=1";
  WriteFile(file, garbage);
  EXPECT_EQ(ini.ReadInteger("Settings", "idLoja", -1), 12);
  EXPECT_EQ(ini.ReadInteger("Fim", "x", 0), 1);
  ini.WriteString("Fim", "y", "2");
  const std::string after = ReadFile(file);
  EXPECT_EQ(after.substr(0, garbage.size()), garbage);
  EXPECT_EQ(ini.ReadInteger("Fim", "y", 0), 2);
}

TEST_F(IniFileTest, WritesReplaceInPlaceAppendToTheSectionAndKeepTheRest) {
  WriteFile(file,
            "; configurado pelo técnico\r\n"
            "[Settings]\r\n"
            "idLoja=1\r\n"
            "Desconhecida=x\r\n"
            "\r\n"
            "[GERAL]\r\n"
            "INTEGRACAO_BPO=1\r\n");
  ini.WriteInteger("SETTINGS", "IDLOJA", 25);
  ini.WriteString("Settings", "CaminhoExtra", "");
  ini.WriteBool("Nova", "Ativo", true);
  EXPECT_EQ(ReadFile(file),
            "; configurado pelo técnico\r\n"
            "[Settings]\r\n"
            "IDLOJA=25\r\n"
            "Desconhecida=x\r\n"
            "CaminhoExtra=\r\n"
            "\r\n"
            "[GERAL]\r\n"
            "INTEGRACAO_BPO=1\r\n"
            "[Nova]\r\n"
            "Ativo=1\r\n");
  EXPECT_EQ(ini.ReadString("Settings", "CaminhoExtra", "padrão"), "");
}

TEST_F(IniFileTest, WriteCreatesTheFileWithLfFilesKeepingLf) {
  ini.WriteInteger("Settings", "idLoja", 3);
  EXPECT_EQ(ReadFile(file), "[Settings]\r\nidLoja=3\r\n");
  WriteFile(file, "[Settings]\nidLoja=3");
  ini.WriteInteger("Settings", "Matriz", 4);
  EXPECT_EQ(ReadFile(file), "[Settings]\nidLoja=3\nMatriz=4");
}

TEST_F(IniFileTest, AWriteThatCannotBeDoneNamesTheFile) {
  WriteFile(file, "[Settings]\nidLoja=1\n");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  try {
    ini.WriteInteger("Settings", "idLoja", 2);
    FAIL() << "a gravação devia falhar";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
  }
  EXPECT_EQ(ini.ReadInteger("Settings", "idLoja", 0), 1);

  IniFile inFolderThatIsAFile(scratch / "configuracao.ini" / "x.ini");
  EXPECT_THROW(inFolderThatIsAFile.WriteString("S", "k", "v"), std::runtime_error);
}

}  // namespace
