#include <gtest/gtest.h>

#include "ZipTestSupport.h"
#include "common/TFuncoesIFood.h"
#include "common/ZipArchive.h"
#include "harness/Harness.h"

using harness::ReadFile;
using harness::ScratchDir;
using harness::WriteFile;
using ziptest::UnzipEntry;
using ziptest::UnzipTest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Entries(const fs::path& archive) {
  return ZipArchive::OpenForReading(archive).EntryNames();
}

class CriarZipFileTest : public ::testing::Test {
 protected:
  ScratchDir scratch;
  TFuncoesIFood funcoes;

  void SetUp() override {
    WriteFile(scratch / "BKP_FTP/Backup_05_03_2024_14_30.backup", std::string(100000, 'd'));
    WriteFile(scratch / "config.ini", "[Conexao]\r\nHost=x\r\n");
    WriteFile(scratch / "configuracao.ini", "[Settings]\r\nCaminhoExtra=\r\n");
  }
};

TEST_F(CriarZipFileTest, StoresTheFileAndBothSettingsFilesUnderBareNames) {
  EXPECT_EQ(funcoes.CriarZipFile("BKP_FTP\\Backup_05_03_2024_14_30.zip",
                                 "BKP_FTP\\Backup_05_03_2024_14_30.backup"),
            1);
  const fs::path archive = scratch / "BKP_FTP/Backup_05_03_2024_14_30.zip";
  const auto test = UnzipTest(archive);
  EXPECT_EQ(test.exitCode, 0) << test.output;
  EXPECT_EQ(Entries(archive), (std::vector<std::string>{"Backup_05_03_2024_14_30.backup",
                                                        "config.ini", "configuracao.ini"}));
  EXPECT_EQ(UnzipEntry(archive, "Backup_05_03_2024_14_30.backup"), std::string(100000, 'd'));
  EXPECT_EQ(UnzipEntry(archive, "configuracao.ini"), "[Settings]\r\nCaminhoExtra=\r\n");
}

TEST_F(CriarZipFileTest, AnExistingArchiveIsUpdatedWithOneEntryPerName) {
  WriteFile(scratch / "outro.txt", "outro");
  ASSERT_EQ(funcoes.CriarZipFile("arq.zip", "outro.txt"), 1);
  WriteFile(scratch / "config.ini", "segunda versão");
  ASSERT_EQ(funcoes.CriarZipFile("arq.zip", "BKP_FTP/Backup_05_03_2024_14_30.backup"), 1);

  EXPECT_EQ(UnzipTest(scratch / "arq.zip").exitCode, 0);
  EXPECT_EQ(Entries(scratch / "arq.zip"),
            (std::vector<std::string>{"outro.txt", "config.ini", "configuracao.ini",
                                      "Backup_05_03_2024_14_30.backup"}));
  EXPECT_EQ(UnzipEntry(scratch / "arq.zip", "config.ini"), "segunda versão");
}

TEST_F(CriarZipFileTest, AnUnreadableSettingsFileFailsAndKeepsWhatWasAddedBefore) {
  fs::remove(scratch / "config.ini");
  try {
    (void)funcoes.CriarZipFile("arq.zip", "BKP_FTP/Backup_05_03_2024_14_30.backup");
    FAIL() << "não falhou sem config.ini";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("config.ini"), std::string::npos) << e.what();
  }
  EXPECT_EQ(UnzipTest(scratch / "arq.zip").exitCode, 0);
  EXPECT_EQ(Entries(scratch / "arq.zip"),
            std::vector<std::string>{"Backup_05_03_2024_14_30.backup"});
}

TEST_F(CriarZipFileTest, AMissingMainFileFailsWithoutLeavingAnArchive) {
  EXPECT_THROW((void)funcoes.CriarZipFile("arq.zip", "nao_existe.backup"), std::runtime_error);
  EXPECT_FALSE(fs::exists(scratch / "arq.zip"));
}

class ZipFileDecompressTest : public ::testing::Test {
 protected:
  ScratchDir scratch;
  TFuncoesIFood funcoes;
};

TEST_F(ZipFileDecompressTest, ExtractsEveryEntryIntoTheFolder) {
  WriteFile(scratch / "fonte/Backup", "novo executável");
  WriteFile(scratch / "fonte/leia.txt", "leia");
  const auto made = ziptest::Run("cd " + ziptest::Quoted(scratch / "fonte") +
                                 " && zip -q -r ../Backup.zip Backup leia.txt");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  WriteFile(scratch / "programa/Backup", "antigo");

  EXPECT_EQ(funcoes.ZipFileDecompress("Backup.zip", "programa"), 1);
  EXPECT_EQ(ReadFile(scratch / "programa/Backup"), "novo executável");
  EXPECT_EQ(ReadFile(scratch / "programa/leia.txt"), "leia");
}

TEST_F(ZipFileDecompressTest, AMissingArchiveIsNamedInTheError) {
  try {
    (void)funcoes.ZipFileDecompress("nada\\Backup.zip", "programa");
    FAIL() << "não falhou";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Não encontrei: nada\\Backup.zip");
  }
  EXPECT_FALSE(fs::exists(scratch / "programa"));
}

}  // namespace
