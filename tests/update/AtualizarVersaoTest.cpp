// The real program updating itself: a copy of the built executable in a folder of its own, with
// a deployment file pointing at a stand-in update host that publishes a newer version.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "UpdateTestSupport.h"
#include "common/FileVersion.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"

namespace fs = std::filesystem;
using harness::StandInReply;

namespace {

const fs::path kExecutavel = BRISANE_BACKUP_EXE;

std::string VersionOf(const fs::path& program) {
  std::string output;
  EXPECT_EQ(harness::RunCommand({program.string(), "--version"}, &output), 0);
  return output;
}

TEST(AtualizarVersaoTest, TheRealProgramUpdatesItselfEndToEnd) {
  if (kExecutavel.empty()) GTEST_SKIP() << "the program is not part of this build";
  harness::ScratchDir scratch;
  const DeploymentSettings database = harness::FreshDatabase(harness::DatabaseMode::Server, true);
  const fs::path pasta = scratch / "instalacao";
  fs::create_directories(pasta);
  fs::copy_file(kExecutavel, pasta / "Backup");

  FileVersion newer = CompiledVersion();
  ++newer[3];
  const std::string published = FileVersionText(newer);
  // The new version is a program that tells its version too.
  updatetest::MakeArchive(
      scratch / "publicado.zip",
      {{"Backup", "#!/bin/sh\n[ \"$1\" = --version ] && echo " + published + "\n"},
       {"leiame.txt", "novidades da versão " + published}});
  harness::HttpStandIn web;
  web.On("GET", "/Brisane/versao", StandInReply{.Body = published});
  web.On("GET", "/Brisane/Backup.zip",
         StandInReply{.Body = harness::ReadFile(scratch / "publicado.zip")});

  const fs::path deployment = scratch / "implantacao.ini";
  harness::WriteFile(deployment, "[Produto]\nPasta=" + database.produto.Pasta.string() +
                                     "\n[Firebird]\nServidor=" + database.firebird.Servidor +
                                     "\nUsuario=" + database.firebird.Usuario +
                                     "\nSenha=" + database.firebird.Senha +
                                     "\n[Atualizacao]\nURL=" + web.Url() + "\n");
  const fs::path runtime = scratch / "run";
  fs::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  harness::ChildProcess::Options options;
  options.Args = {(pasta / "Backup").string(), "--headless"};
  options.ExtraEnv = {
      {"IMPLANTACAO_INI", deployment.string()},
      {"XDG_RUNTIME_DIR", runtime.string()},
      {"XDG_CONFIG_HOME", (scratch / "config").string()},
      // In a sanitizer build: what the database client keeps is not a leak.
      {"LSAN_OPTIONS", "print_suppressions=0:suppressions=" +
                           (harness::TestDataDir() / "update" / "lsan.supp").string()}};
  options.OutputFile = scratch / "agente.txt";
  harness::ChildProcess agent(options);

  ASSERT_TRUE(harness::WaitUntil([] {
    return updatetest::LogText().find(UpdateRun::kBalaoConcluido) != std::string::npos;
  })) << updatetest::LogText()
      << harness::ReadFile(scratch / "agente.txt");

  EXPECT_EQ(VersionOf(pasta / "Backup"), published + "\n");
  EXPECT_EQ(VersionOf(pasta / "Backup.old"), std::string(CompiledVersionText()) + "\n");
  EXPECT_EQ(harness::ReadFile(pasta / "leiame.txt"), "novidades da versão " + published);
  EXPECT_EQ(harness::ReadFile(pasta / "Backup.zip"), harness::ReadFile(scratch / "publicado.zip"));
  EXPECT_FALSE(fs::exists(pasta / UpdateRun::kPastaTrabalho));
  const std::string log = updatetest::LogText();
  EXPECT_LT(log.find(UpdateRun::kBalaoDownload), log.find(UpdateRun::kBalaoConcluido));
  // The old code keeps running until it is started again.
  EXPECT_TRUE(agent.Running());
  EXPECT_EQ(agent.Stop(), 0);
}

}  // namespace
