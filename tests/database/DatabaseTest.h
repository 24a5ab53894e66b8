#pragma once
// A fresh point-of-sale database per test, reached through the test server or embedded.

#include <gtest/gtest.h>

#include <string>

#include "common/Database.h"
#include "common/DeploymentSettings.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"

class DatabaseTest : public ::testing::TestWithParam<harness::DatabaseMode> {
 protected:
  harness::ScratchDir scratch;
  DeploymentSettings settings = harness::FreshDatabase(GetParam(), /*seed=*/true);

  [[nodiscard]] ConnectionParams Params() const {
    return {settings.DatabasePath(), settings.firebird.Servidor, settings.firebird.Usuario,
            settings.firebird.Senha, ""};
  }
  [[nodiscard]] bool Embedded() const { return GetParam() == harness::DatabaseMode::Embedded; }

  // Runs a command on the test's connection.
  void Exec(const std::string& sql) {
    Query q(connection);
    q.SetSQL(sql);
    q.ExecSQL();
  }

  Connection connection{Params()};
};

inline std::string ModeParamName(const ::testing::TestParamInfo<harness::DatabaseMode>& info) {
  return harness::ModeName(info.param);
}

#define INSTANTIATE_FOR_BOTH_MODES(Fixture)                                              \
  INSTANTIATE_TEST_SUITE_P(                                                              \
      Firebird, Fixture,                                                                 \
      ::testing::Values(harness::DatabaseMode::Server, harness::DatabaseMode::Embedded), \
      ModeParamName)
