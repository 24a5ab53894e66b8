// Programs, restart, identity, connectivity, launcher and dialogs of TFuncoesIFood.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>

#include "ZipTestSupport.h"
#include "common/DeploymentSettings.h"
#include "common/FileVersion.h"
#include "common/TFuncoesIFood.h"
#include "common/platform/Network.h"
#include "common/platform/Shortcut.h"
#include "harness/Harness.h"
#include "harness/RecordingUserInterface.h"

using harness::ReadFile;
using harness::ScratchDir;
using harness::WaitUntil;
using harness::WriteFile;
namespace fs = std::filesystem;

namespace {

class ExecutarEEsperarTest : public ::testing::Test {
 protected:
  ScratchDir scratch;
  harness::RecordingUserInterface ui;
  TFuncoesIFood funcoes;
};

TEST_F(ExecutarEEsperarTest, RunsAShellScriptAndReturnsOnlyWhenItHasEnded) {
  WriteFile(scratch / "BKP_FTP/bkp.sh", "sleep 0.3\necho fim > fim.txt\n");
  EXPECT_TRUE(funcoes.ExecutarEEsperar("BKP_FTP\\bkp.sh"));
  EXPECT_EQ(ReadFile(scratch / "fim.txt"), "fim\n");
}

TEST_F(ExecutarEEsperarTest, KeepsTheInterfaceAliveWhileWaiting) {
  // The script ends only after the interface was given events three times during the wait.
  ui.onEvents = [&](int n) {
    if (n == 3) WriteFile(scratch / "liberar", "");
  };
  WriteFile(scratch / "espera.sh",
            "i=0\n"
            "while [ ! -f liberar ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n"
            "if [ -f liberar ]; then echo liberado; else echo esgotado; fi > resultado.txt\n");
  EXPECT_TRUE(funcoes.ExecutarEEsperar("espera.sh"));
  EXPECT_EQ(ReadFile(scratch / "resultado.txt"), "liberado\n");
  EXPECT_GE(ui.events.load(), 3);
}

TEST_F(ExecutarEEsperarTest, RunsProgramsDirectlyOrFromPath) {
  WriteFile(scratch / "programa", "#!/bin/sh\necho direto > direto.txt\n");
  fs::permissions(scratch / "programa", fs::perms(0755));
  EXPECT_TRUE(funcoes.ExecutarEEsperar(scratch / "programa"));
  EXPECT_EQ(ReadFile(scratch / "direto.txt"), "direto\n");
  EXPECT_TRUE(funcoes.ExecutarEEsperar("true"));
}

TEST_F(ExecutarEEsperarTest, FalseWhenTheProgramCannotBeStarted) {
  WriteFile(scratch / "dados.txt", "não é programa");
  fs::create_directory(scratch / "pasta");
  for (const char* name :
       {"nao_existe.sh", "nao_existe", "pasta/nao_existe", "dados.txt", "pasta", ""}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(funcoes.ExecutarEEsperar(name));
  }
}

TEST_F(ExecutarEEsperarTest, TheProgramGetsNoTerminalAndNoneOfOurDescriptors) {
  // A descriptor we hold without close-on-exec, like a lock file, must not reach the program.
  const int fd = ::open(scratch.Path().c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::dup2(fd, 57), 57);
  WriteFile(scratch / "ver.sh",
            "{ if [ -e /proc/$$/fd/57 ]; then echo vazou; else echo limpo; fi\n"
            "  if [ -t 0 ]; then echo terminal; else echo sem-terminal; fi\n"
            "  ps -o tty= -p $$ | tr -d ' '; } > ver.txt\n");
  EXPECT_TRUE(funcoes.ExecutarEEsperar("ver.sh"));
  ::close(57);
  ::close(fd);
  EXPECT_EQ(ReadFile(scratch / "ver.txt"), "limpo\nsem-terminal\n?\n");
}

TEST(ReiniciarAplicacao, StartsThisProgramToldToWaitForUsThenAsksToQuit) {
  ScratchDir scratch;
  harness::RecordingUserInterface ui;
  // main() of this test program reports how such a copy was started and ends at once.
  const fs::path report = scratch / "reinicio.txt";
  ::setenv("BRISANE_TESTE_REINICIO", report.c_str(), 1);
  TFuncoesIFood::ReiniciarAplicacao();
  ::unsetenv("BRISANE_TESTE_REINICIO");
  EXPECT_EQ(ui.quits.load(), 1);
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(report); }));
  EXPECT_EQ(ReadFile(report), "pid=" + std::to_string(::getpid()) + "\nargs=\n");
}

TEST(NumeroSerieHD, EightHexDigitsOfTheRootFileSystemStableAcrossCalls) {
  const std::string serial = TFuncoesIFood::NumeroSerieHD("C");
  EXPECT_TRUE(std::regex_match(serial, std::regex("[0-9A-F]{8}"))) << serial;
  EXPECT_EQ(TFuncoesIFood::NumeroSerieHD("C"), serial);
  EXPECT_EQ(TFuncoesIFood::NumeroSerieHD("/"), serial);
  // The same number as the file-system id that coreutils reports, folded to 32 bits.
  const std::string fsid = ziptest::Run("stat -f -c %i /").output;
  const unsigned long long id = std::stoull(fsid, nullptr, 16);
  char expected[9];
  std::snprintf(expected, sizeof(expected), "%08X",
                static_cast<unsigned>((id >> 32) ^ (id & 0xFFFFFFFFu)));
  EXPECT_EQ(serial, expected);
  EXPECT_EQ(TFuncoesIFood::NumeroSerieHD("/nao/existe"), "");
}

