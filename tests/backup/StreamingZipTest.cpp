#include "backup/StreamingZip.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

#include "harness/ChildProcess.h"
#include "harness/Harness.h"

namespace fs = std::filesystem;

namespace {

std::string SampleData(size_t size) {
  // Text-like and random parts, as a database backup holds both.
  std::mt19937 rng(42);
  std::string data;
  data.reserve(size);
  while (data.size() < size) {
    data += "VENDA " + std::to_string(rng() % 100000) + " PÃO DE QUEIJO 12,50;";
    for (int i = 0; i < 16; ++i) data += static_cast<char>(rng() & 0xFF);
  }
  data.resize(size);
  return data;
}

void ExpectUnzipAccepts(const fs::path& zip, const std::string& entry, const std::string& data) {
  std::string out;
  ASSERT_EQ(harness::RunCommand({"/usr/bin/unzip", "-t", zip.string()}, &out), 0) << out;
  ASSERT_EQ(harness::RunCommand({"/usr/bin/unzip", "-p", zip.string(), entry}, &out), 0);
  EXPECT_TRUE(out == data) << "o conteúdo extraído difere do original";
}

TEST(WriteSingleEntryZip, WritesAnArchiveThatUnzipAccepts) {
  harness::ScratchDir scratch;
  struct Case {
    const char* name;
    size_t size;
  } cases[] = {{"vazio", 0}, {"pequeno", 1000}, {"varios-blocos", 5 * 1024 * 1024 + 17}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string data = SampleData(c.size);
    harness::WriteFile(scratch / "Backup_Seguranca_10.fbk", data);
    std::ifstream in(scratch / "Backup_Seguranca_10.fbk", std::ios::binary);
    const fs::path zip = scratch / (std::string(c.name) + ".zip");
    const ZipEntryResult r = WriteSingleEntryZip(
        zip.string() + ".tmp", "Backup_Seguranca_10.fbk",
        TDateTime::FromParts(2026, 12, 10, 10, 0, 0), [&](unsigned char* b, size_t cap) {
          in.read(reinterpret_cast<char*>(b), static_cast<std::streamsize>(cap));
          return static_cast<size_t>(in.gcount());
        });
    EXPECT_EQ(r.UncompressedSize, c.size);
    EXPECT_FALSE(fs::exists(zip));
    PublishFile(zip.string() + ".tmp", zip);
    ExpectUnzipAccepts(zip, "Backup_Seguranca_10.fbk", data);
  }
}

TEST(WriteSingleEntryZip, AFailingSourceLeavesThePreviousArchiveAlone) {
  harness::ScratchDir scratch;
  const fs::path zip = scratch / "Backup_Seguranca_10.zip";
  harness::WriteFile(zip, "arquivo bom anterior");
  int calls = 0;
  EXPECT_THROW(WriteSingleEntryZip(zip.string() + ".tmp", "x.fbk", TDateTime::FromParts(2026, 1, 1),
                                   [&](unsigned char* b, size_t cap) -> size_t {
                                     if (++calls > 2) throw std::runtime_error("leitura falhou");
                                     std::memset(b, 'a', cap);
                                     return cap;
                                   }),
               std::runtime_error);
  EXPECT_EQ(harness::ReadFile(zip), "arquivo bom anterior");
  EXPECT_FALSE(fs::exists(zip.string() + ".tmp"));
}

TEST(GrowingFileReader, FollowsAFileWhileItIsWritten) {
  harness::ScratchDir scratch;
  const fs::path file = scratch / "crescendo.fbk";
  const std::string data = SampleData(3 * 1024 * 1024);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    std::ofstream out(file, std::ios::binary);
    for (size_t at = 0; at < data.size(); at += 100000) {
      out.write(data.data() + at,
                static_cast<std::streamsize>(std::min<size_t>(100000, data.size() - at)));
      out.flush();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    out.close();
    done = true;
  });
  GrowingFileReader reader(file, [&] { return done.load(); });
  const fs::path zip = scratch / "crescendo.zip";
  WriteSingleEntryZip(zip, "crescendo.fbk", TDateTime::FromParts(2026, 1, 1), reader.AsSource());
  writer.join();
  ExpectUnzipAccepts(zip, "crescendo.fbk", data);
}

TEST(GrowingFileReader, AFileThatNeverAppearsFailsOnceTheProducerIsDone) {
  harness::ScratchDir scratch;
  GrowingFileReader reader(scratch / "nunca.fbk", [] { return true; });
  unsigned char b[16];
  EXPECT_THROW(reader.Read(b, sizeof b), std::runtime_error);
}

}  // namespace
