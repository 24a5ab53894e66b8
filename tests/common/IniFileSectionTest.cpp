// Listing and deleting keys, which the key store builds on.
#include <gtest/gtest.h>

#include "common/IniFile.h"
#include "harness/Harness.h"

using harness::ReadFile;
using harness::ScratchDir;
using harness::WriteFile;
namespace fs = std::filesystem;

namespace {

TEST(IniFile, ReadSectionListsKeysAndDeleteKeyRemovesOneLine) {
  ScratchDir scratch;
  const fs::path file = scratch / "x.ini";
  WriteFile(file, "; comentário\r\n[A]\r\num=1\r\n; nota\r\nDois = 2\r\n\r\n[B]\r\ntres=3\r\n");
  IniFile ini(file);
  EXPECT_EQ(ini.ReadSection("a"), (std::vector<std::string>{"um", "Dois"}));
  EXPECT_EQ(ini.ReadSection("Nada"), std::vector<std::string>{});
  ini.DeleteKey("A", "dois");
  EXPECT_EQ(ReadFile(file), "; comentário\r\n[A]\r\num=1\r\n; nota\r\n\r\n[B]\r\ntres=3\r\n");
  ini.DeleteKey("A", "nada");
  ini.DeleteKey("Nada", "um");
  EXPECT_EQ(ReadFile(file), "; comentário\r\n[A]\r\num=1\r\n; nota\r\n\r\n[B]\r\ntres=3\r\n");
  IniFile missing(scratch / "nao_existe.ini");
  missing.DeleteKey("A", "um");
  EXPECT_FALSE(fs::exists(scratch / "nao_existe.ini"));
}

}  // namespace
