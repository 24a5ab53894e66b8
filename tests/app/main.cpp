#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "AgentApplication.h"

int main(int argc, char** argv) {
  // Widgets without a display; set before the application object reads it. The smoke tests
  // start the real program under their own X server instead.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("TZ", "America/Sao_Paulo", 1);
  ::testing::InitGoogleTest(&argc, argv);
  AgentApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
