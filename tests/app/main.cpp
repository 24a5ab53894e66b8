#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "AgentApplication.h"

// The Firebird client library, linked through the backup jobs, never frees some allocations of
// its own; the leak checker would blame every test for them.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the leak checker looks for.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfbclient.so\n"; }

int main(int argc, char** argv) {
  // Programs the tests start (the real Backup) get the same leak-checker suppressions.
  setenv("LSAN_OPTIONS", "suppressions=" BRISANE_TEST_DATA_DIR "/backup/lsan.supp", 0);
  // Widgets without a display; set before the application object reads it. The smoke tests
  // start the real program under their own X server instead.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("TZ", "America/Sao_Paulo", 1);
  ::testing::InitGoogleTest(&argc, argv);
  AgentApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
