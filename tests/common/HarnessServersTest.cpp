// The shared harness's real servers start, serve and stop (the suites that rely on them assume it).
#include <gtest/gtest.h>

#include "harness/ChildProcess.h"
#include "harness/FtpServer.h"
#include "harness/Harness.h"
#include "harness/PostgresServer.h"

namespace {

TEST(FtpServerHarness, AcceptsAnUploadAndRecordsIt) {
  harness::ScratchDir scratch;
  harness::FtpServer ftp(scratch.Path());
  harness::WriteFile(scratch / "a.zip", "conteudo");
  const std::string url = "ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/pasta/a.zip";
  std::string out;
  ASSERT_EQ(harness::RunCommand(
                {"/usr/bin/curl", "-sS", "--ftp-create-dirs", "-T", (scratch / "a.zip").string(),
                 "-u", ftp.User() + ":" + ftp.Password(), url},
                &out),
            0)
      << out;
  EXPECT_EQ(harness::ReadFile(ftp.Root() / "pasta/a.zip"), "conteudo");
  EXPECT_EQ(ftp.Uploads(), std::vector<std::string>{"STOR pasta/a.zip 8"});
  const int port = ftp.Port();
  ftp.Stop();
  EXPECT_FALSE(harness::PortAccepts(port));
}

TEST(PostgresServerHarness, RunsQueriesWithPasswordLogin) {
  harness::PostgresServer pg("321");
  EXPECT_EQ(pg.Psql("postgres", "select 40 + 2"), "42\n");
  std::string out;
  const int ok = harness::RunCommand(
      {"/usr/lib/postgresql/15/bin/psql", "-X", "-A", "-t", "-h", "127.0.0.1", "-p",
       std::to_string(pg.Port()), "-U", "postgres", "-c", "select 1", "postgres"},
      &out, {{"PGPASSWORD", "321"}});
  EXPECT_EQ(ok, 0) << out;
  const int refused = harness::RunCommand(
      {"/usr/lib/postgresql/15/bin/psql", "-X", "-h", "127.0.0.1", "-p", std::to_string(pg.Port()),
       "-U", "postgres", "-c", "select 1", "postgres"},
      &out, {{"PGPASSWORD", "errada"}});
  EXPECT_NE(refused, 0);
}

}  // namespace
