#include <gtest/gtest.h>

#include <thread>

#include "common/DelphiFormat.h"
#include "common/TFuncoesIFood.h"
#include "harness/Harness.h"

using harness::ManualClock;
using harness::ReadLines;
using harness::ScratchDir;
namespace fs = std::filesystem;

namespace {

class GravarLogTest : public ::testing::Test {
 protected:
  ScratchDir scratch;
  ManualClock clock{TDateTime::FromParts(2026, 12, 10, 14, 5, 9)};
  TFuncoesIFood funcoes{&clock};

  fs::path Today(const std::string& dir = "") const {
    return scratch.Path() / "LOGS" / dir / (FormatDateTime("yyyy-mm-dd", clock.Now()) + ".txt");
  }
};

TEST_F(GravarLogTest, WritesStampedLinesIntoTheServiceFolderOfTheDay) {
  funcoes.GravarLog("primeira", "IFOOD\\");
  clock.Advance(std::chrono::seconds(61));
  funcoes.GravarLog("segunda", "IFOOD\\");
  funcoes.GravarLog("raiz");

  EXPECT_EQ(harness::ReadFile(Today("IFOOD")),
            "2026-12-10 14:05:09 - primeira\r\n2026-12-10 14:06:10 - segunda\r\n");
  EXPECT_EQ(ReadLines(Today()), std::vector<std::string>{"2026-12-10 14:06:10 - raiz"});
}

TEST_F(GravarLogTest, EmptyAndMultiLineMessagesAreWrittenUnchanged) {
  funcoes.GravarLog("");
  funcoes.GravarLog("Não\r\nsegunda linha");
  EXPECT_EQ(harness::ReadFile(Today()), "\r\n2026-12-10 14:05:09 - Não\r\nsegunda linha\r\n");
}

TEST_F(GravarLogTest, ANewDayStartsANewFile) {
  funcoes.GravarLog("hoje");
  clock.Advance(std::chrono::hours(10));
  funcoes.GravarLog("amanhã");
  EXPECT_TRUE(fs::exists(scratch / "LOGS/2026-12-10.txt"));
  EXPECT_EQ(ReadLines(scratch / "LOGS/2026-12-11.txt"),
            std::vector<std::string>{"2026-12-11 00:05:09 - amanhã"});
}

TEST_F(GravarLogTest, PurgesTxtAndLogFilesTenDaysOldButNothingElse) {
  const fs::path folder = scratch / "LOGS" / "SITE";
  struct Case {
    std::string name;
    TDateTime written;
    bool survives;
  } cases[] = {
      {"dez_dias.txt", TDateTime::FromParts(2026, 11, 30, 23, 59, 0), false},
      {"dez_dias.LOG", TDateTime::FromParts(2026, 11, 30, 0, 0, 0), false},
      {"nove_dias.txt", TDateTime::FromParts(2026, 12, 1, 0, 0, 0), true},
      {"antigo.json", TDateTime::FromParts(2026, 1, 1), true},
      {"antigo.txt.bak", TDateTime::FromParts(2026, 1, 1), true},
  };
  for (const Case& c : cases) {
    harness::WriteFile(folder / c.name, "x");
    harness::SetLastWrite(folder / c.name, c.written);
  }
  funcoes.GravarLog("linha", "SITE\\");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fs::exists(folder / c.name), c.survives);
  }
}

TEST_F(GravarLogTest, AFileComesOfAgeAtMidnightStartingTheTenthDay) {
  const fs::path folder = scratch / "LOGS";
  harness::WriteFile(folder / "velho.txt", "x");
  harness::SetLastWrite(folder / "velho.txt", TDateTime::FromParts(2026, 12, 1, 8, 0, 0));
  clock.Set(TDateTime::FromParts(2026, 12, 10, 23, 59, 59));
  funcoes.GravarLog("antes da meia-noite");
  EXPECT_TRUE(fs::exists(folder / "velho.txt"));
  clock.Set(TDateTime::FromParts(2026, 12, 11, 0, 0, 0));
  funcoes.GravarLog("meia-noite");
  EXPECT_FALSE(fs::exists(folder / "velho.txt"));
}

TEST_F(GravarLogTest, LogsAndLOGSNameOneFolder) {
  fs::create_directories(scratch / "Logs" / "IFOOD");
  funcoes.GravarLog("linha", "IFOOD\\");
  EXPECT_FALSE(fs::exists(scratch / "LOGS"));
  EXPECT_TRUE(fs::exists(scratch / "Logs" / "IFOOD" / "2026-12-10.txt"));
}

TEST_F(GravarLogTest, NeverThrowsWhenTheFolderCannotBeMade) {
  harness::WriteFile(scratch / "LOGS", "um arquivo no lugar da pasta");
  EXPECT_NO_THROW(funcoes.GravarLog("perdida", "BKP\\"));
  EXPECT_NO_THROW(funcoes.GravarLog("perdida"));
}

