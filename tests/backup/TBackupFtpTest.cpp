#include "backup/TBackupFtp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/DeploymentSettings.h"
#include "common/TDM.h"
#include "common/ZipArchive.h"
#include "harness/Firebird.h"
#include "harness/FtpServer.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"
#include "harness/PostgresServer.h"

namespace fs = std::filesystem;

namespace {

// Quotes, a space and shell metacharacters: the script must carry it to pg_dump unchanged.
const std::string kSenhaPostgres = "s3 'nh\"a $HOME `id`";
constexpr const char* kArquivo = "Backup_02_02_2024_10_01";
constexpr const char* kPastaFtp = "Padaria_Sao_Joao";

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Output of a command that must succeed.
std::string RunTool(const std::vector<std::string>& args) {
  std::string out;
  const int rc = harness::RunCommand(args, &out);
  if (rc != 0) throw std::runtime_error(args.front() + " falhou: " + out);
  return out;
}

// The message of the run's failure; empty when it went through.
std::string ErrorOf(TBackupFtp& job) {
  try {
    job.Execute();
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

class TBackupFtpTest : public ::testing::Test {
 protected:
  // One PostgreSQL cluster for the suite: the database VELMORANTE with tables, rows and a large
  // object, as the point-of-sale server keeps it.
  static void SetUpTestSuite() {
    postgres = harness::PostgresServer::WithProductDatabase(
        kSenhaPostgres,
        "create table clientes (id integer primary key, nome text);"
        "insert into clientes values (1, 'Ana'), (2, 'Bruno');"
        "create table pedidos (id integer primary key, cliente integer references "
        "clientes, total numeric(12,2));"
        "insert into pedidos select g, 1 + g % 2, g * 1.5 from "
        "generate_series(1, 500) g;"
        "select lo_from_bytea(0, 'foto do cardapio'::bytea);");
  }
  static void TearDownTestSuite() { postgres.reset(); }

  void SetUp() override {
    settings = harness::FreshDatabase(harness::DatabaseMode::Server, true);
    settings.postgresql.Porta = postgres->Port();
    settings.postgresql.Senha = kSenhaPostgres;
    settings.gestor.URL = web.Url();
    web.On("POST", "/gestor/_ultimoBackup.php", harness::StandInReply{.Body = "ok"});
    ftp = std::make_unique<harness::FtpServer>(scratch / "ftp");
    ftp->ConfigureAsManagerFtp(settings);
    SetDeployment(settings);
    CreateDM();
    harness::WriteFile(scratch / "config.ini", "[Banco]\nNome=VELMORANTE\n");
    harness::WriteFile(scratch / "configuracao.ini", "[Settings]\nidLoja=25\n");
  }
  void TearDown() override {
    DestroyDM();
    SetDeployment(DeploymentSettings{});
  }

  void Apply() { SetDeployment(settings); }

  [[nodiscard]] fs::path Local(const std::string& extension) const {
    return scratch / "BKP_FTP" / (std::string(kArquivo) + extension);
  }

  [[nodiscard]] static std::string DataEnvio() {
    Query q(DM().conexao);
    q.SetSQL("select data_envio_ftp from empresas where emp_001 = 1");
    q.Open();
    return q.FieldByName("data_envio_ftp").IsNull() ? "(null)"
                                                    : q.FieldByName("data_envio_ftp").AsString();
  }

  [[nodiscard]] size_t Reports() const {
    size_t n = 0;
    for (const auto& r : web.Requests()) n += r.Path == "/gestor/_ultimoBackup.php" ? 1 : 0;
    return n;
  }

  [[nodiscard]] std::vector<std::string> LogLines(const std::string& dir) const {
    const fs::path file = scratch / "LOGS" / dir / "2024-02-02.txt";
    return fs::exists(file) ? harness::ReadLines(file) : std::vector<std::string>{};
  }

  // The dump inside an archive, extracted.
  [[nodiscard]] fs::path ExtractDump(const fs::path& archive) const {
    const fs::path folder = scratch / "extraido";
    fs::remove_all(folder);
    ZipArchive::OpenForReading(archive).ExtractAll(folder);
    return folder / (std::string(kArquivo) + ".backup");
  }

  static std::string RestoreList(const fs::path& dump) {
    return RunTool(
        {(harness::PostgresServer::BinDir() / "pg_restore").string(), "--list", dump.string()});
  }

  // Every text file under the working folder: the password must be in none of them.
  void ExpectNoLogHoldsThePassword() const {
    for (const auto& entry : fs::recursive_directory_iterator(scratch / "LOGS")) {
      if (!entry.is_regular_file()) continue;
      EXPECT_EQ(harness::ReadFile(entry.path()).find("nh\"a"), std::string::npos) << entry.path();
    }
  }

  static std::unique_ptr<harness::PostgresServer> postgres;
  harness::ScratchDir scratch;
  harness::HttpStandIn web;
  std::unique_ptr<harness::FtpServer> ftp;
  DeploymentSettings settings;
  harness::ManualClock clock{TDateTime::FromParts(2024, 2, 2, 10, 1, 30)};
  harness::ProgressRecorder memo;
};

std::unique_ptr<harness::PostgresServer> TBackupFtpTest::postgres;

TEST_F(TBackupFtpTest, DumpsArchivesUploadsStampsAndReports) {
  TBackupFtp job(&clock);
  job.memo = &memo;
  job.Execute();

  // The archive holds a dump that pg_restore reads, with tables, rows and the large object.
  const fs::path archive = Local(".zip");
  ASSERT_TRUE(fs::exists(archive));
  EXPECT_EQ(Sorted(ZipArchive::OpenForReading(archive).EntryNames()),
            (std::vector<std::string>{std::string(kArquivo) + ".backup", "config.ini",
                                      "configuracao.ini"}));
  const fs::path dump = ExtractDump(archive);
  const std::string list = RestoreList(dump);
  EXPECT_NE(list.find("TABLE DATA public clientes"), std::string::npos) << list;
  EXPECT_NE(list.find("TABLE DATA public pedidos"), std::string::npos) << list;
  EXPECT_NE(list.find("BLOB"), std::string::npos) << list;
  EXPECT_EQ(harness::ReadFile(scratch / "extraido" / "config.ini"), "[Banco]\nNome=VELMORANTE\n");
  EXPECT_EQ(harness::ReadFile(scratch / "extraido" / "configuracao.ini"),
            "[Settings]\nidLoja=25\n");

  // The archive landed in the company's folder, byte for byte.
  const std::string remote = std::string(kPastaFtp) + "/" + kArquivo + ".zip";
  EXPECT_EQ(ftp->Uploads(), std::vector<std::string>{"STOR " + remote + " " +
                                                     std::to_string(fs::file_size(archive))});
  EXPECT_EQ(harness::ReadFile(ftp->Root() / remote), harness::ReadFile(archive));

  EXPECT_EQ(DataEnvio(), "02/02/2024");
  ASSERT_EQ(Reports(), 1U);
  EXPECT_EQ(web.Requests().back().Method, "POST");

  // Only the archive is left.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(job.Raiz())) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{std::string(kArquivo) + ".zip"});
  ExpectNoLogHoldsThePassword();
}

TEST_F(TBackupFtpTest, WritesEveryStepToTheMemoAndTheBkpLogInOrder) {
  TBackupFtp job(&clock);
  job.memo = &memo;
  job.Execute();

  const std::string raiz = job.Raiz().string();
  const std::vector<std::string> passos = {
      "iniciando BKP",
      "Iniciando a geração o arquivo .bat para bpk",
      "Arquivo gerado com sucesso em " + raiz + "/bkp.sh",
      "Iniciando bkp da base de dados",
      "BKP Criado",
      "Iniciando compactação do bpk",
      "Compactação finalizada em : " + raiz + "/" + kArquivo + ".zip",
      "Preparando para enviar arquivo para o FTP",
      "Conectando no FTP",
      "Envio do BKP para o FTP Concluido...",
      "Finalizado o envio do arquivo para FTP",
      "Deletando Arquivos temporários",
      "BKP Finalizado",
  };
  // The memo shows the newest line on top.
  std::vector<std::string> esperado;
  for (auto it = passos.rbegin(); it != passos.rend(); ++it) {
    esperado.push_back("02/02/2024 10:01:30 : " + *it);
  }
  EXPECT_EQ(memo.Lines(), esperado);

  // The log holds the job's own lines (not the uploader's) in order; the manager-server
  // request's lines go to the same folder between them.
  std::vector<std::string> doJob;
  const std::string carimbo = "2024-02-02 10:01:30 - ";
  for (const std::string& line : LogLines("BKP")) {
    if (line.rfind(carimbo, 0) != 0) continue;
    const std::string texto = line.substr(carimbo.size());
    if (std::find(passos.begin(), passos.end(), texto) != passos.end()) doJob.push_back(texto);
  }
  std::vector<std::string> semFtp = passos;
  std::erase(semFtp, "Conectando no FTP");
  std::erase(semFtp, "Envio do BKP para o FTP Concluido...");
  EXPECT_EQ(doJob, semFtp);
}

TEST_F(TBackupFtpTest, RunsSilentlyWithoutMemo) {
  TBackupFtp job(&clock);
  job.Execute();
  EXPECT_TRUE(fs::exists(Local(".zip")));
  EXPECT_EQ(LogLines("BKP").back(), "2024-02-02 10:01:30 - BKP Finalizado");
}

// pg_dump may create its file before it fails; what it leaves must never be archived.
TEST_F(TBackupFtpTest, AFailedDumpLeavesNoDumpAndTheArchiveStepFails) {
  struct Case {
    const char* name;
    void (*apply)(DeploymentSettings&);
  } cases[] = {
      {"wrong password", [](DeploymentSettings& s) { s.postgresql.Senha = "errada"; }},
      {"server down",
       [](DeploymentSettings& s) { s.postgresql.Porta = harness::FreeLoopbackPort(); }},
      {"no such database", [](DeploymentSettings& s) { s.postgresql.Banco = "NAO_EXISTE"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeploymentSettings s = settings;
    c.apply(s);
    SetDeployment(s);

    TBackupFtp job(&clock);
    const std::string erro = ErrorOf(job);
    EXPECT_NE(erro.find(Local(".backup").string()), std::string::npos) << erro;
    EXPECT_FALSE(fs::exists(Local(".backup")));
    EXPECT_FALSE(fs::exists(Local(".zip")));
    EXPECT_TRUE(ftp->Uploads().empty());
    EXPECT_EQ(DataEnvio(), "(null)");
    EXPECT_EQ(Reports(), 0U);
    EXPECT_EQ(LogLines("BKP").back(), "2024-02-02 10:01:30 - Iniciando compactação do bpk");
  }
  ExpectNoLogHoldsThePassword();
}

TEST_F(TBackupFtpTest, AMissingConfigIniFailsTheArchiveStepAndKeepsTheRunsFiles) {
  fs::remove(scratch / "config.ini");
  TBackupFtp job(&clock);
  const std::string erro = ErrorOf(job);
  EXPECT_NE(erro.find("config.ini"), std::string::npos) << erro;
  EXPECT_TRUE(ftp->Uploads().empty());
  EXPECT_EQ(DataEnvio(), "(null)");
  EXPECT_EQ(Reports(), 0U);

  // The dump made it into the archive before the failure; the dump and the script stay.
  EXPECT_EQ(ZipArchive::OpenForReading(Local(".zip")).EntryNames(),
            std::vector<std::string>{std::string(kArquivo) + ".backup"});
  EXPECT_NE(RestoreList(Local(".backup")).find("TABLE DATA public clientes"), std::string::npos);
  // The script holds the password: its owner alone may read it.
  struct stat st {};
  ASSERT_EQ(::stat((job.Raiz() / "bkp.sh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700U);
}

// The working folder, the tool's folder and the password all reach pg_dump intact.
TEST_F(TBackupFtpTest, PathsWithSpacesAndQuotesDoNotBreakTheScript) {
  const fs::path loja = scratch / "Loja d'Ávila \"$HOME\" `id`";
  const fs::path bin = scratch / "pg bin d'O";
  fs::create_directories(loja);
  fs::create_directories(bin);
  fs::create_symlink(harness::PostgresServer::BinDir() / "pg_dump", bin / "pg_dump");
  harness::WriteFile(loja / "config.ini", "a");
  harness::WriteFile(loja / "configuracao.ini", "b");
  settings.postgresql.PastaBin = bin;
  Apply();
  fs::current_path(loja);

  TBackupFtp job(&clock);
  job.Execute();

  EXPECT_EQ(job.Raiz(), loja / "BKP_FTP");
  const fs::path archive = loja / "BKP_FTP" / (std::string(kArquivo) + ".zip");
  const std::string list = RestoreList(ExtractDump(archive));
  EXPECT_NE(list.find("TABLE DATA public clientes"), std::string::npos) << list;
  EXPECT_EQ(ftp->Uploads().size(), 1U);
  EXPECT_FALSE(fs::exists(loja / "BKP_FTP" / "bkp.sh"));
}

TEST_F(TBackupFtpTest, TwoRunsInTheSameMinuteShareTheirFiles) {
  TBackupFtp(&clock).Execute();
  postgres->Psql("VELMORANTE", "insert into clientes values (3, 'Segunda rodada')");
  clock.Set(TDateTime::FromParts(2024, 2, 2, 10, 1, 59));
  TBackupFtp(&clock).Execute();
  postgres->Psql("VELMORANTE", "delete from clientes where id = 3");

  // One archive, its entries replaced by the second run's.
  EXPECT_EQ(Sorted(ZipArchive::OpenForReading(Local(".zip")).EntryNames()),
            (std::vector<std::string>{std::string(kArquivo) + ".backup", "config.ini",
                                      "configuracao.ini"}));
  const std::string dados =
      RunTool({(harness::PostgresServer::BinDir() / "pg_restore").string(), "--data-only", "-t",
               "clientes", "-f", "-", ExtractDump(Local(".zip")).string()});
  EXPECT_NE(dados.find("Segunda rodada"), std::string::npos);

  // Uploaded twice under the one name; the server keeps the second.
  const std::string remote = std::string(kPastaFtp) + "/" + kArquivo + ".zip";
  ASSERT_EQ(ftp->Uploads().size(), 2U);
  EXPECT_EQ(harness::ReadFile(ftp->Root() / remote), harness::ReadFile(Local(".zip")));
  EXPECT_EQ(Reports(), 2U);
}

// The upload date and the manager-server report say a backup reached the server: neither may
// follow an upload that failed.
TEST_F(TBackupFtpTest, AFailedUploadIsNeitherStampedNorReported) {
  struct Case {
    const char* name;
    bool connects;
  } cases[] = {{"the folder refuses the file", true}, {"server down", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.connects) {
      // A folder where the archive should go: the server refuses to store over it.
      fs::create_directories(ftp->Root() / kPastaFtp / (std::string(kArquivo) + ".zip"));
      Apply();
    } else {
      DeploymentSettings s = settings;
      s.ftpGestor.Porta = harness::FreeLoopbackPort();
      SetDeployment(s);
    }

    TBackupFtp job(&clock);
    job.memo = &memo;
    const std::string erro = ErrorOf(job);
    EXPECT_FALSE(erro.empty());
    EXPECT_EQ(DataEnvio(), "(null)");
    EXPECT_EQ(Reports(), 0U);
    EXPECT_TRUE(fs::exists(Local(".zip")));  // the local backup stays
    const std::vector<std::string> log = LogLines("BKP");
    EXPECT_EQ(log.back(), "2024-02-02 10:01:30 - Preparando para enviar arquivo para o FTP");
    if (c.connects) {
      EXPECT_EQ(erro, "O backup " + Local(".zip").string() + " não foi enviado para o FTP");
      EXPECT_EQ(LogLines("").back().rfind("2024-02-02 10:01:30 - TFTP.EnviarArquivo: ", 0), 0U);
    }
  }
}

TEST_F(TBackupFtpTest, AFolderThatCannotBeMadeEndsTheJobBeforeTheDump) {
  harness::WriteFile(scratch / "BKP_FTP", "um arquivo no lugar da pasta");
  TBackupFtp job(&clock);
  const std::string erro = ErrorOf(job);
  EXPECT_EQ(erro.rfind("Não foi possível criar a pasta " + job.Raiz().string() + ": ", 0), 0U)
      << erro;
  EXPECT_EQ(LogLines("BKP").back(),
            "2024-02-02 10:01:30 - Iniciando a geração o arquivo .bat para bpk");
  EXPECT_TRUE(ftp->Uploads().empty());
  EXPECT_EQ(DataEnvio(), "(null)");
}

// A `Backup --backup-ftp` of another program works in the folder: this run touches nothing and
// says so; once that program ended, the next run goes through.
TEST_F(TBackupFtpTest, ARunOfAnotherProgramInTheFolderIsNotOverlapped) {
  fs::create_directories(scratch / "BKP_FTP");
  harness::LockHolder other(scratch / "BKP_FTP");
  TBackupFtp job(&clock);
  const std::string erro = ErrorOf(job);
  EXPECT_EQ(erro, "Backup configurado anterior ainda em andamento; execução ignorada");
  EXPECT_FALSE(fs::exists(scratch / "BKP_FTP" / "bkp.sh"));
  EXPECT_TRUE(ftp->Uploads().empty());
  EXPECT_EQ(DataEnvio(), "(null)");

  other.Release();
  job.Execute();
  EXPECT_EQ(ftp->Uploads().size(), 1U);
}

TEST_F(TBackupFtpTest, PurgesOldArchivesAndLogsFirst) {
  const TDateTime now = clock.Now();
  const fs::path velho = scratch / "BKP_FTP" / "Backup_30_01_2024_10_00.zip";
  const fs::path recente = scratch / "BKP_FTP" / "Backup_01_02_2024_10_00.zip";
  const fs::path logVelho = scratch / "Logs" / "BKP" / "2024-01-22.txt";
  for (const fs::path& f : {velho, recente, logVelho}) {
    fs::create_directories(f.parent_path());
    harness::WriteFile(f, "x");
  }
  harness::SetLastWrite(velho, now.AddDays(-3));
  harness::SetLastWrite(recente, now.AddDays(-1));
  harness::SetLastWrite(logVelho, now.AddDays(-11));

  TBackupFtp(&clock).Execute();

  EXPECT_FALSE(fs::exists(velho));
  EXPECT_TRUE(fs::exists(recente));
  EXPECT_FALSE(fs::exists(logVelho));
}

}  // namespace
