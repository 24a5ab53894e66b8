#include "common/ZipArchive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <sstream>

#include "ZipTestSupport.h"
#include "harness/ChildProcess.h"
#include "harness/Harness.h"

using harness::ReadFile;
using harness::ScratchDir;
using harness::WriteFile;
using ziptest::Tree;
using ziptest::UnzipEntry;
using ziptest::UnzipTest;
namespace fs = std::filesystem;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(gen() & 0xFF);
  return out;
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  ScratchDir scratch;

  // An archive holding the given entries (name -> content), written by our own writer.
  fs::path MakeArchive(const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& entries) {
    fs::path archive = scratch / name;
    ZipArchive zip = ZipArchive::Create(archive);
    int i = 0;
    for (const auto& [entry, content] : entries) {
      const fs::path source = scratch / ("fonte" + std::to_string(i++));
      WriteFile(source, content);
      zip.AddFile(source, entry);
    }
    zip.Close();
    return archive;
  }
};

TEST_F(ZipArchiveTest, WritesAnArchiveThatUnzipAcceptsWithTheSourceBytes) {
  const std::string binary = RandomBytes(3 * 1024 * 1024 + 17, 1);
  const std::string text(200000, 'a');
  WriteFile(scratch / "dados.bin", binary);
  WriteFile(scratch / "texto.txt", text);
  ZipArchive zip = ZipArchive::Create(scratch / "saida.zip");
  zip.AddFile(scratch / "dados.bin", "dados.bin");
  zip.AddFile(scratch / "texto.txt", "pasta/texto ação.txt");
  zip.Close();

  const auto test = UnzipTest(scratch / "saida.zip");
  EXPECT_EQ(test.exitCode, 0) << test.output;
  EXPECT_EQ(UnzipEntry(scratch / "saida.zip", "dados.bin"), binary);
  EXPECT_EQ(UnzipEntry(scratch / "saida.zip", "pasta/texto ação.txt"), text);
  // The text is deflated to a fraction of its size; the random bytes, which deflate cannot
  // shrink, are stored rather than compressed for nothing.
  EXPECT_LT(fs::file_size(scratch / "saida.zip"), binary.size() + text.size() / 10);
  std::string listing;
  ASSERT_EQ(harness::RunCommand({"/usr/bin/unzip", "-v", (scratch / "saida.zip").string()}, &listing), 0);
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (line.ends_with("dados.bin")) {
      EXPECT_NE(line.find("Stored"), std::string::npos) << line;
    }
    if (line.ends_with("texto ação.txt")) {
      EXPECT_NE(line.find("Defl"), std::string::npos) << line;
    }
  }
  EXPECT_NE(listing.find("Stored"), std::string::npos) << listing;
  EXPECT_EQ(ZipArchive::OpenForReading(scratch / "saida.zip").EntryNames(),
            (std::vector<std::string>{"dados.bin", "pasta/texto ação.txt"}));
}

TEST_F(ZipArchiveTest, CreateReplacesAnExistingFileOnlyWhenClosed) {
  WriteFile(scratch / "velho.zip", "conteúdo anterior");
  WriteFile(scratch / "a.txt", "A");
  for (auto commit : {ZipArchive::Commit::Normal, ZipArchive::Commit::Durable}) {
    {
      // Not closed: discarded, the old file stays and nothing else is left behind.
      ZipArchive zip = ZipArchive::Create(scratch / "velho.zip", commit);
      zip.AddFile(scratch / "a.txt", "a.txt");
    }
    EXPECT_EQ(ReadFile(scratch / "velho.zip"), "conteúdo anterior");
    EXPECT_EQ(Tree(scratch.Path()), (std::set<std::string>{"a.txt", "velho.zip"}));
  }

  ZipArchive zip = ZipArchive::Create(scratch / "velho.zip", ZipArchive::Commit::Durable);
  zip.AddFile(scratch / "a.txt", "a.txt");
  EXPECT_EQ(ReadFile(scratch / "velho.zip"), "conteúdo anterior");
  zip.Close();
  zip.Close();  // a second close does nothing
  EXPECT_EQ(UnzipEntry(scratch / "velho.zip", "a.txt"), "A");
  EXPECT_EQ(Tree(scratch.Path()), (std::set<std::string>{"a.txt", "velho.zip"}));
}