TEST_F(GravarLogTest, AFailedLineLeavesAnErrorRecordBesideTheLog) {
  // The day's file is a folder: the append fails.
  fs::create_directories(Today("BKP"));
  funcoes.GravarLog("linha perdida", "BKP\\");
  const fs::path record = scratch / "LOGS/BKP/ERRO/2026-12-10 14-05-09.txt";
  ASSERT_TRUE(fs::exists(record));
  EXPECT_NE(harness::ReadFile(record).find("linha perdida"), std::string::npos);
}

TEST_F(GravarLogTest, TwoThreadsLoseNoLineAndNeverInterleave) {
  constexpr int kLines = 10000;
  auto writer = [this](const std::string& who) {
    for (int i = 0; i < kLines; ++i) funcoes.GravarLog(who + " " + std::to_string(i), "VENDAS\\");
  };
  std::thread a(writer, "thread-a");
  std::thread b(writer, "thread-b");
  a.join();
  b.join();
  const auto lines = ReadLines(Today("VENDAS"));
  ASSERT_EQ(lines.size(), 2u * kLines);
  int nextA = 0, nextB = 0;
  for (const std::string& line : lines) {
    const std::string text = line.substr(std::string("2026-12-10 14:05:09 - ").size());
    if (text.rfind("thread-a ", 0) == 0) {
      EXPECT_EQ(text, "thread-a " + std::to_string(nextA++));
    } else {
      EXPECT_EQ(text, "thread-b " + std::to_string(nextB++));
    }
  }
  EXPECT_EQ(nextA, kLines);
  EXPECT_EQ(nextB, kLines);
}

class TFuncoesIFoodFilesTest : public GravarLogTest {};

TEST_F(TFuncoesIFoodFilesTest, GravarArquivoReplacesTheRecordOfTheDay) {
  funcoes.GravarArquivo("pedido 1", "primeiro", "IFOOD\\");
  funcoes.GravarArquivo("pedido 1", "segundo", "IFOOD\\");
  EXPECT_EQ(harness::ReadFile(scratch / "Pedidos/IFOOD/10-12-2026/pedido 1.txt"), "segundo\r\n");
}

TEST_F(TFuncoesIFoodFilesTest, DeleteFileOldSkipsWhatItCannotReadAndGoesOn) {
  fs::create_directories(scratch / "BKP_FTP");
  harness::WriteFile(scratch / "BKP_FTP/velho.zip", "x");
  harness::SetLastWrite(scratch / "BKP_FTP/velho.zip", TDateTime::FromParts(2026, 12, 8, 10, 0, 0));
  harness::WriteFile(scratch / "BKP_FTP/novo.zip", "x");
  harness::SetLastWrite(scratch / "BKP_FTP/novo.zip", TDateTime::FromParts(2026, 12, 9, 10, 0, 0));
  fs::create_symlink(scratch / "nao-existe.zip", scratch / "BKP_FTP/quebrado.zip");
  EXPECT_NO_THROW(funcoes.DeleteFileOld("BKP_FTP\\", 2, "zip"));
  EXPECT_FALSE(fs::exists(scratch / "BKP_FTP/velho.zip"));
  EXPECT_TRUE(fs::exists(scratch / "BKP_FTP/novo.zip"));
}

TEST_F(TFuncoesIFoodFilesTest, ListarArquivosFiltersBySuffixAndSkipsFolders) {
  harness::WriteFile(scratch / "troca/loja1CAT.json", "{}");
  harness::WriteFile(scratch / "troca/loja1MAT.json", "{}");
  fs::create_directories(scratch / "troca/subCAT.json");
  EXPECT_EQ(funcoes.ListarArquivos("troca", false, "CAT"),
            std::vector<std::string>{"loja1CAT.json"});
  EXPECT_EQ(funcoes.ListarArquivos("troca", false, "").size(), 2u);
  EXPECT_TRUE(funcoes.ListarArquivos("nao-existe", false, "").empty());
}

TEST_F(TFuncoesIFoodFilesTest, GetFileDateUsesTheShortDateFormat) {
  harness::WriteFile(scratch / "a.txt", "x");
  harness::SetLastWrite(scratch / "a.txt", TDateTime::FromParts(2024, 2, 3, 10, 0, 0));
  EXPECT_EQ(funcoes.GetFileDate("a.txt"), "03/02/2024");
  EXPECT_THROW((void)funcoes.GetFileDate("nao-existe.txt"), std::runtime_error);
}

TEST_F(TFuncoesIFoodFilesTest, PossuiAcessoAPastaTellsWritableFolders) {
  EXPECT_TRUE(TFuncoesIFood::PossuiAcessoAPasta(scratch.Path().string()));
  EXPECT_FALSE(fs::exists(scratch / "Teste.txt"));
  EXPECT_FALSE(TFuncoesIFood::PossuiAcessoAPasta((scratch / "nao-existe").string()));
  harness::WriteFile(scratch / "arquivo", "x");
  EXPECT_FALSE(TFuncoesIFood::PossuiAcessoAPasta((scratch / "arquivo").string()));
}

}  // namespace
