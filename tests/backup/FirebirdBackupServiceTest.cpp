#include "backup/FirebirdBackupService.h"

#include <gtest/gtest.h>

#include "common/Errors.h"
#include "harness/ChildProcess.h"
#include "harness/Harness.h"

namespace fs = std::filesystem;

namespace {

// Embedded engine: the same service calls, no server process.
class RunFirebirdBackupTest : public ::testing::Test {
 protected:
  harness::ScratchDir scratch;
  fs::path db = scratch / "DADOS.FDB";

  void SetUp() override {
    std::string out;
    const std::string script = "create database '" + db.string() +
                               "' default character set win1252;\n"
                               "create table t (id integer, nome varchar(40));\n"
                               "insert into t values (1, 'Pão');\ncommit;\n";
    harness::WriteFile(scratch / "criar.sql", script);
    ASSERT_EQ(harness::RunCommand({"/usr/bin/isql-fb", "-q", "-user", "SYSDBA", "-i",
                                   (scratch / "criar.sql").string()},
                                  &out),
              0)
        << out;
  }
};

TEST_F(RunFirebirdBackupTest, WritesARestorableBackup) {
  const fs::path fbk = scratch / "Backup_Seguranca_10.fbk";
  RunFirebirdBackup({"", "SYSDBA", ""}, db.string(), fbk.string());
  ASSERT_TRUE(fs::exists(fbk));
  std::string out;
  ASSERT_EQ(harness::RunCommand({"/usr/bin/gbak", "-c", "-user", "SYSDBA", fbk.string(),
                                 (scratch / "restaurado.fdb").string()},
                                &out),
            0)
      << out;
  harness::WriteFile(scratch / "ler.sql", "select count(*) from t;\n");
  ASSERT_EQ(harness::RunCommand({"/usr/bin/isql-fb", "-q", "-user", "SYSDBA", "-i",
                                 (scratch / "ler.sql").string(),
                                 (scratch / "restaurado.fdb").string()},
                                &out),
            0);
  EXPECT_NE(out.find("1"), std::string::npos) << out;
}

TEST_F(RunFirebirdBackupTest, FailuresCarryTheServersMessage) {
  try {
    RunFirebirdBackup({"", "SYSDBA", ""}, db.string(), (scratch / "nao/existe/x.fbk").string());
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("x.fbk"), std::string::npos) << e.what();
  }
  EXPECT_THROW(RunFirebirdBackup({"", "SYSDBA", ""}, (scratch / "nao-existe.fdb").string(),
                                 (scratch / "y.fbk").string()),
               EDatabaseError);
}

}  // namespace
