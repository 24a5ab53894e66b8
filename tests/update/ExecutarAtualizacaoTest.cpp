#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "UpdateTestSupport.h"
#include "common/UserInterface.h"
#include "harness/ChildProcess.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"
#include "update/UpdateRun.h"
#include "update/UpdateRunner.h"

using harness::HttpStandIn;
using harness::StandInReply;
using updatetest::RecordingView;
namespace fs = std::filesystem;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// A program folder with an agent installed (executable, a text file, a settings file, the
// previous update's leftovers) and an update host that publishes an archive for it.
class ExecutarAtualizacaoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(pasta / "modelos");
    harness::WriteFile(pasta / "Backup", "executável versão 150");
    fs::permissions(pasta / "Backup", fs::perms(0755));
    harness::WriteFile(pasta / "leiame.txt", "leia-me da versão 150");
    harness::WriteFile(pasta / "configuracao.ini", "[Settings]\r\nidLoja=7\r\n");
    harness::WriteFile(pasta / "modelos" / "etiqueta.txt", "etiqueta da versão 150");
    harness::WriteFile(pasta / "Backup.old", "executável versão 149");
    harness::WriteFile(pasta / "Backup.zip", "arquivo da atualização anterior");
  }

  // Publishes an archive with these entries; returns its bytes.
  std::string Publish(const Entries& entries) {
    const fs::path archive = scratch / "publicado.zip";
    updatetest::MakeArchive(archive, entries);
    std::string bytes = harness::ReadFile(archive);
    web.On("GET", "/Brisane/Backup.zip", StandInReply{.Body = bytes});
    return bytes;
  }

  static Entries NewVersion() {
    return {{"Backup", "executável versão 151"},
            {"leiame.txt", "leia-me da versão 151"},
            {"modelos/etiqueta.txt", "etiqueta da versão 151"},
            {"docs/novidades.txt", "novidades da versão 151"}};
  }

  [[nodiscard]] UpdateSettings Settings() const { return {web.Url(), pasta}; }

  UpdateOutcome Run(bool emSegundoPlano = true) {
    UpdateRun run(Settings(), &view);
    return run.Executar(emSegundoPlano);
  }

  harness::ScratchDir scratch;
  fs::path pasta = scratch / "programa";
  HttpStandIn web;
  RecordingView view;
};

TEST_F(ExecutarAtualizacaoTest, ReplacesTheExecutableKeepingTheOldOneAsBackupOld) {
  const std::string archive = Publish(NewVersion());

  UpdateRunner runner;
  auto shared = std::make_shared<RecordingView>();
  ASSERT_TRUE(runner.ExecutarAtualizacao(true, shared, Settings()));
  runner.Wait();

  EXPECT_EQ(shared->Finished(), UpdateOutcome::Atualizado);
  EXPECT_FALSE(UpdateRunner::AtualizacaoEmAndamento());
  EXPECT_EQ(harness::ReadFile(pasta / "Backup"), "executável versão 151");
  // The previous update's Backup.old gave way to the executable that was running.
  EXPECT_EQ(harness::ReadFile(pasta / "Backup.old"), "executável versão 150");
  EXPECT_EQ(harness::ReadFile(pasta / "Backup.zip"), archive);
  // The archive's other files replace those of the same names; the rest stays.
  EXPECT_EQ(harness::ReadFile(pasta / "leiame.txt"), "leia-me da versão 151");
  EXPECT_EQ(harness::ReadFile(pasta / "modelos" / "etiqueta.txt"), "etiqueta da versão 151");
  EXPECT_EQ(harness::ReadFile(pasta / "docs" / "novidades.txt"), "novidades da versão 151");
  EXPECT_EQ(harness::ReadFile(pasta / "configuracao.ini"), "[Settings]\r\nidLoja=7\r\n");
  EXPECT_FALSE(fs::exists(pasta / UpdateRun::kPastaTrabalho));
  // An archive without permissions still gives a program that starts.
  EXPECT_EQ(::access((pasta / "Backup").c_str(), X_OK), 0);

  EXPECT_EQ(shared->Balloons(),
            (std::vector<std::string>{UpdateRun::kBalaoDownload, UpdateRun::kBalaoConcluido}));
  ASSERT_EQ(web.RequestCount(), 1u);
  const auto request = web.Requests()[0];
  EXPECT_EQ(request.Path, "/Brisane/Backup.zip");
  EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
  EXPECT_NE(updatetest::LogText().find("Atualização do sistema instalada em " + pasta.string()),
            std::string::npos);
}

