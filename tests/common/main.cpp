#include <gtest/gtest.h>

#include <cstdlib>

#include "harness/Harness.h"

int main(int argc, char** argv) {
  // The restart tests start a copy of this program that only reports how it was started.
  if (const std::optional<int> rc = harness::ReportRestartIfAsked(argc, argv)) return *rc;
  // Dates in the tests are local times; pin the zone so they mean the same everywhere.
  setenv("TZ", "America/Sao_Paulo", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
