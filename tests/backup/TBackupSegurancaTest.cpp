#include "backup/TBackupSeguranca.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>

#include "common/Database.h"
#include "common/DeploymentSettings.h"
#include "common/TDM.h"
#include "common/UserInterface.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/FtpServer.h"
#include "harness/Harness.h"
#include "harness/RecordingUserInterface.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDomain = "corvatec.example";
constexpr const char* kRemoteRoot =
    "/domains/corvatec.example/public_html/financeiro/storage/app/public/backup";
constexpr const char* kCompanyFolder =
    "/domains/corvatec.example/public_html/financeiro/storage/app/public/backup/12.345.678/"
    "0001-90/";

class RecordingLights final : public ConnectionIndicators {
 public:
  void SetGreenVisible(bool visible) override {
    std::lock_guard lock(FMutex);
    FGreen = visible;
  }
  void SetRedVisible(bool visible) override {
    std::lock_guard lock(FMutex);
    FRed = visible;
  }
  // "verde", "vermelho", "ambos" or "nenhum": what the title bar shows.
  std::string Shown() const {
    std::lock_guard lock(FMutex);
    if (FGreen && FRed) return "ambos";  // red lies on top of green
    if (FGreen) return "verde";
    return FRed ? "vermelho" : "nenhum";
  }

 private:
  mutable std::mutex FMutex;
  bool FGreen = false;
  bool FRed = false;
};

std::string Unzipped(const fs::path& zip, const std::string& entry) {
  std::string out;
  EXPECT_EQ(harness::RunCommand({"/usr/bin/unzip", "-p", zip.string(), entry}, &out), 0);
  return out;
}

bool UnzipAccepts(const fs::path& zip) {
  std::string out;
  return harness::RunCommand({"/usr/bin/unzip", "-t", zip.string()}, &out) == 0;
}

class TBackupSegurancaTest : public ::testing::Test {
 public:  // the case tables' set-up functions reach in
  harness::ScratchDir scratch;
  harness::ManualClock clock{TDateTime::FromParts(2026, 3, 10, 14, 5, 0)};
  harness::FtpServer ftp{scratch.Path()};
  harness::RecordingUserInterface messages;
  RecordingLights lights;
  harness::ProgressRecorder pane;
  DeploymentSettings settings;
  std::unique_ptr<TDM> dm;
  fs::path extra = scratch / "Copia Extra";
  int restores = 0;

  void SetUp() override { Prepare(harness::DatabaseMode::Server); }
  void TearDown() override { SetDeployment(DeploymentSettings{}); }

  void Prepare(harness::DatabaseMode mode) {
    settings = harness::FreshDatabase(mode, /*seed=*/true);
    settings.ftpBackup.Host = "127.0.0.1";
    settings.ftpBackup.Porta = ftp.Port();
    settings.ftpBackup.Usuario = ftp.User();
    settings.ftpBackup.Senha = ftp.Password();
    settings.ftpBackup.Dominio = kDomain;
    settings.ftpBackup.TempoConexaoMs = 5000;
    SetDeployment(settings);
    dm = std::make_unique<TDM>();
    dm->DataModuleCreate();
    Execute("insert into grupo (codigo, descricao) values (1, 'Pães e Bolos')");
    Execute("insert into grupo (codigo, descricao) values (2, 'Bebidas')");
    dm->qryEmpresa.Open();
    fs::create_directories(settings.BackupFolder());
    fs::create_directories(extra);
    fs::create_directories(ftp.Root() / RemoteRoot());
  }

  // Enough rows that the archive is written while the server is still writing the backup.
  void AddManyRows() {
    Execute(
        "execute block as declare i integer = 10; begin while (i < 60000) do begin "
        "insert into grupo (codigo, descricao) values (:i, 'grupo de produtos ' || :i); "
        "i = i + 1; end end");
  }

  void Execute(const std::string& sql) {
    Query q(dm->conexao);
    q.SetSQL(sql);
    q.ExecSQL();
  }

  TBackupSeguranca Job() { return TBackupSeguranca(&pane, &lights, &clock, dm.get()); }

  // The root log holds exactly the lines of two runs that were skipped.
  void ExpectTwoSkippedRunsLogged() const {
    std::vector<std::string> logged;
    for (const auto& entry : fs::directory_iterator(scratch / "LOGS"))
      if (entry.is_regular_file())
        for (const std::string& line : harness::ReadLines(entry.path())) logged.push_back(line);
    ASSERT_EQ(logged.size(), 2u);
    for (const std::string& line : logged)
      EXPECT_NE(line.find(" - Backup anterior ainda em andamento; execução ignorada"),
                std::string::npos)
          << line;
  }

