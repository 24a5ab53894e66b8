// Log writer throughput with an empty log folder and with 2,000 files in it, side by side.
// The cost of a line must not depend on how many files the folder holds.
//   log_bench [lines] [files]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/TFuncoesIFood.h"

namespace fs = std::filesystem;

namespace {

double Run(const fs::path& work, int lines, int files) {
  fs::create_directories(work / "LOGS" / "BENCH");
  for (int i = 0; i < files; ++i) {
    // Recent files, so the housekeeping must look at them and keep them.
    std::ofstream(work / "LOGS" / "BENCH" / ("arquivo_" + std::to_string(i) + ".txt")) << "x";
  }
  fs::current_path(work);
  TFuncoesIFood funcoes;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < lines; ++i)
    funcoes.GravarLog("linha de teste número " + std::to_string(i), "BENCH\\");
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count();
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int files = argc > 2 ? std::atoi(argv[2]) : 2000;
  const fs::path base =
      fs::temp_directory_path() / ("brisane-log-bench-" + std::to_string(::getpid()));
  const double empty = Run(base / "vazia", lines, 0);
  const double full = Run(base / "cheia", lines, files);
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(base);
  std::printf("%-28s %10s %14s\n", "pasta de log", "segundos", "linhas/s");
  std::printf("%-28s %10.3f %14.0f\n", "vazia", empty, lines / empty);
  std::printf("%-28s %10.3f %14.0f\n", (std::to_string(files) + " arquivos").c_str(), full,
              lines / full);
  std::printf("razão (cheia / vazia): %.2f (meta: no máximo 3)\n", full / empty);
  return 0;
}
