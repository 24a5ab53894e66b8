#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Dates in the tests are local times; pin the zone so they mean the same everywhere.
  setenv("TZ", "America/Sao_Paulo", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