  static fs::path RemoteRoot() { return fs::path(kRemoteRoot).relative_path(); }
  fs::path RemoteCompanyFolder() const { return ftp.Root() / RemoteRoot() / "12.345.678/0001-90"; }
  fs::path Backup(const std::string& name) const { return settings.BackupFolder() / name; }
  fs::path Extra(const std::string& name) const { return extra.string() + "/" + name; }

  // The lines of a run from the archive on, when nothing was there before and the upload goes
  // through, sending the given archives.
  std::vector<std::string> UploadLines(const std::vector<std::string>& sent,
                                       bool folderExisted) const {
    std::vector<std::string> lines{"Conectado ao FTP.", "Acessou o diretório com sucesso."};
    if (folderExisted) {
      lines.push_back(std::string("Diretório remoto acessado: ") + kCompanyFolder);
    } else {
      lines.push_back("Diretório não encontrado. Criando...");
      lines.push_back(std::string("Diretório criado: ") + kCompanyFolder);
    }
    for (const std::string& s : sent) lines.push_back(s);
    lines.push_back("Desconectado do FTP.");
    return lines;
  }
  std::vector<std::string> ArchiveLines(const std::string& hour) const {
    return {"Backup concluído com sucesso!", "Compactando backup para ZIP...",
            "Arquivo ZIP criado: " + Backup("Backup_Seguranca_" + hour + ".zip").string()};
  }
  static std::vector<std::string> Joined(std::vector<std::string> a,
                                         const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }

  // Restores a backup file into a new database and reads the groups back.
  std::vector<std::string> RestoredGroups(const fs::path& fbk) {
    const fs::path restored = scratch / ("restaurado-" + std::to_string(++restores) + ".fdb");
    std::string out;
    EXPECT_EQ(
        harness::RunCommand(
            {"/usr/bin/gbak", "-c", "-user", "SYSDBA", fbk.string(), restored.string()}, &out),
        0)
        << out;
    ConnectionParams params;
    params.Database = restored.string();
    params.Host = "";  // embedded
    Connection connection(params);
    Query q(connection);
    q.SetSQL("select codigo, descricao from grupo where codigo < 10 order by codigo");
    q.Open();
    std::vector<std::string> rows;
    for (; !q.Eof(); q.Next())
      rows.push_back(q.FieldByName("CODIGO").AsString() + " " +
                     q.FieldByName("DESCRICAO").AsString());
    connection.Close();
    return rows;
  }
};

// The whole run against the real servers, through the server and through the embedded engine
// (the demo's setting).
class TBackupSegurancaModeTest : public TBackupSegurancaTest,
                                 public ::testing::WithParamInterface<harness::DatabaseMode> {
 protected:
  void SetUp() override { Prepare(GetParam()); }
};

TEST_P(TBackupSegurancaModeTest, BacksUpTwiceZipsAndUploadsIntoTheCompanyFolder) {
  AddManyRows();

  EXPECT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::ArchiveMade);

  EXPECT_EQ(pane.Lines(),
            Joined(ArchiveLines("14"), UploadLines({"Enviado: Backup_Seguranca_14.zip"}, false)));
  EXPECT_EQ(pane.ClearCount(), 1);
  EXPECT_TRUE(messages.Errors().empty());
  EXPECT_EQ(lights.Shown(), "verde");

  const fs::path fbk = Backup("Backup_Seguranca_14.fbk");
  const fs::path zip = Backup("Backup_Seguranca_14.zip");
  const std::vector<std::string> groups{"1 Pães e Bolos", "2 Bebidas"};
  EXPECT_EQ(RestoredGroups(fbk), groups);
  EXPECT_EQ(RestoredGroups(Extra("Backup_Seguranca_14.fbk")), groups);
  ASSERT_TRUE(UnzipAccepts(zip));
  EXPECT_TRUE(Unzipped(zip, "Backup_Seguranca_14.fbk") == harness::ReadFile(fbk))
      << "a entrada do ZIP difere do backup";
  EXPECT_GT(fs::file_size(fbk), 1000000u);
  EXPECT_FALSE(fs::exists(zip.string() + ".tmp"));
  EXPECT_TRUE(harness::ReadFile(RemoteCompanyFolder() / "Backup_Seguranca_14.zip") ==
              harness::ReadFile(zip))
      << "o arquivo recebido pelo FTP difere do local";
}