TEST_F(ExecutarAtualizacaoTest, ProgressArrivesInOrderAndReachesTheTotal) {
  // Big enough to arrive in many pieces, and random, so that compression keeps it that big.
  std::mt19937 random(7);
  std::string big(2'000'000, '\0');
  for (char& ch : big) ch = static_cast<char>(random());
  Entries entries = NewVersion();
  entries.emplace_back("dados.bin", big);
  const auto total = static_cast<std::int64_t>(Publish(entries).size());

  EXPECT_EQ(Run(), UpdateOutcome::Atualizado);

  const auto events = view.Progress();
  ASSERT_GT(events.size(), 2u);
  EXPECT_EQ(events.front(), (std::pair<std::int64_t, std::int64_t>{0, -1}));
  for (std::size_t i = 1; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].second, total);
    if (i > 1) {
      EXPECT_GT(events[i].first, events[i - 1].first);
    }
  }
  EXPECT_EQ(events.back().first, total);
}

class QuitCounter final : public UserInterface {
 public:
  bool Confirm(const std::string&) override { return false; }
  void ShowError(const std::string&) override {}
  void TranslateStandardDialogs() override {}
  void ProcessEvents() override {}
  void RequestQuit() override { ++quits; }
  std::atomic<int> quits{0};
};

// In the foreground the program restarts into the new version instead of showing balloons.
TEST_F(ExecutarAtualizacaoTest, TheForegroundModeRestartsTheProgram) {
  Publish(NewVersion());
  QuitCounter ui;
  InstallUserInterface(&ui);
  // main() of this test program reports how such a copy was started and ends at once.
  const fs::path report = scratch / "reinicio.txt";
  ::setenv("BRISANE_TESTE_REINICIO", report.c_str(), 1);

  const UpdateOutcome outcome = Run(false);

  ::unsetenv("BRISANE_TESTE_REINICIO");
  InstallUserInterface(nullptr);
  EXPECT_EQ(outcome, UpdateOutcome::Atualizado);
  EXPECT_EQ(harness::ReadFile(pasta / "Backup"), "executável versão 151");
  EXPECT_TRUE(view.Balloons().empty());
  EXPECT_EQ(ui.quits.load(), 1);
  ASSERT_TRUE(harness::WaitUntil([&] { return fs::exists(report); }));
}

