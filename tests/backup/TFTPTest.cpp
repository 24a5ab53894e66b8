#include "backup/TFTP.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/DeploymentSettings.h"
#include "common/Errors.h"
#include "common/TDM.h"
#include "harness/Firebird.h"
#include "harness/FtpServer.h"
#include "harness/Harness.h"

namespace fs = std::filesystem;

namespace {

// A port whose connections the kernel completes but nobody ever answers: an FTP host that hangs
// before its greeting, as a dead or overloaded server does.
class SilentListener {
 public:
  SilentListener() : FFd(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(addr);
    if (FFd < 0 || ::bind(FFd, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
        ::listen(FFd, 8) != 0 || ::getsockname(FFd, reinterpret_cast<sockaddr*>(&addr), &size)) {
      throw std::runtime_error("listener");
    }
    FPort = ntohs(addr.sin_port);
  }
  ~SilentListener() { ::close(FFd); }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  [[nodiscard]] int Port() const { return FPort; }

 private:
  int FFd;
  int FPort = 0;
};

std::string BinaryContent(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return data;
}

class TFTPTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = harness::FreshDatabase(harness::DatabaseMode::Server, true);
    SetDeployment(settings);
    CreateDM();
  }
  void TearDown() override {
    DestroyDM();
    SetDeployment(DeploymentSettings{});
  }

  // Starts the FTP server and points the deployment's FTPGestor at it.
  harness::FtpServer& StartFtp(const harness::FtpServer::Options& options = {}) {
    ftp = std::make_unique<harness::FtpServer>(scratch / "ftp", options);
    PointAt(ftp->Port(), ftp->User(), ftp->Password());
    return *ftp;
  }
  void PointAt(int port, const std::string& user = "agente", const std::string& senha = "x") {
    settings.ftpGestor.Host = "127.0.0.1";
    settings.ftpGestor.Porta = port;
    settings.ftpGestor.Usuario = user;
    settings.ftpGestor.Senha = senha;
    settings.ftpGestor.TempoConexaoMs = 10000;
    SetDeployment(settings);
  }

  static void Exec(const std::string& sql) {
    Query q(DM().conexao);
    q.SetSQL(sql);
    q.ExecSQL();
  }

  // An archive of the configured backup job, in its working folder.
  fs::path Archive(const std::string& name, const std::string& content = "zip") const {
    fs::path file = scratch / "BKP_FTP" / name;
    fs::create_directories(file.parent_path());
    harness::WriteFile(file, content);
    return file;
  }

  [[nodiscard]] std::vector<std::string> RemoteFiles(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(ftp->Root() / folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  harness::ScratchDir scratch;
  DeploymentSettings settings;
  harness::ManualClock clock{TDateTime::FromParts(2024, 2, 2, 10, 1)};
  harness::ProgressRecorder memo;
  std::unique_ptr<harness::FtpServer> ftp;
};

TEST_F(TFTPTest, CreatesTheTradeNameFolderAndUploadsIntoIt) {
  StartFtp();
  Exec("update empresas set emp_003 = 'Pão & Cia' where emp_001 = 1");
  const std::string content = BinaryContent(700000);
  const fs::path zip = Archive("Backup_02_02_2024_10_01.zip", content);

  TFTP uploader(&clock);
  uploader.memo = &memo;
  uploader.Conectar();
  EXPECT_TRUE(uploader.EnviarArquivo(zip.string()));

  EXPECT_EQ(uploader.Fantasia(), "Pao_&_Cia");
  EXPECT_EQ(harness::ReadFile(ftp->Root() / "Pao_&_Cia" / "Backup_02_02_2024_10_01.zip"), content);
  // The server records an upload just after it confirms it.
  ASSERT_TRUE(harness::WaitUntil([&] { return !ftp->Uploads().empty(); }));
  EXPECT_EQ(ftp->Uploads(),
            std::vector<std::string>{"STOR Pao_&_Cia/Backup_02_02_2024_10_01.zip 700000"});
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{
                              "02/02/2024 10:01:00 : Envio do BKP para o FTP Concluido...",
                              "02/02/2024 10:01:00 : Conectando no FTP",
                          }));
}

// The folder is left empty when an upload fails; the next run must still get in.
TEST_F(TFTPTest, EntersAnExistingEmptyFolder) {
  StartFtp();
  fs::create_directories(ftp->Root() / "Padaria_Sao_Joao");

  TFTP uploader(&clock);
  uploader.Conectar();
  EXPECT_TRUE(uploader.EnviarArquivo(Archive("Backup_02_02_2024_10_01.zip").string()));

  EXPECT_EQ(RemoteFiles("Padaria_Sao_Joao"),
            std::vector<std::string>{"Backup_02_02_2024_10_01.zip"});
}

