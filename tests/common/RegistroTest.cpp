// The key store (the registry of the original) and the run-once entries.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/TFuncoesIFood.h"
#include "common/platform/KeyStore.h"
#include "harness/Harness.h"

using harness::ReadFile;
using harness::ScratchDir;
using harness::WaitUntil;
using harness::WriteFile;
namespace fs = std::filesystem;

namespace {

constexpr char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The user's config folder points into the scratch folder while the fixture lives.
class RegistroTest : public ::testing::Test {
 protected:
  ScratchDir scratch;
  TFuncoesIFood funcoes;
  fs::path store = scratch / "config/brisane/registro.ini";

  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) FOldXdg = old;
    ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
  }
  void TearDown() override {
    if (FOldXdg) {
      ::setenv("XDG_CONFIG_HOME", FOldXdg->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }

 private:
  std::optional<std::string> FOldXdg;
};

TEST_F(RegistroTest, ValuesReadBackExactlyAsWritten) {
  const std::string values[] = {
      "simples", "  espaços nas pontas  ", "\"entre aspas\"", "'simples'", "", "a=b;c [d]",
      "ação",    "\"só no começo"};
  int i = 0;
  for (const std::string& v : values) {
    SCOPED_TRACE(v);
    const std::string name = "valor" + std::to_string(i++);
    EXPECT_EQ(funcoes.EscreverRegistro("Software\\Corvatec\\Backup", name, v), "");
    EXPECT_EQ(funcoes.LerRegistro("Software\\Corvatec\\Backup", name), v);
  }
  EXPECT_TRUE(fs::exists(store));
}

TEST_F(RegistroTest, KeysAndNamesIgnoreLetterCaseAndMissingOnesReadEmpty) {
  (void)funcoes.EscreverRegistro("Software\\Corvatec", "Pasta", "/opt/x");
  (void)funcoes.EscreverRegistro("SOFTWARE\\corvatec", "PASTA", "/opt/y");
  EXPECT_EQ(funcoes.LerRegistro("software\\CORVATEC", "pasta"), "/opt/y");
  EXPECT_EQ(funcoes.LerRegistro("Software\\Corvatec", "outro"), "");
  EXPECT_EQ(funcoes.LerRegistro("Software\\Nada", "Pasta"), "");
}

TEST_F(RegistroTest, TextThatWouldNotReadBackIsRefusedAndTheStoreKept) {
  (void)funcoes.EscreverRegistro("Software\\X", "a", "1");
  const std::string before = ReadFile(store);
  struct Case {
    const char* name;
    std::string key;
    std::string valueName;
    std::string value;
  } cases[] = {
      {"quebra no valor", "Software\\X", "b", "linha\n[Injetada]\nk=v"},
      {"quebra no nome", "Software\\X", "b\r\nc", "v"},
      {"= no nome", "Software\\X", "b=c", "v"},
      {"] na chave", "Software\\X]Y", "b", "v"},
      {"chave vazia", "", "b", "v"},
      {"valor longo", "Software\\X", "b", std::string(3000, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW((void)funcoes.EscreverRegistro(c.key, c.valueName, c.value), std::runtime_error);
  }
  EXPECT_EQ(ReadFile(store), before);
}

TEST_F(RegistroTest, AStoreThatCannotBeWrittenRaisesAndReadsGiveEmpty) {
  WriteFile(scratch / "config", "um arquivo onde deveria haver uma pasta");
  EXPECT_THROW((void)funcoes.EscreverRegistro("Software\\X", "a", "1"), std::runtime_error);
  EXPECT_THROW(funcoes.ExecutarAoIniciar("Backup", "true", true), std::runtime_error);
  EXPECT_EQ(funcoes.LerRegistro("Software\\X", "a"), "");
}

TEST_F(RegistroTest, ExecutarAoIniciarWritesOrDeletesTheRunOnceValue) {
  funcoes.ExecutarAoIniciar("Backup", "/opt/Backup --headless", true);
  EXPECT_EQ(funcoes.LerRegistro(kRunOnce, "Backup"), "/opt/Backup --headless");
  funcoes.ExecutarAoIniciar("Backup", "", false);
  EXPECT_EQ(platform::KeyStore().Names(kRunOnce), std::vector<std::string>{});
  funcoes.ExecutarAoIniciar("Nada", "", false);  // deleting a missing value is no error
}

TEST_F(RegistroTest, RunOnceEntriesRunOnceAndAreRemovedBeforeTheyRun) {
  // Each command records whether its own entry was still in the store while it ran.
  const auto command = [&](const std::string& name) {
    const std::string out = (scratch / (name + ".txt")).string();
    return "if grep -q ^" + name + "= " + store.string() +
           "; then r=presente; else r=removida; fi; " + "echo $r > " + out + ".tmp && mv " + out +
           ".tmp " + out;
  };
  funcoes.ExecutarAoIniciar("Primeira", command("Primeira"), true);
  funcoes.ExecutarAoIniciar("Segunda", command("Segunda"), true);
  (void)funcoes.EscreverRegistro("Software\\Outra", "Fica", "sim");

  TFuncoesIFood::ExecutarEntradasRunOnce();
  EXPECT_EQ(platform::KeyStore().Names(kRunOnce), std::vector<std::string>{});
  EXPECT_EQ(funcoes.LerRegistro("Software\\Outra", "Fica"), "sim");
  for (const char* name : {"Primeira", "Segunda"}) {
    SCOPED_TRACE(name);
    const fs::path out = scratch / (std::string(name) + ".txt");
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(out); }));
    EXPECT_EQ(ReadFile(out), "removida\n");
    fs::remove(out);
  }
  // Nothing is left to run a second time.
  TFuncoesIFood::ExecutarEntradasRunOnce();
  EXPECT_EQ(platform::KeyStore().Names(kRunOnce), std::vector<std::string>{});
}

}  // namespace
