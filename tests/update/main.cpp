#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A copy of this binary started by ReiniciarAplicacao's test: it reports how it was started
// (the pid it was told to wait for, and its arguments) in the file named by the variable, then
// ends without running any test.
int ReportRestart(const char* reportFile, int argc, char** argv) {
  const char* waitFor = std::getenv("BRISANE_AGUARDAR_PID");
  std::string report = std::string("pid=") + (waitFor ? waitFor : "") + "\nargs=";
  for (int i = 1; i < argc; ++i) report += std::string(i > 1 ? " " : "") + argv[i];
  report += "\n";
  const std::string tmp = std::string(reportFile) + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return 1;
  std::fwrite(report.data(), 1, report.size(), f);
  std::fclose(f);
  return std::rename(tmp.c_str(), reportFile) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* report = std::getenv("BRISANE_TESTE_REINICIO")) {
    return ReportRestart(report, argc, argv);
  }
  // Dates in the tests are local times; pin the zone so they mean the same everywhere.
  setenv("TZ", "America/Sao_Paulo", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
