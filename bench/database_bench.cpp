// The dataset layer against isql-fb doing the same work in the same run: insert N rows in one
// transaction, then read them all back, through the test server on 127.0.0.1 and with the
// embedded engine. The layer prepares the insert once and binds its parameters for each row;
// isql runs a script of literal INSERT statements and prints the SELECT to /dev/null.
//   database_bench [rows]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Database.h"
#include "common/DelphiFormat.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"

namespace {

constexpr const char* kCreate =
    "create table %s (id integer not null, nome varchar(40), valor numeric(18,4),"
    " momento timestamp)";

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Name(int i) { return "produto número " + std::to_string(i); }
Currency Value(int i) { return Currency::FromRaw(static_cast<std::int64_t>(i) * 12345); }
const TDateTime kStart = TDateTime::FromParts(2026, 1, 1, 8);

struct Result {
  double insert = 0;
  double read = 0;
};

Result ThroughTheLayer(const ConnectionParams& params, int rows) {
  Connection c(params);
  Query q(c);
  q.SetSQL(Format(kCreate, {std::string("pela_camada")}));
  q.ExecSQL();

  auto start = Clock::now();
  c.StartTransaction();
  q.SetSQL("insert into pela_camada (id, nome, valor, momento) values (:id, :nome, :valor, :m)");
  for (int i = 0; i < rows; ++i) {
    q.ParamByName("id").SetInteger(i);
    q.ParamByName("nome").SetString(Name(i));
    q.ParamByName("valor").SetCurrency(Value(i));
    q.ParamByName("m").SetDateTime(kStart.AddMinutes(i));
    q.ExecSQL();
  }
  c.Commit();
  Result r;
  r.insert = Seconds(start);

  start = Clock::now();
  q.SetSQL("select id, nome, valor, momento from pela_camada");
  q.Open();
  std::int64_t checksum = 0;
  int count = 0;
  for (; !q.Eof(); q.Next(), ++count) {
    checksum += q.Fields(0).AsInteger() + static_cast<std::int64_t>(q.Fields(1).AsString().size()) +
                q.Fields(2).AsCurrency().Raw() + q.Fields(3).AsDateTime().Msecs;
  }
  r.read = Seconds(start);
  if (count != rows || checksum == 0) {
    std::fprintf(stderr, "leitura incompleta: %d de %d linhas\n", count, rows);
    std::exit(1);
  }
  return r;
}

Result ThroughIsql(const ConnectionParams& params, int rows, const harness::ScratchDir& scratch) {
  const std::string target =
      params.Host.empty() ? params.Database : params.Host + ":" + params.Database;
  std::string script =
      "set names utf8;\n" + Format(kCreate, {std::string("pelo_isql")}) + ";\ncommit;\n";
  for (int i = 0; i < rows; ++i) {
    script += "insert into pelo_isql (id, nome, valor, momento) values (" + std::to_string(i) +
              ", " + QuotedStr(Name(i)) + ", " + Value(i).ToString() + ", '" +
              FormatDateTime("yyyy-mm-dd hh:nn:ss", kStart.AddMinutes(i)) + "');\n";
  }
  script += "commit;\n";
  harness::WriteFile(scratch / "inserir.sql", script);
  harness::WriteFile(scratch / "ler.sql", "select id, nome, valor, momento from pelo_isql;\n");
  auto run = [&](const char* file) {
    std::string out;
    const int rc = harness::RunCommand(
        {"/usr/bin/isql-fb", "-q", "-bail", "-ch", "UTF8", "-user", params.User, "-password",
         params.Password, target, "-i", (scratch / file).string(), "-o", "/dev/null"},
        &out);
    if (rc != 0) {
      std::fprintf(stderr, "isql-fb falhou: %s\n", out.c_str());
      std::exit(1);
    }
  };
  Result r;
  auto start = Clock::now();
  run("inserir.sql");
  r.insert = Seconds(start);
  start = Clock::now();
  run("ler.sql");
  r.read = Seconds(start);
  return r;
}

void Report(const char* mode, int rows, const Result& layer, const Result& isql) {
  std::printf("\n%s, %d linhas\n", mode, rows);
  std::printf("  %-10s %14s %14s %10s\n", "", "camada (l/s)", "isql-fb (l/s)", "razão");
  std::printf("  %-10s %14.0f %14.0f %10.2f\n", "inserir", rows / layer.insert, rows / isql.insert,
              isql.insert / layer.insert);
  std::printf("  %-10s %14.0f %14.0f %10.2f\n", "ler", rows / layer.read, rows / isql.read,
              isql.read / layer.read);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  std::printf("razão = tempo do isql-fb / tempo da camada (acima de 1: a camada é mais rápida)\n");
  for (harness::DatabaseMode mode :
       {harness::DatabaseMode::Server, harness::DatabaseMode::Embedded}) {
    harness::ScratchDir scratch;
    const DeploymentSettings s = harness::FreshDatabase(mode);
    const ConnectionParams params{s.DatabasePath(), s.firebird.Servidor, s.firebird.Usuario,
                                  s.firebird.Senha, ""};
    const Result layer = ThroughTheLayer(params, rows);
    const Result isql = ThroughIsql(params, rows, scratch);
    Report(harness::ModeName(mode).c_str(), rows, layer, isql);
  }
  return 0;
}