// Every failure leaves the program folder exactly as it was, byte for byte.
TEST_F(ExecutarAtualizacaoTest, AFailureAtAnyStepLeavesTheFolderAsItWas) {
  std::string big(400'000, 'x');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 31) % 253);
  int folderLock = -1;
  struct Case {
    const char* name;
    std::function<void()> arrange;
    UpdateOutcome outcome;
    const char* logged;
  } cases[] = {
      {"no connection to the update host",
       [&] { web.On("GET", "/Brisane/Backup.zip", StandInReply{.Status = 500}); },
       UpdateOutcome::SemConexao, "sem conexão com o servidor de atualização"},
      {"archive not published",
       [&] { web.On("GET", "/Brisane/Backup.zip", StandInReply{.Status = 404}); },
       UpdateOutcome::Falhou, "404 Not Found"},
      {"connection dropped mid-download",
       [&] {
         web.On("GET", "/Brisane/Backup.zip",
                StandInReply{.Body = big, .CloseAfterBytes = 150'000});
       },
       UpdateOutcome::Falhou, "Falha na requisição HTTP"},
      {"not an archive", [&] { web.On("GET", "/Brisane/Backup.zip", StandInReply{.Body = big}); },
       UpdateOutcome::Falhou, "Download de "},
      {"entry climbing out of the folder",
       [&] {
         Entries e = NewVersion();
         e.emplace_back("../fora.txt", "escapou");
         Publish(e);
       },
       UpdateOutcome::Falhou, "fora da pasta de destino"},
      {"absolute entry",
       [&] {
         Entries e = NewVersion();
         e.emplace_back((scratch / "absoluto.txt").string(), "escapou");
         Publish(e);
       },
       UpdateOutcome::Falhou, "fora da pasta de destino"},
      {"archive without the executable",
       [&] {
         Publish({{"leiame.txt", "leia-me da versão 151"}});
       },
       UpdateOutcome::Falhou, "O arquivo de atualização não contém o executável Backup"},
      {"executable is a folder in the archive",
       [&] {
         Publish({{"Backup/leiame.txt", "x"}});
       },
       UpdateOutcome::Falhou, "não contém o executável Backup"},
      {"entry with a name the updater keeps",
       [&] {
         Entries e = NewVersion();
         e.emplace_back("Backup.old", "x");
         Publish(e);
       },
       UpdateOutcome::Falhou, "a entrada \"Backup.old\" tem um nome reservado ao atualizador"},
      {"a file of the archive is a folder here",
       [&] {
         Publish({{"Backup", "executável versão 151"},
                  {"leiame.txt", "leia-me da versão 151"},
                  {"modelos", "x"}});
       },
       UpdateOutcome::Falhou, "modelos: existe uma pasta com esse nome"},
      {"a folder of the archive is a file here",
       [&] {
         Entries e = NewVersion();
         e.emplace_back("configuracao.ini/novo.ini", "x");
         Publish(e);
       },
       UpdateOutcome::Falhou, "configuracao.ini: existe um arquivo com esse nome"},
      {"another program updates the folder",
       [&] {
         Publish(NewVersion());
         folderLock = ::open(pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
         ASSERT_EQ(::flock(folderLock, LOCK_EX), 0);
       },
       UpdateOutcome::Falhou, "Outra atualização em andamento na pasta"},
  };
  const updatetest::Snapshot before = updatetest::Take(pasta);
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingView caseView;
    UpdateSettings settings = Settings();
    if (c.outcome == UpdateOutcome::SemConexao) {
      settings.UrlBase = "http://127.0.0.1:" + std::to_string(harness::FreeLoopbackPort());
    }
    c.arrange();
    const std::size_t requestsBefore = web.RequestCount();
    const std::size_t logBefore = updatetest::LogText().size();

    UpdateRun run(settings, &caseView);
    EXPECT_EQ(run.Executar(true), c.outcome);

    EXPECT_EQ(updatetest::Take(pasta), before);
    EXPECT_FALSE(fs::exists(scratch / "fora.txt"));
    EXPECT_FALSE(fs::exists(scratch / "absoluto.txt"));
    const std::string logged = updatetest::LogText().substr(logBefore);
    EXPECT_NE(logged.find(c.logged), std::string::npos) << logged;
    EXPECT_EQ(caseView.Balloons(), std::vector<std::string>{UpdateRun::kBalaoDownload});
    if (c.outcome == UpdateOutcome::SemConexao) {
      EXPECT_EQ(web.RequestCount(), requestsBefore);
    }
    if (folderLock >= 0) {
      ::close(folderLock);
      folderLock = -1;
    }
  }
}

// A file that cannot be replaced (on this platform: the immutable attribute, which stops even
// the administrator) makes the replacement fail half way; what was already replaced goes back.
TEST_F(ExecutarAtualizacaoTest, AFileThatCannotBeReplacedUndoesTheWholeReplacement) {
  Publish(NewVersion());
  const fs::path blocked = pasta / "modelos" / "etiqueta.txt";
  if (harness::RunCommand({"/usr/bin/chattr", "+i", blocked.string()}) != 0) {
    GTEST_SKIP() << "the file system does not take the immutable attribute";
  }
  struct Unblock {
    fs::path file;
    ~Unblock() { (void)harness::RunCommand({"/usr/bin/chattr", "-i", file.string()}); }
  } unblock{blocked};
  const updatetest::Snapshot before = updatetest::Take(pasta);

  EXPECT_EQ(Run(), UpdateOutcome::Falhou);

  EXPECT_EQ(updatetest::Take(pasta), before);
  EXPECT_NE(updatetest::LogText().find("Não foi possível substituir " + blocked.string()),
            std::string::npos)
      << updatetest::LogText();
}

TEST_F(ExecutarAtualizacaoTest, LeftoversOfAnInterruptedRunAreClearedFirst) {
  Publish(NewVersion());
  harness::WriteFile(pasta / UpdateRun::kPastaTrabalho / "novo" / "Backup", "meio arquivo");

  EXPECT_EQ(Run(), UpdateOutcome::Atualizado);

  EXPECT_EQ(harness::ReadFile(pasta / "Backup"), "executável versão 151");
  EXPECT_FALSE(fs::exists(pasta / UpdateRun::kPastaTrabalho));
}

TEST_F(ExecutarAtualizacaoTest, ASecondStartWhileOneRunsIsRefused) {
  // The archive trickles in, so the first run is still downloading when the others come.
  const std::string bytes = Publish(NewVersion());
  web.On("GET", "/Brisane/Backup.zip",
         StandInReply{
             .Body = bytes, .TricklePause = std::chrono::milliseconds(20), .TrickleBytes = 16});
  const updatetest::Snapshot before = updatetest::Take(pasta);
  auto first = std::make_shared<RecordingView>();
  auto second = std::make_shared<RecordingView>();
  UpdateRunner runner;
  UpdateRunner otherRunner;

  ASSERT_TRUE(runner.ExecutarAtualizacao(true, first, Settings()));
  ASSERT_TRUE(harness::WaitUntil([&] { return first->Progress().size() > 2; }));
  EXPECT_TRUE(UpdateRunner::AtualizacaoEmAndamento());
  EXPECT_FALSE(runner.ExecutarAtualizacao(true, second, Settings()));
  EXPECT_FALSE(otherRunner.ExecutarAtualizacao(true, second, Settings()));
  // Interrupting the download changes nothing either.
  runner.Cancel();
  runner.Wait();

  EXPECT_EQ(first->Finished(), UpdateOutcome::Falhou);
  EXPECT_FALSE(second->Finished().has_value());
  EXPECT_TRUE(second->Balloons().empty());
  EXPECT_EQ(web.RequestCount(), 1u);
  EXPECT_EQ(updatetest::Take(pasta), before);
  EXPECT_NE(updatetest::LogText().find(UpdateRunner::kAtualizacaoIgnorada), std::string::npos);
  EXPECT_NE(updatetest::LogText().find("Atualização interrompida"), std::string::npos);
  EXPECT_FALSE(UpdateRunner::AtualizacaoEmAndamento());
}

// A stand-in program: a copy of sleep under another name.
class RunningCopy {
 public:
  explicit RunningCopy(const fs::path& file) : FFile(file) {
    fs::create_directories(file.parent_path());
    fs::copy_file("/bin/sleep", file);
    harness::ChildProcess::Options options;
    options.Args = {file.string(), "600"};
    FProcess = std::make_unique<harness::ChildProcess>(options);
    // Until exec has happened, /proc names the test program.
    EXPECT_TRUE(harness::WaitUntil([&] {
      return fs::read_symlink("/proc/" + std::to_string(FProcess->Pid()) + "/exe") == file;
    }));
  }
  harness::ChildProcess& Process() { return *FProcess; }

 private:
  fs::path FFile;
  std::unique_ptr<harness::ChildProcess> FProcess;
};

TEST(ProcessoEmExecucao, FindsAProgramByItsFileNameIgnoringCase) {
  harness::ScratchDir scratch;
  const std::string name = "BackupTeste" + std::to_string(::getpid());
  EXPECT_FALSE(UpdateRun::ProcessoEmExecucao(name));
  {
    RunningCopy copy(scratch / "a" / name);
    EXPECT_TRUE(UpdateRun::ProcessoEmExecucao(name));
    std::string upper = name;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_TRUE(UpdateRun::ProcessoEmExecucao(upper));
    EXPECT_FALSE(UpdateRun::ProcessoEmExecucao(name + "x"));
    copy.Process().Stop();
  }
  EXPECT_FALSE(UpdateRun::ProcessoEmExecucao(name));
}

TEST(EncerrarProcesso, EndsOnlyCopiesOfThatVeryFile) {
  harness::ScratchDir scratch;
  RunningCopy here(scratch / "programa" / "Backup");
  RunningCopy elsewhere(scratch / "outro" / "Backup");

  EXPECT_EQ(UpdateRun::EncerrarProcesso(scratch / "programa" / "Backup"), 1);

  EXPECT_NE(here.Process().Wait(std::chrono::seconds(20)), -1);
  EXPECT_TRUE(elsewhere.Process().Running());
  EXPECT_EQ(UpdateRun::EncerrarProcesso(scratch / "programa" / "Backup"), 0);
  elsewhere.Process().Stop();
}

}  // namespace