INSTANTIATE_TEST_SUITE_P(Modos, TBackupSegurancaModeTest,
                         ::testing::Values(harness::DatabaseMode::Server,
                                           harness::DatabaseMode::Embedded),
                         [](const auto& info) { return harness::ModeName(info.param); });

TEST_F(TBackupSegurancaTest, ASecondRunInTheHourReplacesItsFilesAndLeavesOtherHoursAlone) {
  // Another hour's files, one archive of them from days before.
  harness::WriteFile(Backup("Backup_Seguranca_03.fbk"), "backup das 3h");
  harness::WriteFile(Backup("Backup_Seguranca_03.zip"), "arquivo das 3h");
  harness::WriteFile(Extra("Backup_Seguranca_03.fbk"), "copia das 3h");

  ASSERT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::ArchiveMade);
  EXPECT_EQ(pane.Lines(),
            Joined(ArchiveLines("14"), UploadLines({"Enviado: Backup_Seguranca_03.zip",
                                                    "Enviado: Backup_Seguranca_14.zip"},
                                                   false)));

  clock.Advance(std::chrono::minutes(40));
  ASSERT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::ArchiveMade);
  EXPECT_EQ(
      pane.Lines(),
      Joined(Joined({"Arquivo deletado: " + Extra("Backup_Seguranca_14.fbk").string(),
                     "Arquivo deletado: " + Backup("Backup_Seguranca_14.fbk").string(),
                     "Arquivo zip antigo deletado: " + Backup("Backup_Seguranca_14.zip").string()},
                    ArchiveLines("14")),
             UploadLines({"Arquivo já enviado, sem alterações: Backup_Seguranca_03.zip",
                          "Enviado: Backup_Seguranca_14.zip"},
                         true)));
  EXPECT_EQ(pane.ClearCount(), 2);
  EXPECT_EQ(harness::ReadFile(Backup("Backup_Seguranca_03.fbk")), "backup das 3h");
  EXPECT_EQ(harness::ReadFile(Extra("Backup_Seguranca_03.fbk")), "copia das 3h");
  EXPECT_EQ(harness::ReadFile(RemoteCompanyFolder() / "Backup_Seguranca_03.zip"), "arquivo das 3h");
  EXPECT_TRUE(harness::ReadFile(RemoteCompanyFolder() / "Backup_Seguranca_14.zip") ==
              harness::ReadFile(Backup("Backup_Seguranca_14.zip")));
  EXPECT_TRUE(messages.Errors().empty());
}

// The names are formed at their own moments: a run that starts just before the full hour clears
// the extra file of one hour and writes the next hour's.
TEST_F(TBackupSegurancaTest, TheExtraNameIsFormedAgainWhenItsBackupStarts) {
  struct TickingClock final : public Clock {
    mutable std::mutex Mutex;
    mutable int Reads = 0;
    TDateTime Now() const override {
      std::lock_guard lock(Mutex);
      // The third read, when the extra backup starts, is past the hour.
      return ++Reads < 3 ? TDateTime::FromParts(2026, 3, 10, 14, 59, 59)
                         : TDateTime::FromParts(2026, 3, 10, 15, 0, 0);
    }
  } ticking;
  harness::WriteFile(Extra("Backup_Seguranca_14.fbk"), "antigo das 14h");
  TBackupSeguranca job(&pane, &lights, &ticking, dm.get());
  ASSERT_EQ(job.Image7Click(extra.string()), SafetyBackupResult::ArchiveMade);
  EXPECT_EQ(pane.Lines().front(), "Arquivo deletado: " + Extra("Backup_Seguranca_14.fbk").string());
  EXPECT_FALSE(fs::exists(Extra("Backup_Seguranca_14.fbk")));
  EXPECT_TRUE(fs::exists(Extra("Backup_Seguranca_15.fbk")));
  EXPECT_TRUE(fs::exists(Backup("Backup_Seguranca_14.zip")));
}

// The extra folder may be the BACKUP folder itself: the file is written once, not by two
// backups at the same time, and the archive holds it whole.
TEST_F(TBackupSegurancaTest, AnExtraFolderThatIsTheBackupFolderGetsOneBackup) {
  ASSERT_EQ(Job().Image7Click(settings.BackupFolder().string() + "/"),
            SafetyBackupResult::ArchiveMade);
  const fs::path fbk = Backup("Backup_Seguranca_14.fbk");
  const fs::path zip = Backup("Backup_Seguranca_14.zip");
  EXPECT_EQ(RestoredGroups(fbk), (std::vector<std::string>{"1 Pães e Bolos", "2 Bebidas"}));
  ASSERT_TRUE(UnzipAccepts(zip));
  EXPECT_TRUE(Unzipped(zip, "Backup_Seguranca_14.fbk") == harness::ReadFile(fbk));
}

