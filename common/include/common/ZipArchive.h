#pragma once
// ZIP archives for the backups and the updater.
//
// Writing: Create() a new archive or OpenForUpdate() an existing one, AddFile() each file under
// its entry name, then Close(), which writes the archive. Files are read from disk only while
// Close() writes (never held in memory; sizes past 4 GiB get Zip64 records), so they must stay
// readable until then. The archive is written beside its file and renamed over it when complete,
// so its name never shows a half-written archive; an archive destroyed without a successful
// Close() is discarded and the file on disk stays as it was.
//
// Reading: OpenForReading(), EntryNames(), ExtractAll(folder).

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class ZipArchive {
 public:
  enum class Commit {
    Normal,
    // Also flushed to disk before and after taking its name, so that after a power cut the name
    // holds the previous file or the complete new archive.
    Durable,
  };

  // A new, empty archive; Close() replaces any file of that name. An archive closed without
  // entries is no file at all (an existing one is removed).
  [[nodiscard]] static ZipArchive Create(const std::filesystem::path& file,
                                         Commit commit = Commit::Normal);
  // The existing archive, or a new one when the file is missing. Throws when the file exists and
  // is not a readable ZIP archive.
  [[nodiscard]] static ZipArchive OpenForUpdate(const std::filesystem::path& file);
  [[nodiscard]] static ZipArchive OpenForReading(const std::filesystem::path& file);

  ZipArchive(ZipArchive&&) noexcept;
  ZipArchive& operator=(ZipArchive&&) noexcept;
  ~ZipArchive();

  // Adds the file under entryName, deflated, or stored when its data is compressed already (a
  // custom-format dump, an archive); an entry of that name already in the archive is replaced, so
  // names stay unique. Throws naming the file when it cannot be read.
  void AddFile(const std::filesystem::path& source, const std::string& entryName);

  [[nodiscard]] std::vector<std::string> EntryNames() const;

  // Extracts every entry under folder (created when missing), replacing files of the same names.
  // Checks first and writes nothing when an entry's name is absolute or climbs out of the folder,
  // an entry is encrypted, a link, or packed by an unknown method. Each file is written beside its
  // place and all take their names only after every entry was read intact, so a damaged or
  // truncated archive leaves the folder as it was.
  void ExtractAll(const std::filesystem::path& folder) const;

  // Writes the archive (nothing to do for one opened for reading). Throws when it can't be
  // written; the archive is then discarded by the destructor. Closing twice does nothing.
  void Close();

 private:
  struct State;
  explicit ZipArchive(std::unique_ptr<State> state);
  std::unique_ptr<State> FState;
};
