#pragma once
// A ZIP archive of one file, compressed with a fast Deflate (Intel ISA-L, level 3) while the file is read,
// so a backup can be compressed as the server writes it. The archive is standard (Deflate, Zip64
// sizes), accepted by unzip and by libzip. Write it under a temporary name and rename it into
// place when it may be published (PublishFile), so a half-made archive is never taken for a good
// one.
//
//   GrowingFileReader reader(fbk, [&] { return backupFinished; });
//   WriteSingleEntryZip(zipPath + ".tmp", "Backup_Seguranca_10.fbk", modified, reader.AsSource());

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "common/DateTime.h"

// Fills buf with up to cap bytes; returns 0 at the end of the data. Throws on failure.
using ZipSource = std::function<size_t(unsigned char* buf, size_t cap)>;

struct ZipEntryResult {
  std::uint64_t UncompressedSize = 0;
  std::uint64_t CompressedSize = 0;
  std::uint32_t Crc32 = 0;
};

// Writes the archive file with one entry named entryName and syncs it to disk. On any failure
// the file is removed and the error is thrown.
ZipEntryResult WriteSingleEntryZip(const std::filesystem::path& archive,
                                   const std::string& entryName, const TDateTime& modified,
                                   const ZipSource& source);

// Reads a file that another process may still be writing. At the end of what is there it waits
// for more while producerDone() is false; once it is true, what remains is read and the end is
// reported. Waiting for the file to appear is bounded by the producer too.
// Renames a finished file over its final name (atomic on one file system).
void PublishFile(const std::filesystem::path& from, const std::filesystem::path& to);

class GrowingFileReader {
 public:
  GrowingFileReader(std::filesystem::path file, std::function<bool()> producerDone);
  ~GrowingFileReader();
  GrowingFileReader(const GrowingFileReader&) = delete;
  GrowingFileReader& operator=(const GrowingFileReader&) = delete;

  size_t Read(unsigned char* buf, size_t cap);
  ZipSource AsSource() {
    return [this](unsigned char* b, size_t c) { return Read(b, c); };
  }

 private:
  std::filesystem::path FFile;
  std::function<bool()> FProducerDone;
  int FFd = -1;
};