TEST_F(ZipArchiveTest, UpdateKeepsOtherEntriesAndReplacesOneOfTheSameName) {
  WriteFile(scratch / "um.txt", "um");
  WriteFile(scratch / "dois.txt", "dois");
  const auto made =
      ziptest::Run("cd " + ziptest::Quoted(scratch.Path()) + " && zip -q arq.zip um.txt dois.txt");
  ASSERT_EQ(made.exitCode, 0) << made.output;

  WriteFile(scratch / "novo_um.txt", "um, segunda versão");
  WriteFile(scratch / "tres.txt", "três");
  ZipArchive zip = ZipArchive::OpenForUpdate(scratch / "arq.zip");
  zip.AddFile(scratch / "novo_um.txt", "um.txt");
  zip.AddFile(scratch / "tres.txt", "tres.txt");
  zip.Close();

  EXPECT_EQ(UnzipTest(scratch / "arq.zip").exitCode, 0);
  EXPECT_EQ(ZipArchive::OpenForReading(scratch / "arq.zip").EntryNames(),
            (std::vector<std::string>{"um.txt", "dois.txt", "tres.txt"}));
  EXPECT_EQ(UnzipEntry(scratch / "arq.zip", "um.txt"), "um, segunda versão");
  EXPECT_EQ(UnzipEntry(scratch / "arq.zip", "dois.txt"), "dois");
}