// A failure before the upload: one message box, no archive of the hour, nothing uploaded.
TEST_F(TBackupSegurancaTest, AFailureBeforeTheUploadShowsTheMessageAndMakesNoArchive) {
  struct Case {
    const char* name;
    std::function<std::string(TBackupSegurancaTest&)> setup;  // returns the extra folder
    std::string messageHas;
    bool filesTouched = true;  // false: refused before the hour's files were deleted
  } cases[] = {
      {"pasta extra vazia", [](TBackupSegurancaTest&) { return std::string(); },
       "Pasta extra de backup não configurada", false},
      {"pasta extra que o servidor não grava",
       [](TBackupSegurancaTest& t) { return (t.scratch / "nao-existe").string(); },
       "nao-existe/Backup_Seguranca_14.fbk"},
      {"senha errada",
       [](TBackupSegurancaTest& t) {
         DeploymentSettings s = t.settings;
         s.firebird.Senha = "errada1";
         SetDeployment(s);
         return t.extra.string();
       },
       "password"},
      {"servidor de banco parado",
       [](TBackupSegurancaTest& t) {
         harness::FirebirdServer::Instance().Stop();
         return t.extra.string();
       },
       "127.0.0.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    harness::WriteFile(Backup("Backup_Seguranca_14.zip"), "arquivo antigo da hora");
    messages.Clear();
    const std::string extraFolder = c.setup(*this);

    EXPECT_EQ(Job().Image7Click(extraFolder), SafetyBackupResult::Failed);

    const std::vector<std::string> errors = messages.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Erro ao gerar backup\r\n", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find(c.messageHas), std::string::npos) << errors[0];
    if (c.filesTouched) {
      EXPECT_FALSE(fs::exists(Backup("Backup_Seguranca_14.zip")));
    } else {
      EXPECT_EQ(harness::ReadFile(Backup("Backup_Seguranca_14.zip")), "arquivo antigo da hora");
      EXPECT_TRUE(pane.Lines().empty());
    }
    EXPECT_FALSE(fs::exists(Backup("Backup_Seguranca_14.zip.tmp")));
    for (const std::string& line : pane.Lines()) {
      EXPECT_EQ(line.find("ZIP"), std::string::npos) << line;
      EXPECT_EQ(line.find("FTP"), std::string::npos) << line;
    }
    EXPECT_TRUE(ftp.Uploads().empty());
    EXPECT_EQ(lights.Shown(), "nenhum");

    SetDeployment(settings);
    harness::FirebirdServer::Instance();  // up again after the stopped-server case
  }
}

// Upload failures are pane lines only: the archive stays, no message box, red when the
// connection failed.
TEST_F(TBackupSegurancaTest, UploadFailuresAreLoggedInThePaneOnly) {
  struct Case {
    const char* name;
    std::function<void(TBackupSegurancaTest&)> setup;
    std::string lastLine;  // beginning of the pane's last line
    std::string shown;
  } cases[] = {
      {"pasta da empresa impossível de criar",
       [](TBackupSegurancaTest& t) {
         harness::WriteFile(t.ftp.Root() / RemoteRoot() / "12.345.678", "um arquivo no caminho");
       },
       "Erro ao criar diretório remoto: ", "verde"},
      {"raiz de backup inexistente",
       [](TBackupSegurancaTest& t) { fs::remove_all(t.ftp.Root() / "domains"); },
       "Erro ao acessar diretório remoto: ", "verde"},
      {"login recusado",
       [](TBackupSegurancaTest& t) {
         DeploymentSettings s = t.settings;
         s.ftpBackup.Senha = "senha-errada";
         SetDeployment(s);
       },
       "Erro ao conectar: ", "vermelho"},
      {"servidor FTP fora do ar", [](TBackupSegurancaTest& t) { t.ftp.Stop(); },
       "Erro ao conectar: ", "vermelho"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.setup(*this);
    lights.SetGreenVisible(false);
    lights.SetRedVisible(false);

    EXPECT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::ArchiveMade);

    const std::vector<std::string> lines = pane.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind(c.lastLine, 0), 0u) << lines.back();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Desconectado do FTP."), 0);
    EXPECT_TRUE(messages.Errors().empty());
    EXPECT_EQ(lights.Shown(), c.shown);
    EXPECT_TRUE(UnzipAccepts(Backup("Backup_Seguranca_14.zip")));
    SetDeployment(settings);
  }
  EXPECT_TRUE(ftp.Uploads().empty());
}

