// The ZIP helpers of TFuncoesIFood.
#include <exception>
#include <stdexcept>

#include "common/TFuncoesIFood.h"
#include "common/ZipArchive.h"
#include "common/platform/Paths.h"

namespace fs = std::filesystem;

int TFuncoesIFood::CriarZipFile(const std::string& FZipFile, const std::string& AFileName) const {
  ZipArchive zip = ZipArchive::OpenForUpdate(platform::InWorkingDir(FZipFile));
  const std::string bareName = fs::path(platform::NormalizeSeparators(AFileName)).filename();
  const std::pair<std::string, std::string> files[] = {{AFileName, bareName},
                                                       {"config.ini", "config.ini"},
                                                       {"configuracao.ini", "configuracao.ini"}};
  for (const auto& [file, entryName] : files) {
    try {
      zip.AddFile(platform::InWorkingDir(file), entryName);
    } catch (...) {
      // The entries added before the unreadable file are kept; the caller sees the read error,
      // not a later failure to write what came before.
      const std::exception_ptr readError = std::current_exception();
      try {
        zip.Close();
      } catch (const std::exception&) {
      }
      std::rethrow_exception(readError);
    }
  }
  zip.Close();
  return 1;
}

int TFuncoesIFood::ZipFileDecompress(const std::string& FZipFile, const std::string& APath) const {
  const fs::path archive = platform::InWorkingDir(FZipFile);
  std::error_code ec;
  if (!fs::is_regular_file(archive, ec)) throw std::runtime_error("Não encontrei: " + FZipFile);
  ZipArchive zip = ZipArchive::OpenForReading(archive);
  zip.ExtractAll(platform::InWorkingDir(APath));
  return 1;
}
