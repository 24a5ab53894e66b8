// The real program, started as a shop's machine starts it: the window under an X server of the
// test's own with a notification area, the headless mode, and the one-copy rule between them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <memory>

#include "AppTestSupport.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"
#include "harness/VirtualDisplay.h"

namespace {

const char* const kStartLine = "Inicializando a aplicação - Brisane | by Corvatec";

}  // namespace

class BackupExecutableTest : public ::testing::Test {
 protected:
  BackupExecutableTest() {
    std::filesystem::create_directories(runtimeDir);
    ::chmod(runtimeDir.c_str(), 0700);
    harness::WriteFile(
        deploymentFile,
        "[Produto]\nPasta=" + settings.produto.Pasta.string() +
            "\n[Firebird]\nServidor=" + settings.firebird.Servidor +
            "\nUsuario=" + settings.firebird.Usuario + "\nSenha=" + settings.firebird.Senha +
            "\n[Sistema]\nPastaAutostart=" + (scratch / "autostart").string() + "\n");
  }

  std::map<std::string, std::string> Env(std::map<std::string, std::string> extra = {}) const {
    extra.emplace("IMPLANTACAO_INI", deploymentFile.string());
    extra.emplace("XDG_RUNTIME_DIR", runtimeDir.string());
    // In a sanitizer build: leaks of the libraries behind Qt's window are not the program's.
    extra.emplace("LSAN_OPTIONS", "print_suppressions=0:suppressions=" +
                                      (harness::TestDataDir() / "app" / "lsan.supp").string());
    return extra;
  }

  std::unique_ptr<harness::ChildProcess> Start(std::vector<std::string> args,
                                               std::map<std::string, std::string> env,
                                               const std::string& output) {
    args.insert(args.begin(), BACKUP_EXECUTABLE);
    harness::ChildProcess::Options options;
    options.Args = std::move(args);
    options.ExtraEnv = std::move(env);
    options.OutputFile = scratch / output;
    return std::make_unique<harness::ChildProcess>(std::move(options));
  }

  int Run(std::vector<std::string> args, const std::map<std::string, std::string>& env) {
    args.insert(args.begin(), BACKUP_EXECUTABLE);
    return harness::RunCommand(args, nullptr, env);
  }

  harness::ScratchDir scratch;
  DeploymentSettings settings =
      harness::FreshDatabase(harness::DatabaseMode::Server, /*seed=*/true);
  std::filesystem::path runtimeDir = scratch / "run";
  std::filesystem::path deploymentFile = scratch / "implantacao.ini";
};

