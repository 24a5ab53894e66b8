#include "common/TDM.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DatabaseTest.h"
#include "common/Clock.h"
#include "common/DelphiFormat.h"
#include "common/Errors.h"
#include "common/UnhandledErrors.h"

namespace fs = std::filesystem;

namespace {

// Records what reaches each unhandled-error handler, and restores the previous handlers.
class HandlerRecorder {
 public:
  HandlerRecorder() {
    FPreviousDatabase =
        SetDatabaseErrorHandler([this](const std::string& m) { Database.push_back(m); });
    FPreviousGeneral =
        SetGeneralErrorHandler([this](const std::string& m) { General.push_back(m); });
  }
  ~HandlerRecorder() {
    SetDatabaseErrorHandler(FPreviousDatabase);
    SetGeneralErrorHandler(FPreviousGeneral);
  }
  HandlerRecorder(const HandlerRecorder&) = delete;
  HandlerRecorder& operator=(const HandlerRecorder&) = delete;

  std::vector<std::string> Database;
  std::vector<std::string> General;

 private:
  ErrorHandler FPreviousDatabase;
  ErrorHandler FPreviousGeneral;
};

class TDMTest : public DatabaseTest {
 protected:
  void SetUp() override { SetDeployment(settings); }
  void TearDown() override {
    DestroyDM();
    SetDeployment(DeploymentSettings{});
  }
};

TEST_P(TDMTest, OpensTheDeploymentsDatabaseWithItsSharedQueries) {
  TDM& dm = CreateDM();
  EXPECT_EQ(&dm, &DM());
  EXPECT_TRUE(dm.conexao.Connected());

  dm.qryEmpresa.Close();
  dm.qryEmpresa.Open();
  EXPECT_EQ(dm.qryEmpresa.FieldByName("FANTASIA").AsString(), "Padaria São João");
  EXPECT_EQ(dm.qryEmpresa.FieldByName("CNPJ").AsString(), "12.345.678/0001-90");
  EXPECT_EQ(dm.qryEmpresa.FieldByName("ALIQ_ICMS").AsCurrency(), Currency::FromInt(18));

  Exec("insert into grupo (codigo, descricao) values (3, 'Bebidas')");
  Exec(
      "insert into produto (codigo, descricao, unidade, grupo, pr_venda) values (0, 'Avulso',"
      " 'UN', 3, 2.5)");
  Exec("insert into produto (codigo, descricao, unidade) values (9, 'Pão', 'KG')");
  // ID starts at 0, so the query opens as it was designed.
  dm.qryProdutos.Open();
  EXPECT_EQ(dm.qryProdutos.FieldByName("DESCRICAO").AsString(), "Avulso");
  EXPECT_EQ(dm.qryProdutos.FieldByName("GRUPO_SL").AsString(), "Bebidas");
  EXPECT_EQ(dm.qryProdutos.FieldByName("PR_VENDA").AsCurrency(), Currency::Parse("2.5"));
  dm.qryProdutos.ParamByName("id").SetInteger(9);
  dm.qryProdutos.Open();
  EXPECT_EQ(dm.qryProdutos.FieldByName("UNIDADE").AsString(), "KG");
  EXPECT_TRUE(dm.qryProdutos.FieldByName("GRUPO_SL").IsNull());
}

// The synchronization run's temporary module has a connection of its own.
TEST_P(TDMTest, ASecondModuleHasItsOwnConnection) {
  TDM& dm = CreateDM();
  TDM temporary;
  temporary.DataModuleCreate();
  temporary.conexao.StartTransaction();
  temporary.qry.SetSQL("update empresas set emp_003 = 'Outro nome' where emp_001 = 1");
  temporary.qry.ExecSQL();
  EXPECT_FALSE(dm.conexao.InTransaction());
  dm.qry.SetSQL("select emp_003 from empresas where emp_001 = 1");
  dm.qry.Open();
  EXPECT_EQ(dm.qry.FieldByName("emp_003").AsString(), "Padaria São João");
  temporary.conexao.Commit();
  dm.qry.Open();
  EXPECT_EQ(dm.qry.FieldByName("emp_003").AsString(), "Outro nome");
}

// Start-up goes on without the database: the engine's error reaches the database-error handler
// once, and the module connects by itself when a later statement finds the database there.
TEST_P(TDMTest, CreationWithoutTheDatabaseReportsAndConnectsLater) {
  HandlerRecorder handlers;
  const fs::path file = settings.DatabasePath();
  fs::rename(file, scratch / "guardado.fdb");

  TDM& dm = CreateDM();
  ASSERT_EQ(handlers.Database.size(), 1u);
  EXPECT_NE(handlers.Database[0].find("DADOS.FDB"), std::string::npos) << handlers.Database[0];
  EXPECT_TRUE(handlers.General.empty());
  EXPECT_FALSE(dm.conexao.Connected());
  EXPECT_THROW(dm.qryEmpresa.Open(), EDatabaseError);

  fs::rename(scratch / "guardado.fdb", file);
  dm.qryEmpresa.Open();
  EXPECT_EQ(dm.qryEmpresa.FieldByName("FANTASIA").AsString(), "Padaria São João");
}

TEST_P(TDMTest, AMissingClientLibraryGoesToTheGeneralHandler) {
  HandlerRecorder handlers;
  settings.firebird.BibliotecaCliente = (scratch / "libfbclient.so.9").string();
  SetDeployment(settings);
  CreateDM();
  EXPECT_TRUE(handlers.Database.empty());
  ASSERT_EQ(handlers.General.size(), 1u);
  EXPECT_NE(handlers.General[0].find("libfbclient.so.9"), std::string::npos);
}

TEST_P(TDMTest, NextIdReadsASequenceAndQuotesItsName) {
  TDM& dm = CreateDM();
  // The point-of-sale schema holds the sale sequence, unused until now.
  EXPECT_EQ(dm.nextID("seq_venda_id"), 1);
  EXPECT_EQ(dm.nextID("SEQ_VENDA_ID"), 2);
  Exec("create sequence \"Seq Mista\"");
  EXPECT_EQ(dm.nextID("Seq Mista"), 1);
  // A name is a name: nothing in it runs as SQL.
  EXPECT_THROW((void)dm.nextID("x\" from rdb$database; delete from empresa; --"), EDatabaseError);
  EXPECT_THROW((void)dm.nextID("it's"), EDatabaseError);
  dm.qry.SetSQL("select count(*) from empresa");
  dm.qry.Open();
  EXPECT_EQ(dm.qry.Fields(0).AsInteger(), 1);
}

// A program that ends without releasing the module (its queries still open) ends cleanly: the
// connection is closed before the client library tears itself down.
TEST_P(TDMTest, AModuleLeftToProgramExitEndsCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TDM& dm = CreateDM();
        dm.qryEmpresa.Open();
        dm.qry.SetSQL("select * from rdb$relations");
        dm.qry.Open();
        std::exit(dm.qryEmpresa.FieldByName("FANTASIA").AsString() == "Padaria São João" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_FOR_BOTH_MODES(TDMTest);

// Where unhandled errors go: engine errors to the database handler, the rest to the general
// one, and to the user interface (a log line without a display) when nobody installed one.
TEST(HandleUnhandledException, RoutesDatabaseErrorsApart) {
  struct Case {
    const char* name;
    std::exception_ptr error;
    bool database;
    const char* message;
  };
  const Case cases[] = {
      {"banco", std::make_exception_ptr(EDatabaseError("lock conflict")), true, "lock conflict"},
      {"biblioteca", std::make_exception_ptr(EClientLibraryError("sem cliente")), false,
       "sem cliente"},
      {"outro", std::make_exception_ptr(std::runtime_error("falhou")), false, "falhou"},
      {"desconhecido", std::make_exception_ptr(42), false, "Erro desconhecido"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HandlerRecorder handlers;
    HandleUnhandledException(c.error);
    const std::vector<std::string> expected{c.message};
    EXPECT_EQ(handlers.Database, c.database ? expected : std::vector<std::string>{});
    EXPECT_EQ(handlers.General, c.database ? std::vector<std::string>{} : expected);
  }

  harness::ScratchDir scratch;
  HandleUnhandledException(std::make_exception_ptr(EDatabaseError("sem servidor")));
  const std::vector<std::string> lines = harness::ReadLines(
      scratch / "LOGS" / (FormatDateTime("yyyy-mm-dd", DefaultClock().Now()) + ".txt"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(19), " - sem servidor");
}

}  // namespace