TEST(GetBuildInfo, SumsTheFourVersionPartsOrGivesZero) {
  ScratchDir scratch;
  const TFuncoesIFood funcoes;
  const FileVersion v = CompiledVersion();
  EXPECT_EQ(funcoes.GetBuildInfo(fs::read_symlink("/proc/self/exe")), v[0] + v[1] + v[2] + v[3]);
  WriteFile(scratch / "texto.exe", "sem versão");
  for (const char* file : {"texto.exe", "nao_existe.exe", ""}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(funcoes.GetBuildInfo(file), 0);
  }
}

// A listening socket on 127.0.0.1 (connections complete in its backlog without accept()).
class Listener {
 public:
  Listener() : FFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (::bind(FFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(FFd, 8) != 0 ||
        ::getsockname(FFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      throw std::runtime_error("não foi possível escutar em 127.0.0.1");
    }
    FPort = ntohs(addr.sin_port);
  }
  ~Listener() { ::close(FFd); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  [[nodiscard]] int Port() const { return FPort; }

 private:
  int FFd;
  int FPort = 0;
};

TEST(ChecarConexao, TrueOnlyWhenAConnectionOpens) {
  const Listener listener;
  EXPECT_TRUE(platform::CanConnect("127.0.0.1", listener.Port(), std::chrono::seconds(3)));
  EXPECT_TRUE(platform::CanConnect("localhost", listener.Port(), std::chrono::seconds(3)));
  EXPECT_FALSE(
      platform::CanConnect("127.0.0.1", harness::FreeLoopbackPort(), std::chrono::seconds(3)));
  EXPECT_FALSE(platform::CanConnect("", listener.Port(), std::chrono::seconds(3)));
  EXPECT_FALSE(
      platform::CanConnect("nao-existe.invalid", listener.Port(), std::chrono::seconds(3)));
  EXPECT_FALSE(platform::CanConnect("127.0.0.1", 0, std::chrono::seconds(3)));
}

TEST(ChecarConexao, AnUnsetDeliveryDomainMeansNoConnection) {
  // A copy: the settings the reference names are replaced below.
  const DeploymentSettings before = DeploymentSettings(Deployment());
  DeploymentSettings settings = before;
  settings.dominios.Delivery.clear();
  SetDeployment(settings);
  EXPECT_FALSE(TFuncoesIFood::ChecarConexaoDelivery());
  EXPECT_FALSE(TFuncoesIFood::ChecarConexaoGestor());
  SetDeployment(before);
}

TEST(CreateShortcut, WritesADesktopEntryBesideTheProgram) {
  ScratchDir scratch;
  const TFuncoesIFood funcoes;
  const fs::path folder = scratch / "app dir";
  fs::create_directories(folder);
  funcoes.CreateShortcut((folder / "Backup").string(), "2 opção", "/outra", "Backup | Corvatec",
                         " 5 opção");
  EXPECT_EQ(ReadFile(folder / "Backup.desktop"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Version=1.0\n"
            "Name=Backup\n"
            "Comment=DESCRIÇÃO DO ATALHO\n"
            "Exec=\"" +
                folder.string() +
                "/Backup\"\n"
                "Path=" +
                folder.string() +
                "\n"
                "Terminal=false\n");

  // A relative name is the working directory's file; the entry still names it absolutely.
  funcoes.CreateShortcut("Backup.exe", "", "", "", "");
  EXPECT_NE(ReadFile(scratch / "Backup.desktop")
                .find("Exec=\"" + (scratch / "Backup.exe").string() + "\"\n"),
            std::string::npos);
  EXPECT_EQ(ziptest::Tree(scratch.Path()),
            (std::set<std::string>{"Backup.desktop", "app dir", "app dir/Backup.desktop"}));
}

TEST(CreateShortcut, ExecArgumentsAreQuotedByTheDesktopEntryRules) {
  struct Case {
    const char* path;
    const char* quoted;
  } cases[] = {
      {"/opt/Backup", "\"/opt/Backup\""},
      {"/opt/meu app/Backup", "\"/opt/meu app/Backup\""},
      {"/a$b`c\"d", "\"/a\\$b\\`c\\\"d\""},
      {"/cem%/Backup", "\"/cem%%/Backup\""},
      {"/a\\b", "\"/a\\\\b\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(platform::DesktopExecArgument(c.path), c.quoted);
  }
  // In the file, the backslash is escaped once more as a string value: four in a row.
  ScratchDir scratch;
  const fs::path folder = scratch / "a\\b";
  fs::create_directories(folder);
  platform::WriteLauncher(folder / "Backup", "x");
  EXPECT_NE(ReadFile(folder / "Backup.desktop")
                .find("Exec=\"" + scratch.Path().string() + "/a\\\\\\\\b/Backup\"\n"),
            std::string::npos);
}

TEST(Confirm, AsksTheInstalledInterface) {
  harness::RecordingUserInterface ui;
  ui.answer = true;
  EXPECT_TRUE(TFuncoesIFood::Confirm("Remover Inicialização?"));
  EXPECT_EQ(ui.LastConfirm(), "Remover Inicialização?");
  ui.answer = false;
  EXPECT_FALSE(TFuncoesIFood::Confirm("Iniciar automaticamente?"));
  TFuncoesIFood::TraduzirMsgDialog();
  EXPECT_EQ(ui.translations.load(), 1);
}

}  // namespace
