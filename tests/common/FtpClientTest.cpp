#include "common/FtpClient.h"

#include <gtest/gtest.h>

#include "harness/FtpServer.h"
#include "harness/Harness.h"

namespace fs = std::filesystem;

namespace {

class FtpClientTest : public ::testing::Test {
 protected:
  harness::ScratchDir scratch;
  harness::FtpServer ftp{scratch.Path()};

  FtpClient::Settings Settings(const std::string& password) const {
    FtpClient::Settings s;
    s.Host = "127.0.0.1";
    s.Port = ftp.Port();
    s.User = ftp.User();
    s.Password = password;
    s.ConnectTimeout = std::chrono::seconds(5);
    s.StallTimeout = std::chrono::seconds(10);
    return s;
  }
};

TEST_F(FtpClientTest, MakesEntersListsStoresAndDeletes) {
  FtpClient client(Settings(ftp.Password()));
  client.Connect();
  client.MakeDir("Pão & Cia");
  client.ChangeDir("Pão & Cia");
  EXPECT_EQ(client.CurrentDir(), "/Pão & Cia");
  harness::WriteFile(scratch / "Backup_01.zip", std::string(300000, 'z'));
  std::int64_t lastSent = -1, total = 0;
  client.Store(scratch / "Backup_01.zip", "Backup_01.zip", [&](std::int64_t sent, std::int64_t t) {
    lastSent = sent;
    total = t;
  });
  EXPECT_EQ(harness::ReadFile(ftp.Root() / "Pão & Cia/Backup_01.zip"), std::string(300000, 'z'));
  EXPECT_EQ(lastSent, 300000);
  EXPECT_EQ(total, 300000);
  EXPECT_EQ(client.RemoteSize("Backup_01.zip"), 300000);
  EXPECT_EQ(client.RemoteSize("nao-existe.zip"), std::nullopt);

  // Replacing, never appending.
  harness::WriteFile(scratch / "Backup_01.zip", "curto");
  client.Store(scratch / "Backup_01.zip", "Backup_01.zip");
  EXPECT_EQ(harness::ReadFile(ftp.Root() / "Pão & Cia/Backup_01.zip"), "curto");

  EXPECT_EQ(client.NameList("/Pão & Cia"), std::vector<std::string>{"Backup_01.zip"});
  client.Delete("Backup_01.zip");
  EXPECT_FALSE(fs::exists(ftp.Root() / "Pão & Cia/Backup_01.zip"));
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
}

TEST_F(FtpClientTest, NameListKeepsTheServersSpelling) {
  ftp.Stop();
  harness::FtpServer echoing(scratch / "eco", {.NlstWithFolder = true});
  fs::create_directories(echoing.Root() / "Loja");
  harness::WriteFile(echoing.Root() / "Loja/a b.zip", "x");
  FtpClient::Settings s = Settings(echoing.Password());
  s.Port = echoing.Port();
  FtpClient client(s);
  client.Connect();
  EXPECT_EQ(client.NameList("Loja"), std::vector<std::string>{"Loja/a b.zip"});
  EXPECT_THROW((void)client.NameList("nao-existe"), std::runtime_error);
}

TEST_F(FtpClientTest, FailuresNameTheStepAndWhatWentWrong) {
  FtpClient refused(Settings("senha errada"));
  try {
    refused.Connect();
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Falha ao conectar em 127.0.0.1:"), std::string::npos)
        << e.what();
    EXPECT_EQ(std::string(e.what()).find("senha errada"), std::string::npos);
  }

  FtpClient client(Settings(ftp.Password()));
  client.Connect();
  EXPECT_THROW(client.ChangeDir("/nao/existe"), std::runtime_error);
  EXPECT_EQ(client.CurrentDir(), "/");
  // A folder stands where the file should go: the store fails, the session goes on.
  fs::create_directories(ftp.Root() / "ocupado.zip");
  harness::WriteFile(scratch / "ocupado.zip", "x");
  EXPECT_THROW(client.Store(scratch / "ocupado.zip", "ocupado.zip"), std::runtime_error);
  EXPECT_THROW(client.Store(scratch / "nao-existe.zip", "b.zip"), std::runtime_error);
  harness::WriteFile(scratch / "b.zip", "b");
  client.Store(scratch / "b.zip", "b.zip");
  EXPECT_EQ(harness::ReadFile(ftp.Root() / "b.zip"), "b");
}

TEST_F(FtpClientTest, ADeadServerFailsTheConnectQuickly) {
  FtpClient::Settings s = Settings(ftp.Password());
  ftp.Stop();
  FtpClient client(s);
  EXPECT_THROW(client.Connect(), std::runtime_error);
  EXPECT_FALSE(client.Connected());
}

}  // namespace