TEST_F(TBackupSegurancaTest, AnArchiveThatFailsToStoreDoesNotStopTheNextOne) {
  harness::WriteFile(Backup("Backup_Seguranca_03.zip"), "arquivo das 3h");
  harness::WriteFile(Backup("Backup_Seguranca_09.zip"), "arquivo das 9h");
  // The server can't store over a folder of that name.
  fs::create_directories(RemoteCompanyFolder() / "Backup_Seguranca_03.zip");

  ASSERT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::ArchiveMade);

  std::vector<std::string> lines = pane.Lines();
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[6].rfind("Erro ao enviar Backup_Seguranca_03.zip: ", 0), 0u) << lines[6];
  lines[6] = "Erro ao enviar Backup_Seguranca_03.zip: ";
  EXPECT_EQ(lines,
            Joined(ArchiveLines("14"), UploadLines({"Erro ao enviar Backup_Seguranca_03.zip: ",
                                                    "Enviado: Backup_Seguranca_09.zip",
                                                    "Enviado: Backup_Seguranca_14.zip"},
                                                   true)));
  EXPECT_EQ(harness::ReadFile(RemoteCompanyFolder() / "Backup_Seguranca_09.zip"), "arquivo das 9h");
  EXPECT_TRUE(messages.Errors().empty());
  EXPECT_EQ(lights.Shown(), "verde");

  // The failed one is tried again next time; the one that went through is not.
  fs::remove(RemoteCompanyFolder() / "Backup_Seguranca_03.zip");
  pane.Clear();
  Job().ConectarFTPBackup();
  EXPECT_EQ(pane.Lines(),
            UploadLines({"Enviado: Backup_Seguranca_03.zip",
                         "Arquivo já enviado, sem alterações: Backup_Seguranca_09.zip",
                         "Arquivo já enviado, sem alterações: Backup_Seguranca_14.zip"},
                        true));
  EXPECT_EQ(harness::ReadFile(RemoteCompanyFolder() / "Backup_Seguranca_03.zip"), "arquivo das 3h");
}

// Without a run: which archives go up again.
TEST_F(TBackupSegurancaTest, AnArchiveIsSentAgainOnlyWhenTheServerLacksItOrItChanged) {
  for (const char* hour : {"01", "02", "03", "04"})
    harness::WriteFile(Backup(std::string("Backup_Seguranca_") + hour + ".zip"),
                       std::string("conteudo ") + hour);
  harness::WriteFile(Backup("Backup_Seguranca_05.zip.tmp"), "arquivo incompleto");
  harness::WriteFile(Backup("outro.txt"), "não é arquivo zip");
  Job().ConectarFTPBackup();
  ASSERT_EQ(ftp.Uploads().size(), 4u);

  fs::remove(RemoteCompanyFolder() / "Backup_Seguranca_01.zip");               // gone
  harness::WriteFile(RemoteCompanyFolder() / "Backup_Seguranca_02.zip", "x");  // other size
  harness::SetLastWrite(Backup("Backup_Seguranca_03.zip"),                     // touched
                        TDateTime::FromParts(2026, 3, 10, 3, 0, 0));
  pane.Clear();
  Job().ConectarFTPBackup();
  EXPECT_EQ(pane.Lines(),
            UploadLines({"Enviado: Backup_Seguranca_01.zip", "Enviado: Backup_Seguranca_02.zip",
                         "Enviado: Backup_Seguranca_03.zip",
                         "Arquivo já enviado, sem alterações: Backup_Seguranca_04.zip"},
                        true));
  for (const char* hour : {"01", "02", "03", "04"}) {
    SCOPED_TRACE(hour);
    EXPECT_EQ(harness::ReadFile(RemoteCompanyFolder() /
                                (std::string("Backup_Seguranca_") + hour + ".zip")),
              std::string("conteudo ") + hour);
  }
  EXPECT_EQ(ftp.Uploads().size(), 7u);
  EXPECT_FALSE(fs::exists(RemoteCompanyFolder() / "Backup_Seguranca_05.zip.tmp"));
}

