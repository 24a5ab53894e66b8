#pragma once
// A fresh point-of-sale database (schema and demo rows) on the test Firebird server for each
// test, with the process-wide data module pointed at it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/Database.h"
#include "common/DeploymentSettings.h"
#include "common/TDM.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"

class PointOfSaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDeployment(FSettings);
    CreateDM();
  }
  void TearDown() override {
    DestroyDM();
    SetDeployment(DeploymentSettings{});
  }

  // Runs a statement that returns no rows on the data module's connection.
  static void Exec(const std::string& sql) {
    Query q(DM().conexao);
    q.SetSQL(sql);
    q.ExecSQL();
  }

  // One column of every row of a select, as text.
  static std::vector<std::string> Column(const std::string& sql, const std::string& field) {
    Query q(DM().conexao);
    q.SetSQL(sql);
    q.Open();
    std::vector<std::string> values;
    for (; !q.Eof(); q.Next()) values.push_back(q.FieldByName(field).AsString());
    return values;
  }

  // The first column of the first row, as an integer (0 for NULL).
  static std::int64_t Scalar(const std::string& sql) {
    Query q(DM().conexao);
    q.SetSQL(sql);
    q.Open();
    return q.Fields(0).AsLargeInt();
  }

 private:
  harness::ScratchDir FScratch;
  DeploymentSettings FSettings = harness::FreshDatabase(harness::DatabaseMode::Server, true);
};
