#include "StartUp.h"

#include <cstdlib>
#include <string>

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* v = std::getenv(name); v && *v) return true;
  }
  return false;
}

int TakePreviousCopyPid() {
  const char* v = std::getenv("BRISANE_AGUARDAR_PID");
  if (!v) return 0;
  const std::string text = v;
  unsetenv("BRISANE_AGUARDAR_PID");
  try {
    size_t used = 0;
    const int pid = std::stoi(text, &used);
    return used == text.size() && pid > 0 ? pid : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

QStringList ArgumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}
