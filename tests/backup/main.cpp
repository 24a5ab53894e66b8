#include <gtest/gtest.h>

#include <cstdlib>

// The Firebird client library, linked here for the backup service, never frees some allocations
// of its own (authentication numbers, character-set converters); the leak checker would blame
// every test that connects for them. Same list as lsan.supp, which the tests hand to the programs
// they start.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the leak checker looks for.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfbclient.so\n"; }

int main(int argc, char** argv) {
  // Dates in the tests are local times; pin the zone so they mean the same everywhere.
  setenv("TZ", "America/Sao_Paulo", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