TEST_F(ZipArchiveTest, OpeningSomethingThatIsNoArchiveFailsNamingIt) {
  WriteFile(scratch / "texto.zip",
            "isto não é um zip, só texto suficiente para parecer um arquivo");
  for (auto open : {&ZipArchive::OpenForUpdate, &ZipArchive::OpenForReading}) {
    try {
      (void)open(scratch / "texto.zip");
      ADD_FAILURE() << "abriu um arquivo que não é ZIP";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("texto.zip"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW((void)ZipArchive::OpenForReading(scratch / "nao_existe.zip"), std::runtime_error);
}

TEST_F(ZipArchiveTest, AddingAnUnreadableFileFailsAtOnceNamingIt) {
  ZipArchive zip = ZipArchive::Create(scratch / "saida.zip");
  try {
    zip.AddFile(scratch / "sumiu.bak", "sumiu.bak");
    FAIL() << "aceitou um arquivo inexistente";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("sumiu.bak"), std::string::npos) << e.what();
  }
  fs::create_directory(scratch / "pasta");
  EXPECT_THROW(zip.AddFile(scratch / "pasta", "pasta"), std::runtime_error);
}

TEST_F(ZipArchiveTest, ManyEntriesGetZip64RecordsThatUnzipReads) {
  // Over 65,535 entries needs the Zip64 end records, as sizes over 4 GiB do, at small cost.
  WriteFile(scratch / "x.txt", "x");
  ZipArchive zip = ZipArchive::Create(scratch / "muitos.zip");
  constexpr int kEntries = 70000;
  for (int i = 0; i < kEntries; ++i) zip.AddFile(scratch / "x.txt", "e" + std::to_string(i));
  zip.Close();
  EXPECT_NE(ReadFile(scratch / "muitos.zip").find(std::string("PK\x06\x06", 4)), std::string::npos)
      << "sem o registro final Zip64";
  EXPECT_EQ(ZipArchive::OpenForReading(scratch / "muitos.zip").EntryNames().size(),
            static_cast<size_t>(kEntries));
  const auto test = UnzipTest(scratch / "muitos.zip");
  EXPECT_EQ(test.exitCode, 0) << test.output.substr(
      test.output.size() > 500 ? test.output.size() - 500 : 0);
}

TEST_F(ZipArchiveTest, ExtractsEveryEntryReplacingFilesAndKeepingUnixPermissions) {
  WriteFile(scratch / "Backup", "#!/bin/sh\necho novo\n");
  fs::permissions(scratch / "Backup", fs::perms(0755));
  WriteFile(scratch / "leia.txt", "leia");
  ZipArchive zip = ZipArchive::Create(scratch / "Backup.zip");
  zip.AddFile(scratch / "Backup", "Backup");
  zip.AddFile(scratch / "leia.txt", "docs/sub/leia.txt");
  zip.Close();

  const fs::path dest = scratch / "destino";
  WriteFile(dest / "Backup", "versão antiga");
  WriteFile(dest / "outro.txt", "fica");
  ZipArchive::OpenForReading(scratch / "Backup.zip").ExtractAll(dest);

  EXPECT_EQ(ReadFile(dest / "Backup"), "#!/bin/sh\necho novo\n");
  EXPECT_EQ(ReadFile(dest / "docs/sub/leia.txt"), "leia");
  EXPECT_EQ(ReadFile(dest / "outro.txt"), "fica");
  EXPECT_EQ(fs::status(dest / "Backup").permissions() & fs::perms::all, fs::perms(0755));
  EXPECT_EQ(Tree(dest), (std::set<std::string>{"Backup", "docs", "docs/sub", "docs/sub/leia.txt",
                                               "outro.txt"}));
}

TEST_F(ZipArchiveTest, RefusesEntriesThatLeaveTheFolderBeforeWritingAnything) {
  struct Case {
    std::string entry;
  } cases[] = {{"../fora.txt"}, {"a/../../fora.txt"}, {"/tmp/absoluto.txt"},
               {"C:/fora.txt"}, {"..\\fora.txt"},     {"a\\..\\..\\fora.txt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    // A harmless entry first: it must not be written either.
    const fs::path archive = MakeArchive("mau.zip", {{"ok.txt", "ok"}, {c.entry, "malicioso"}});
    const fs::path dest = scratch / "dentro" / "destino";
    fs::create_directories(dest);
    try {
      ZipArchive::OpenForReading(archive).ExtractAll(dest);
      ADD_FAILURE() << "extraiu " << c.entry;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.entry), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Tree(dest).empty());
    EXPECT_FALSE(fs::exists(scratch / "dentro" / "fora.txt"));
    EXPECT_FALSE(fs::exists(scratch / "fora.txt"));
    EXPECT_FALSE(fs::exists("/tmp/absoluto.txt"));
  }
}

TEST_F(ZipArchiveTest, RefusesLinksAndFoldersThatAreLinks) {
  // A link entry followed by a file through it is the other way out of the folder.
  fs::create_directories(scratch / "fonte");
  fs::create_directory_symlink("/tmp", scratch / "fonte" / "atalho");
  const auto made =
      ziptest::Run("cd " + ziptest::Quoted(scratch / "fonte") + " && zip -q -y ../link.zip atalho");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const fs::path dest = scratch / "destino";
  EXPECT_THROW(ZipArchive::OpenForReading(scratch / "link.zip").ExtractAll(dest),
               std::runtime_error);
  EXPECT_TRUE(Tree(dest).empty());

  const fs::path archive = MakeArchive("pela_pasta.zip", {{"atalho/escapou.txt", "x"}});
  fs::create_directories(dest);
  fs::create_directory_symlink(scratch / "fonte", dest / "atalho");
  EXPECT_THROW(ZipArchive::OpenForReading(archive).ExtractAll(dest), std::runtime_error);
  EXPECT_FALSE(fs::exists(scratch / "fonte" / "escapou.txt"));
}

TEST_F(ZipArchiveTest, TruncatedOrDamagedArchivesFailAndLeaveTheFolderAsItWas) {
  const std::string big = RandomBytes(400000, 7);
  const fs::path archive =
      MakeArchive("bom.zip", {{"primeiro.txt", "primeiro"}, {"grande.bin", big}});
  const std::string bytes = ReadFile(archive);

  const fs::path dest = scratch / "destino";
  WriteFile(dest / "primeiro.txt", "anterior");
  const auto expectRefused = [&](const std::string& content) {
    WriteFile(scratch / "ruim.zip", content);
    try {
      ZipArchive::OpenForReading(scratch / "ruim.zip").ExtractAll(dest);
      ADD_FAILURE() << "extraiu um arquivo danificado";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("ruim.zip"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Tree(dest), std::set<std::string>{"primeiro.txt"});
    EXPECT_EQ(ReadFile(dest / "primeiro.txt"), "anterior");
  };
  {
    SCOPED_TRACE("cortado pela metade");
    expectRefused(bytes.substr(0, bytes.size() / 2));
  }
  {
    SCOPED_TRACE("sem os últimos bytes");
    expectRefused(bytes.substr(0, bytes.size() - 10));
  }
  {
    SCOPED_TRACE("dados do segundo arquivo alterados");
    std::string damaged = bytes;
    for (size_t i = 0; i < 64; ++i) damaged[bytes.size() / 2 + i] ^= 0x5A;
    expectRefused(damaged);
  }
}

TEST_F(ZipArchiveTest, EncryptedArchivesFailClearlyWithoutWritingAnything) {
  WriteFile(scratch / "segredo.txt", "segredo");
  WriteFile(scratch / "livre.txt", "livre");
  const auto made = ziptest::Run("cd " + ziptest::Quoted(scratch.Path()) +
                                 " && zip -q -P senha cripto.zip livre.txt segredo.txt");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const fs::path dest = scratch / "destino";
  try {
    ZipArchive::OpenForReading(scratch / "cripto.zip").ExtractAll(dest);
    FAIL() << "extraiu um arquivo protegido por senha";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("protegida por senha"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(Tree(dest).empty());
}

}  // namespace
