// The one-shot command `Backup --backup-now`, run as the installed program would be.
#include <gtest/gtest.h>

#include "common/DeploymentSettings.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"

namespace fs = std::filesystem;

namespace {

class RunBackupNowTest : public ::testing::Test {
 protected:
  harness::ScratchDir scratch;
  DeploymentSettings settings = harness::FreshDatabase(harness::DatabaseMode::Embedded, true);
  fs::path ini = scratch / "implantacao.ini";

  void SetUp() override {
    fs::create_directories(settings.BackupFolder());
    fs::create_directories(scratch / "Extra");
    // The FTP target is absent: nothing listens on the port.
    harness::WriteFile(ini, "[Produto]\nPasta=" + settings.produto.Pasta.string() +
                                "\n[Firebird]\nServidor=\n"
                                "[FTPBackup]\nHost=127.0.0.1\nPorta=" +
                                std::to_string(harness::FreeLoopbackPort()) +
                                "\nUsuario=demo\nSenha=demo\nDominio=demo.example\n"
                                "TempoConexaoMs=5000\n");
  }

  int Run(const std::vector<std::string>& args, std::string* output) {
    std::vector<std::string> command{(harness::BinaryDir() / "app" / "Backup").string()};
    command.insert(command.end(), args.begin(), args.end());
    const std::string suppressions = (harness::TestDataDir() / "backup" / "lsan.supp").string();
    return harness::RunCommand(
        command, output,
        {{"IMPLANTACAO_INI", ini.string()}, {"LSAN_OPTIONS", "suppressions=" + suppressions}});
  }
};

TEST_F(RunBackupNowTest, KeepsTheArchiveAndExitsZeroWhenOnlyTheUploadFails) {
  std::string out;
  EXPECT_EQ(Run({"--backup-now", (scratch / "Extra").string()}, &out), 0) << out;
  bool archived = false;
  for (const auto& entry : fs::directory_iterator(settings.BackupFolder())) {
    const std::string name = entry.path().filename().string();
    if (name.size() == 23 && name.ends_with(".zip")) {
      archived = true;
      EXPECT_NE(out.find("Arquivo ZIP criado: " + entry.path().string() + "\n"), std::string::npos)
          << out;
      std::string test;
      EXPECT_EQ(harness::RunCommand({"/usr/bin/unzip", "-t", entry.path().string()}, &test), 0);
    }
  }
  EXPECT_TRUE(archived) << out;
  EXPECT_NE(out.find("Backup concluído com sucesso!\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nErro ao conectar: "), std::string::npos) << out;
}

TEST_F(RunBackupNowTest, ExitsNonZeroWithTheMessageWhenTheBackupFails) {
  std::string out;
  EXPECT_EQ(Run({"--backup-now", (scratch / "nao-existe").string()}, &out), 1) << out;
  EXPECT_NE(out.find("Erro ao gerar backup\r\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Arquivo ZIP criado"), std::string::npos) << out;
}

}  // namespace
