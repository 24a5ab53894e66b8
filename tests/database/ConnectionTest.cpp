#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "DatabaseTest.h"
#include "common/Errors.h"

namespace fs = std::filesystem;

namespace {

class ConnectionTest : public DatabaseTest {
 protected:
  int Count(Connection& c, const std::string& table) {
    Query q(c);
    q.SetSQL("select count(*) from " + table);
    q.Open();
    return q.Fields(0).AsInteger();
  }

  std::string MessageOf(Connection& c) {
    try {
      c.Open();
    } catch (const EDatabaseError& e) {
      return e.what();
    }
    ADD_FAILURE() << "a conexão abriu";
    return {};
  }
};

TEST_P(ConnectionTest, StatementsCommitOnTheirOwnUnlessATransactionIsOpen) {
  Connection other(Params());
  Exec("insert into grupo (codigo, descricao) values (1, 'um')");
  EXPECT_EQ(Count(other, "grupo"), 1);  // auto-commit: visible at once

  connection.StartTransaction();
  EXPECT_TRUE(connection.InTransaction());
  EXPECT_THROW(connection.StartTransaction(), EDatabaseError);
  Exec("insert into grupo (codigo, descricao) values (2, 'dois')");
  EXPECT_EQ(Count(connection, "grupo"), 2);
  EXPECT_EQ(Count(other, "grupo"), 1);
  connection.Rollback();
  EXPECT_FALSE(connection.InTransaction());
  EXPECT_EQ(Count(connection, "grupo"), 1);

  connection.StartTransaction();
  Exec("insert into grupo (codigo, descricao) values (3, 'três')");
  connection.Commit();
  EXPECT_EQ(Count(other, "grupo"), 2);
  EXPECT_THROW(connection.Commit(), EDatabaseError);
  connection.Rollback();  // nothing open: nothing to do
}

// More rows than one fetch batch: the cursor stays open between batches while other statements
// run on the same connection, and closing the connection under it is reported, not a crash.
TEST_P(ConnectionTest, LargeResultsAreReadInBatchesBesideOtherStatements) {
  Exec(
      "execute block as declare i integer = 1; begin\n"
      "while (i <= 120000) do begin insert into grupo (codigo, descricao) values (:i, 'g' || :i);"
      " i = i + 1; end end");
  Query rows(connection);
  rows.SetSQL("select codigo, descricao from grupo order by codigo");
  rows.Open();
  std::int64_t count = 0, sum = 0;
  for (; !rows.Eof(); rows.Next()) {
    ++count;
    sum += rows.FieldByName("codigo").AsInteger();
    if (count == 60000) {
      Exec("insert into empresas (emp_001) values (2)");
      EXPECT_EQ(Count(connection, "empresas"), 2);
    }
  }
  EXPECT_EQ(count, 120000);
  EXPECT_EQ(sum, 120000LL * 120001 / 2);
  EXPECT_EQ(rows.FieldByName("descricao").AsString(), "g120000");

  rows.Open();
  for (int i = 0; i < 70000; ++i) rows.Next();
  connection.Close();
  EXPECT_FALSE(connection.Connected());
  try {
    for (int i = 0; i < 60000 && !rows.Eof(); ++i) rows.Next();
    FAIL() << "a leitura seguiu depois de fechar a conexão";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("conexão"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Count(connection, "grupo"), 120000);  // connects again on demand
}

TEST_P(ConnectionTest, TwoThreadsShareTheConnection) {
  constexpr int kRows = 300;
  std::atomic<int> failures{0};
  auto work = [&](int first) {
    try {
      Query insert(connection);
      Query read(connection);
      insert.SetSQL("insert into grupo (codigo, descricao) values (:c, :d)");
      read.SetSQL("select count(*) from grupo where codigo >= :de and codigo < :ate");
      for (int i = 0; i < kRows; ++i) {
        insert.ParamByName("c").SetInteger(first + i);
        insert.ParamByName("d").SetString("grupo " + std::to_string(first + i));
        insert.ExecSQL();
        read.ParamByName("de").SetInteger(first);
        read.ParamByName("ate").SetInteger(first + kRows);
        read.Open();
        if (read.Fields(0).AsInteger() != i + 1) ++failures;
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      ++failures;
    }
  };
  std::thread a(work, 0);
  std::thread b(work, 10000);
  a.join();
  b.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(Count(connection, "grupo"), 2 * kRows);
}

TEST_P(ConnectionTest, AMissingDatabaseFileIsTheEnginesError) {
  ConnectionParams p = Params();
  p.Database = (scratch / "nao-existe.fdb").string();
  Connection c(p);
  const std::string message = MessageOf(c);
  EXPECT_NE(message.find("nao-existe.fdb"), std::string::npos) << message;
  EXPECT_FALSE(c.Connected());
  EXPECT_FALSE(fs::exists(scratch / "nao-existe.fdb"));
}

TEST_P(ConnectionTest, AMissingClientLibraryIsReportedApart) {
  ConnectionParams p = Params();
  p.ClientLibrary = (scratch / "libfbclient-ausente.so").string();
  Connection c(p);
  try {
    c.Open();
    FAIL();
  } catch (const EClientLibraryError& e) {
    EXPECT_NE(std::string(e.what()).find("libfbclient-ausente.so"), std::string::npos) << e.what();
  }
}

// What only a server does: check passwords, and go away under a connection.
class ConnectionServerTest : public ConnectionTest {};

TEST_P(ConnectionServerTest, AWrongPasswordIsRefused) {
  ConnectionParams p = Params();
  p.Password = "errada";
  Connection c(p);
  const std::string message = MessageOf(c);
  EXPECT_NE(message.find("password"), std::string::npos) << message;
  EXPECT_EQ(message.find("errada"), std::string::npos) << message;
}

// The server goes away under an open connection: the statement that finds out fails with the
// engine's message, and once the server is back a later statement attaches again.
TEST_P(ConnectionServerTest, AStatementAfterTheServerCameBackReconnects) {
  harness::FirebirdServer& server = harness::FirebirdServer::Instance();
  EXPECT_EQ(Count(connection, "empresa"), 1);

  server.Stop();
  std::string whileDown;
  try {
    (void)Count(connection, "empresa");
  } catch (const EDatabaseError& e) {
    whileDown = e.what();
  }
  EXPECT_FALSE(whileDown.empty());
  EXPECT_FALSE(connection.Connected());
  try {
    (void)Count(connection, "empresa");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("127.0.0.1"), std::string::npos) << e.what();
  }

  server.Start();
  EXPECT_EQ(Count(connection, "empresa"), 1);

  // Restarted between two statements: the first one fails, the next one reconnects.
  server.Stop();
  server.Start();
  try {
    (void)Count(connection, "empresa");
    FAIL() << "o comando passou por uma conexão que o servidor já esqueceu";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("connection"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Count(connection, "empresa"), 1);
}

// Work of an explicit transaction that the server lost must not be carried on in auto-commit:
// statements are refused until the caller ends the transaction.
TEST_P(ConnectionServerTest, ATransactionLostWithTheServerMustBeRolledBack) {
  harness::FirebirdServer& server = harness::FirebirdServer::Instance();
  connection.StartTransaction();
  Exec("insert into grupo (codigo) values (1)");
  server.Stop();
  server.Start();
  EXPECT_THROW(Exec("insert into grupo (codigo) values (2)"), EDatabaseError);
  try {
    Exec("insert into grupo (codigo) values (3)");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("Rollback"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(connection.InTransaction());
  connection.Rollback();
  EXPECT_FALSE(connection.InTransaction());
  EXPECT_EQ(Count(connection, "grupo"), 0);
}

INSTANTIATE_FOR_BOTH_MODES(ConnectionTest);
INSTANTIATE_TEST_SUITE_P(Firebird, ConnectionServerTest,
                         ::testing::Values(harness::DatabaseMode::Server), ModeParamName);

}  // namespace