TEST_F(TFTPTest, PrunesArchivesMoreThanADayOldOnceTheUploadLands) {
  StartFtp({.NlstWithFolder = true});
  const fs::path pasta = ftp->Root() / "Padaria_Sao_Joao";
  struct Case {
    const char* name;
    TDateTime now;
    bool deleted;
  } cases[] = {
      {"um minuto antes de um dia", TDateTime::FromParts(2024, 2, 2, 9, 59), false},
      {"exatamente um dia", TDateTime::FromParts(2024, 2, 2, 10, 0), false},
      {"um minuto depois de um dia", TDateTime::FromParts(2024, 2, 2, 10, 1), true},
  };
  // Entries that are not archives of the job, or whose name doesn't parse, always stay.
  const std::vector<std::string> others = {
      "Backup_31_02_2024_10_00.zip",  // no such day
      "Backup_antigo.zip",
      "notas de entrega ção.txt",
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(pasta);
    fs::create_directories(pasta);
    harness::WriteFile(pasta / "Backup_01_02_2024_10_00.zip", "antigo");
    for (const auto& name : others) harness::WriteFile(pasta / name, "x");
    clock.Set(c.now);

    TFTP uploader(&clock);
    uploader.Conectar();
    ASSERT_TRUE(uploader.EnviarArquivo(Archive("Backup_02_02_2024_09_59.zip").string()));

    EXPECT_EQ(fs::exists(pasta / "Backup_01_02_2024_10_00.zip"), !c.deleted);
    EXPECT_TRUE(fs::exists(pasta / "Backup_02_02_2024_09_59.zip"));
    for (const auto& name : others) EXPECT_TRUE(fs::exists(pasta / name)) << name;
  }
}

// Pruning before the new archive is safe on the server would leave nothing when the upload fails.
TEST_F(TFTPTest, AFailedUploadIsShownLoggedAndPrunesNothing) {
  StartFtp({.NlstWithFolder = true});
  const fs::path pasta = ftp->Root() / "Padaria_Sao_Joao";
  fs::create_directories(pasta);
  harness::WriteFile(pasta / "Backup_01_01_2024_10_00.zip", "antigo");

  TFTP uploader(&clock);
  uploader.memo = &memo;
  uploader.Conectar();
  EXPECT_FALSE(uploader.EnviarArquivo((scratch / "BKP_FTP/nao-existe.zip").string()));

  EXPECT_TRUE(fs::exists(pasta / "Backup_01_01_2024_10_00.zip"));
  const std::vector<std::string> lines = memo.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("02/02/2024 10:01:00 : Falha ao enviar nao-existe.zip", 0), 0u)
      << lines[0];
  const std::vector<std::string> log = harness::ReadLines(scratch / "LOGS/2024-02-02.txt");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "2024-02-02 10:01:00 - TFTP.EnviarArquivo: " + lines[0].substr(22));
}

// Servers that list bare names give nothing the pruning recognises.
TEST_F(TFTPTest, BareNameListingsPruneNothing) {
  StartFtp();
  const fs::path pasta = ftp->Root() / "Padaria_Sao_Joao";
  fs::create_directories(pasta);
  harness::WriteFile(pasta / "Backup_01_01_2024_10_00.zip", "antigo");

  TFTP uploader(&clock);
  uploader.Conectar();
  ASSERT_TRUE(uploader.EnviarArquivo(Archive("Backup_02_02_2024_10_01.zip").string()));

  EXPECT_EQ(
      RemoteFiles("Padaria_Sao_Joao"),
      (std::vector<std::string>{"Backup_01_01_2024_10_00.zip", "Backup_02_02_2024_10_01.zip"}));
}

TEST_F(TFTPTest, PrepararFantasiaKeepsTheNameOneFolder) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"Pão & Cia", "Pao_&_Cia"},
      {"Açaí  do Zé", "Acai__do_Ze"},
      {"Bar\tdo Ñandú", "Bar do_Nandu"},  // a tab reduces to a space after the spaces went
      {"Loja\r\nDELE x", "Loja__DELE_x"},
      {"Irmãos A/B \\ C", "Irmaos_A_B___C"},
      {"..", ".."},
      {"€ Loja 日本", " _Loja_??"},  // the euro sign is no letter: a space
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(TFTP::PrepararFantasia(c.in), c.out);
  }
}

TEST_F(TFTPTest, AMissingCompanyTableEscapesFromCreation) {
  Exec("drop table empresas");
  EXPECT_THROW(TFTP{&clock}, EDatabaseError);
}

// Without a trade name the archives would land in, and prune, the root of the server.
TEST_F(TFTPTest, WithoutTradeNameConectarRefuses) {
  StartFtp({.NlstWithFolder = true});
  harness::WriteFile(ftp->Root() / "Backup_01_01_2024_10_00.zip", "de outra empresa");
  Exec("delete from empresas");

  TFTP uploader(&clock);
  EXPECT_EQ(uploader.Fantasia(), "");
  EXPECT_THROW(uploader.Conectar(), std::runtime_error);

  EXPECT_TRUE(fs::exists(ftp->Root() / "Backup_01_01_2024_10_00.zip"));
}

TEST_F(TFTPTest, ConnectionFailuresEscapeFromConectar) {
  // Nobody listening.
  PointAt(harness::FreeLoopbackPort());
  TFTP refused(&clock);
  EXPECT_THROW(refused.Conectar(), std::runtime_error);

  // A host that never greets is given up after the connect time-out.
  const SilentListener silent;
  PointAt(silent.Port());
  TFTP hanging(&clock);
  hanging.SetConnectTimeout(std::chrono::milliseconds(300));
  try {
    hanging.Conectar();
    FAIL() << "Conectar should have failed";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("timed out"), std::string::npos) << e.what();
  }
}

}  // namespace
