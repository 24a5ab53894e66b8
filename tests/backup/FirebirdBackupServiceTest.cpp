#include "backup/FirebirdBackupService.h"

#include <atomic>
#include <thread>

#include "backup/StreamingZip.h"

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
  ASSERT_EQ(
      harness::RunCommand({"/usr/bin/isql-fb", "-q", "-user", "SYSDBA", "-i",
                           (scratch / "ler.sql").string(), (scratch / "restaurado.fdb").string()},
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

// The archive can be made while the server writes the backup: the server writes the file
// front to back, so what was read as it grew equals the finished file.
TEST_F(RunFirebirdBackupTest, ABackupReadWhileWrittenEqualsTheFinishedFile) {
  harness::WriteFile(scratch / "encher.sql",
                     "set term ^;\nexecute block as declare i integer = 0; begin\n"
                     "while (i < 200000) do begin insert into t values (:i, 'produto ' || :i);"
                     " i = i + 1; end end^\nset term ;^\ncommit;\n");
  std::string out;
  ASSERT_EQ(harness::RunCommand({"/usr/bin/isql-fb", "-q", "-user", "SYSDBA", "-i",
                                 (scratch / "encher.sql").string(), db.string()},
                                &out),
            0)
      << out;
  const fs::path fbk = scratch / "grande.fbk";
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread backup([&] {
    try {
      RunFirebirdBackup({"", "SYSDBA", ""}, db.string(), fbk.string());
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
  });
  GrowingFileReader reader(fbk, [&] { return done.load(); });
  const fs::path zip = scratch / "grande.zip";
  WriteSingleEntryZip(zip, "grande.fbk", TDateTime::FromParts(2026, 1, 1), reader.AsSource());
  backup.join();
  ASSERT_FALSE(failure);
  ASSERT_EQ(harness::RunCommand({"/usr/bin/unzip", "-p", zip.string(), "grande.fbk"}, &out), 0);
  EXPECT_TRUE(out == harness::ReadFile(fbk)) << "o arquivo compactado difere do backup final";
  EXPECT_GT(out.size(), 1000000u);
}

}  // namespace
