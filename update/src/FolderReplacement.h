#pragma once
// Puts an update archive and its contents into the program folder all or nothing. The archive is
// unpacked into the work folder and checked first (it must hold the executable; an entry that is
// absolute, climbs out with "../" or takes a name the updater keeps for itself refuses the whole
// update). Then each file takes its place by one rename, after its original was kept in the work
// folder (a hard link, or a copy where links are not possible): the archive itself as
// "Backup.zip", the running executable as "Backup.old", the other files, and the new executable
// last. When a step fails, every change is undone in reverse order, so the folder is as before.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class FolderReplacement {
 public:
  // A failure that could not be undone completely: the originals not put back are still in the
  // work folder, which must then be kept. The message names them.
  class IncompleteRollback : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  FolderReplacement(std::filesystem::path pasta, std::filesystem::path trabalho);

  // `arquivo` is the downloaded archive (inside the work folder). Throws naming what failed.
  void Apply(const std::filesystem::path& arquivo);

 private:
  struct Change {
    std::filesystem::path target;
    std::optional<std::filesystem::path> original;  // where the replaced file was kept
  };

  void Unpack(const std::filesystem::path& arquivo, const std::filesystem::path& novo) const;
  void Commit(const std::filesystem::path& arquivo, const std::filesystem::path& novo);
  void Replace(const std::filesystem::path& source, const std::filesystem::path& target);
  void EnsureFolder(const std::filesystem::path& folder);
  std::filesystem::path KeepOriginal(const std::filesystem::path& file);
  // Undoes every change; returns what could not be undone (empty when all was).
  std::string Rollback() noexcept;

  std::filesystem::path FPasta;
  std::filesystem::path FTrabalho;
  std::vector<Change> FChanges;
  std::vector<std::filesystem::path> FCreatedFolders;
  int FKept = 0;
};
