// What the agent costs a shop's machine while it waits: resident memory and CPU time of the real
// program idle for a minute after start-up, with the window in the notification area (under an
// X server of our own with a tray host) and headless, side by side in one run.
//   app_idle_bench [seconds]     (default 60)
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"
#include "harness/VirtualDisplay.h"

namespace {

struct Sample {
  double cpuSeconds = 0;  // user + system
  double rssMb = 0;
  double peakMb = 0;
};

Sample Read(pid_t pid) {
  Sample s;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command name, which is in parentheses and may hold spaces.
  std::istringstream rest(all.substr(all.rfind(')') + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  s.cpuSeconds = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) s.rssMb = std::stod(line.substr(6)) / 1024.0;
    if (line.rfind("VmHWM:", 0) == 0) s.peakMb = std::stod(line.substr(6)) / 1024.0;
  }
  return s;
}

struct Result {
  Sample atStart;
  Sample atEnd;
};

Result Idle(harness::ChildProcess& agent, int seconds) {
  Result r;
  r.atStart = Read(agent.Pid());
  std::this_thread::sleep_for(std::chrono::seconds(seconds));  // idle is what is measured
  r.atEnd = Read(agent.Pid());
  return r;
}

int StartLines() {
  int n = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("LOGS", ec)) {
    if (e.is_regular_file()) {
      for (const std::string& line : harness::ReadLines(e.path())) {
        n += line.find("Inicializando a aplicação") != std::string::npos ? 1 : 0;
      }
    }
  }
  return n;
}

void Print(const char* mode, const Result& r, int seconds, double rssGoal) {
  const double cpuPerMinute = (r.atEnd.cpuSeconds - r.atStart.cpuSeconds) * 60.0 / seconds;
  std::printf("%-9s %9.1f %9.1f %14.3f %12.0f %10.1f\n", mode, r.atEnd.rssMb, r.atEnd.peakMb,
              cpuPerMinute, rssGoal, 0.5);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  harness::ScratchDir scratch;
  const DeploymentSettings s = harness::FreshDatabase(harness::DatabaseMode::Server, true);
  const auto runtime = scratch / "run";
  std::filesystem::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  harness::WriteFile(scratch / "implantacao.ini",
                     "[Produto]\nPasta=" + s.produto.Pasta.string() + "\n[Firebird]\nServidor=" +
                         s.firebird.Servidor + "\nSenha=" + s.firebird.Senha + "\n");
  std::map<std::string, std::string> env{
      {"IMPLANTACAO_INI", (scratch / "implantacao.ini").string()},
      {"XDG_RUNTIME_DIR", runtime.string()}};

  Result windowed;
  {
    harness::VirtualDisplay display(/*withTray=*/true);
    auto windowEnv = env;
    windowEnv.merge(display.Env());
    windowEnv["QT_QPA_PLATFORM"] = "xcb";
    harness::ChildProcess::Options options;
    options.Args = {BACKUP_EXECUTABLE};
    options.ExtraEnv = windowEnv;
    harness::ChildProcess agent(options);
    auto visible = [&] { return display.Search({"--onlyvisible", "--name", "Brisane"}); };
    if (!harness::WaitUntil([&] { return !visible().empty(); }) ||
        !harness::WaitUntil([&] { return visible().empty(); })) {
      std::fprintf(stderr, "a janela não apareceu ou não foi para a área de notificação\n");
      return 1;
    }
    windowed = Idle(agent, seconds);
    agent.Stop();
  }

  Result headless;
  {
    harness::ChildProcess::Options options;
    options.Args = {BACKUP_EXECUTABLE, "--headless"};
    options.ExtraEnv = env;
    harness::ChildProcess agent(options);
    if (!harness::WaitUntil([] { return StartLines() == 2; })) {
      std::fprintf(stderr, "o modo headless não iniciou\n");
      return 1;
    }
    // The same settling as the window's three seconds before the tray.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    headless = Idle(agent, seconds);
    agent.Stop();
  }

  std::printf("Agente ocioso por %d s após a partida (banco no servidor Firebird local)\n\n",
              seconds);
  std::printf("%-9s %9s %9s %14s %12s %10s\n", "modo", "RSS MB", "pico MB", "CPU s/minuto",
              "meta RSS MB", "meta CPU");
  Print("janela", windowed, seconds, 60);
  Print("headless", headless, seconds, 20);
  std::printf("\nRSS janela / headless: %.2f\n", windowed.atEnd.rssMb / headless.atEnd.rssMb);
  return 0;
}