TEST_F(TBackupSegurancaTest, TheCompanyFolderIsTheCnpjUnlessItNamesNoFolderOfItsOwn) {
  harness::WriteFile(Backup("Backup_Seguranca_01.zip"), "conteudo");
  struct Case {
    const char* cnpj;
    const char* remoteFolder;  // empty: refused, nothing sent
  } cases[] = {
      {"12345678000190", "12345678000190"},
      {"", ""},
      {"../../../outra", ""},
      {"12.345.678/../../x", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cnpj);
    Execute("update empresa set cnpj = '" + std::string(c.cnpj) + "'");
    dm->qryEmpresa.Close();
    dm->qryEmpresa.Open();
    pane.Clear();
    const size_t before = ftp.Uploads().size();
    if (*c.remoteFolder) {
      Job().ConectarFTPBackup();
      EXPECT_EQ(
          harness::ReadFile(ftp.Root() / RemoteRoot() / c.remoteFolder / "Backup_Seguranca_01.zip"),
          "conteudo");
    } else {
      EXPECT_THROW(Job().ConectarFTPBackup(), std::runtime_error);
      EXPECT_TRUE(pane.Lines().empty());
      EXPECT_EQ(ftp.Uploads().size(), before);
    }
  }
  // In a run, the refusal is the run's message box.
  Execute("delete from empresa");
  dm->qryEmpresa.Close();
  dm->qryEmpresa.Open();
  EXPECT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::Failed);
  EXPECT_EQ(messages.Errors(),
            std::vector<std::string>{"Erro ao gerar backup\r\nCNPJ da empresa não informado"});
  EXPECT_TRUE(fs::exists(Backup("Backup_Seguranca_14.zip")));
}

// A pane that holds the run at one line until the test lets it go.
class HoldingPane final : public ProgressView {
 public:
  explicit HoldingPane(std::string holdAt) : FHoldAt(std::move(holdAt)) {}
  void InsertLine(const std::string&) override {}
  void AppendLine(const std::string& line) override {
    std::unique_lock lock(FMutex);
    if (line != FHoldAt) return;
    FHeld = true;
    FChanged.notify_all();
    FChanged.wait(lock, [&] { return FReleased; });
  }
  void Clear() override {}
  bool Held() {
    std::lock_guard lock(FMutex);
    return FHeld;
  }
  void Release() {
    std::lock_guard lock(FMutex);
    FReleased = true;
    FChanged.notify_all();
  }

 private:
  std::string FHoldAt;
  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FHeld = false;
  bool FReleased = false;
};

TEST_F(TBackupSegurancaTest, ACallDuringARunIsSkippedAndLogged) {
  HoldingPane holding("Compactando backup para ZIP...");
  TBackupSeguranca running(&holding, &lights, &clock, dm.get());
  auto first = std::async(std::launch::async, [&] { return running.Image7Click(extra.string()); });
  ASSERT_TRUE(harness::WaitUntil([&] { return holding.Held(); }));

  EXPECT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::Skipped);
  Job().ConectarFTPBackup();
  holding.Release();
  EXPECT_EQ(first.get(), SafetyBackupResult::ArchiveMade);

  EXPECT_EQ(pane.ClearCount(), 0);
  EXPECT_TRUE(pane.Lines().empty());
  ExpectTwoSkippedRunsLogged();
  EXPECT_EQ(ftp.Uploads().size(), 1u);
}

// Another program's run (a `Backup --backup-now` beside the agent) holds the backup folder: this
// one touches none of its files, sends nothing and says why in the log.
TEST_F(TBackupSegurancaTest, ARunOfAnotherProgramIsLeftAloneAndLogged) {
  harness::WriteFile(Backup("Backup_Seguranca_14.fbk"), "backup de outro programa");
  harness::LockHolder other(settings.BackupFolder());

  EXPECT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::Skipped);
  Job().ConectarFTPBackup();

  EXPECT_EQ(harness::ReadFile(Backup("Backup_Seguranca_14.fbk")), "backup de outro programa");
  EXPECT_TRUE(ftp.Uploads().empty());
  EXPECT_TRUE(pane.Lines().empty());
  ExpectTwoSkippedRunsLogged();

  // Once that program ended, the next run goes through.
  other.Release();
  EXPECT_EQ(Job().Image7Click(extra.string()), SafetyBackupResult::ArchiveMade);
  EXPECT_TRUE(UnzipAccepts(Backup("Backup_Seguranca_14.zip")));
}

}  // namespace