TEST_F(BackupExecutableTest, WindowShowsGoesToTheTrayComesBackAndStaysTheOnlyCopy) {
  harness::VirtualDisplay display(/*withTray=*/true);
  auto env = Env(display.Env());
  env["QT_QPA_PLATFORM"] = "xcb";
  auto agent = Start({}, env, "janela.txt");

  auto visible = [&] { return display.Search({"--onlyvisible", "--name", "Brisane"}); };
  ASSERT_TRUE(harness::WaitUntil([&] { return !visible().empty(); }))
      << harness::ReadFile(scratch / "janela.txt");
  const std::string window = visible().front();
  std::string name;
  display.Run({"xdotool", "getwindowname", window}, &name);
  EXPECT_EQ(name, "Brisane | by Corvatec\n");

  // A screenshot while it shows, kept with the build; taken again until the title bar is
  // painted in its green.
  const auto artefacts = harness::BinaryDir() / "tests" / "app" / "artefatos";
  std::filesystem::create_directories(artefacts);
  const auto shot = artefacts / "Backup-janela.png";
  std::string geometry;
  display.Run({"xdotool", "getwindowgeometry", "--shell", window}, &geometry);
  const auto value = [&](const std::string& key) {
    const size_t at = geometry.find(key + "=");
    return std::stoi(geometry.substr(at + key.size() + 1));
  };
  const std::string probe =
      "1x1+" + std::to_string(value("X") + 600) + "+" + std::to_string(value("Y") + 40);
  EXPECT_TRUE(harness::WaitUntil([&] {
    std::string pixel;
    display.Run({"import", "-window", "root", shot.string()});
    display.Run({"convert", shot.string(), "-crop", probe, "txt:-"}, &pixel);
    return pixel.find("#008040") != std::string::npos;
  }));
  EXPECT_GT(std::filesystem::file_size(shot), 0u);

  // About three seconds later it goes to the notification area.
  ASSERT_TRUE(harness::WaitUntil([&] { return visible().empty(); }));
  // The icon: the program's one visible window besides the main one.
  std::string trayIcon;
  auto findTrayIcon = [&] {
    trayIcon.clear();
    for (const std::string& id : display.Search({"--onlyvisible", "--classname", "Backup"})) {
      if (id != window) trayIcon = id;
    }
    return !trayIcon.empty();
  };
  ASSERT_TRUE(harness::WaitUntil(findTrayIcon));
  // A click on the icon brings the window back.
  display.Run({"xdotool", "mousemove", "--window", trayIcon, "8", "8", "click", "1"});
  ASSERT_TRUE(harness::WaitUntil([&] { return !visible().empty(); }));

  // The minimise picture sends it away; a second start brings it forward and leaves.
  display.Run({"xdotool", "mousemove", "--window", window, "919", "24", "click", "1"});
  ASSERT_TRUE(harness::WaitUntil([&] { return visible().empty(); }));
  EXPECT_EQ(Run({}, env), 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return !visible().empty(); }));
  EXPECT_TRUE(agent->Running());

  EXPECT_EQ(CountMessages(kStartLine), 1);

  // "Reiniciar" on the icon's menu: this copy ends and a new one takes its place.
  display.Run({"xdotool", "mousemove", "--window", window, "919", "24", "click", "1"});
  ASSERT_TRUE(harness::WaitUntil([&] { return visible().empty() && findTrayIcon(); }));
  display.Run({"xdotool", "mousemove", "--window", trayIcon, "8", "8", "click", "3"});
  ASSERT_TRUE(harness::WaitUntil([&] {
    return display.Search({"--onlyvisible", "--classname", "Backup"}).size() == 2;  // + menu
  }));
  display.Run({"xdotool", "key", "Down", "Down", "Return"});
  EXPECT_EQ(agent->Wait(std::chrono::seconds(20)), 0);
  ASSERT_TRUE(harness::WaitUntil([] { return CountMessages(kStartLine) == 2; }));
  ASSERT_TRUE(harness::WaitUntil([&] { return !visible().empty(); }));
  std::string pidText;
  display.Run({"xdotool", "getwindowpid", visible().front()}, &pidText);
  const pid_t restarted = std::stoi(pidText);
  EXPECT_NE(restarted, agent->Pid());

  // SIGTERM ends it cleanly (it is not our child: it is watched by its process id).
  ASSERT_EQ(::kill(restarted, SIGTERM), 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return ::kill(restarted, 0) != 0; }));
}

TEST_F(BackupExecutableTest, HeadlessRunsUntilSigtermAndSharesTheOneCopyRule) {
  auto agent = Start({"--headless"}, Env(), "headless.txt");
  ASSERT_TRUE(harness::WaitUntil([] { return CountMessages(kStartLine) == 1; }));

  // A second headless copy, and a windowed one, leave at once with 0.
  EXPECT_EQ(Run({"--headless"}, Env()), 0);
  EXPECT_EQ(Run({}, Env({{"QT_QPA_PLATFORM", "offscreen"}})), 0);
  EXPECT_TRUE(agent->Running());
  EXPECT_EQ(CountMessages(kStartLine), 1);

  EXPECT_EQ(agent->Stop(), 0);
}

TEST_F(BackupExecutableTest, ARestartedCopyWaitsForTheCopyItReplaces) {
  auto previous = Start({"--headless"}, Env(), "anterior.txt");
  ASSERT_TRUE(harness::WaitUntil([] { return CountMessages(kStartLine) == 1; }));

  auto next =
      Start({"--headless"}, Env({{"BRISANE_AGUARDAR_PID", std::to_string(previous->Pid())}}),
            "seguinte.txt");
  // While the old copy runs the new one neither starts nor gives way.
  EXPECT_TRUE(next->Running());
  EXPECT_EQ(CountMessages(kStartLine), 1);

  EXPECT_EQ(previous->Stop(), 0);
  ASSERT_TRUE(harness::WaitUntil([] { return CountMessages(kStartLine) == 2; }));
  EXPECT_TRUE(next->Running());
  EXPECT_EQ(next->Stop(), 0);
}

TEST_F(BackupExecutableTest, WithoutADisplayTheWindowedStartSaysHowToRunHeadless) {
  std::string output;
  const int rc =
      harness::RunCommand({BACKUP_EXECUTABLE}, &output,
                          Env({{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}));
  EXPECT_EQ(rc, 1);
  EXPECT_NE(output.find("--headless"), std::string::npos);
  EXPECT_EQ(CountMessages(kStartLine), 0);
}
