#pragma once
// A fixture for code that works through the process's data module DM(): the test makes its
// deployment settings (usually FreshDatabase), then StartDataModule installs them and creates
// the module; TearDown releases the module and the settings.

#include <gtest/gtest.h>

#include <string>

#include "common/DeploymentSettings.h"

namespace harness {

class DataModuleTest : public ::testing::Test {
 protected:
  void StartDataModule(const DeploymentSettings& settings);
  void TearDown() override;

  // Runs a statement that returns no rows on the data module's connection.
  static void Exec(const std::string& sql);

 private:
  bool FStarted = false;
};

}  // namespace harness
