// CPU used by the waiting process while a 2-second program runs: ExecutarEEsperar (blocking in
// short slices, letting the interface breathe between them) beside a loop that polls the exit
// status without pause, side by side in one run.
//   executar_bench [seconds]
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/TFuncoesIFood.h"
#include "common/UserInterface.h"
#include "common/platform/Process.h"

namespace fs = std::filesystem;

namespace {

// Counts the event pumps, as a window would process them.
class CountingUserInterface final : public UserInterface {
 public:
  bool Confirm(const std::string&) override { return false; }
  void ShowError(const std::string&) override {}
  void TranslateStandardDialogs() override {}
  void ProcessEvents() override { ++events; }
  void RequestQuit() override {}
  long events = 0;
};

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Measure {
  double wall = 0;
  double cpu = 0;
  long events = 0;
  [[nodiscard]] double CorePercent() const { return 100.0 * cpu / wall; }
};

template <typename Wait>
Measure Run(CountingUserInterface& ui, Wait wait) {
  ui.events = 0;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  wait();
  Measure m;
  m.cpu = CpuSeconds() - cpuStart;
  m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.events = ui.events;
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  const fs::path work =
      fs::temp_directory_path() / ("brisane-executar-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::current_path(work);
  std::ofstream(work / "espera.sh") << "sleep " << seconds << "\n";

  CountingUserInterface ui;
  InstallUserInterface(&ui);
  const TFuncoesIFood funcoes;
  const Measure blocking = Run(ui, [&] { (void)funcoes.ExecutarEEsperar("espera.sh"); });
  // The original's loop: pump events, read the exit status, again, with no pause.
  const Measure spinning = Run(ui, [&] {
    platform::ChildProcess child =
        platform::StartProcess({"/bin/sh", (work / "espera.sh").string()});
    do {
      ui.ProcessEvents();
    } while (!child.WaitFor(std::chrono::milliseconds(0)));
  });
  InstallUserInterface(nullptr);
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(work);

  std::printf("programa de %.1f s; CPU do processo que espera, em %% de um núcleo\n", seconds);
  std::printf("%-30s %8s %10s %12s\n", "espera", "parede s", "CPU %", "eventos");
  std::printf("%-30s %8.2f %10.3f %12ld\n", "ExecutarEEsperar (bloqueia)", blocking.wall,
              blocking.CorePercent(), blocking.events);
  std::printf("%-30s %8.2f %10.3f %12ld\n", "laço sem pausa (original)", spinning.wall,
              spinning.CorePercent(), spinning.events);
  std::printf("razão de CPU (laço / bloqueante): %.0f\n",
              spinning.cpu / (blocking.cpu > 0 ? blocking.cpu : 1e-6));
  return 0;
}
