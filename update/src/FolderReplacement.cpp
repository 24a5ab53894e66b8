#include "FolderReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>
#include <utility>

#include "common/ZipArchive.h"
#include "common/platform/Paths.h"
#include "update/UpdateRun.h"

namespace fs = std::filesystem;

namespace {

std::string Errno() { return std::strerror(errno); }

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // best effort: every file written is already on disk
  ::fsync(fd);
  ::close(fd);
}

// An entry's name as a relative path with "/" separators and no "." components.
std::string NormalizedEntry(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  while (name.starts_with("./")) name.erase(0, 2);
  while (!name.empty() && name.back() == '/') name.pop_back();
  return name;
}

// Names the updater works with in the folder; an archive must not bring files of those names.
void RefuseReservedEntries(const ZipArchive& zip) {
  for (const std::string& entry : zip.EntryNames()) {
    const std::string name = NormalizedEntry(entry);
    const std::string first = name.substr(0, name.find('/'));
    if (name == UpdateRun::kExecutavelAnterior || name == UpdateRun::kArquivoAtualizacao ||
        first == UpdateRun::kPastaTrabalho) {
      throw std::runtime_error("Arquivo de atualização recusado: a entrada \"" + entry +
                               "\" tem um nome reservado ao atualizador");
    }
  }
}

}  // namespace

FolderReplacement::FolderReplacement(fs::path pasta, fs::path trabalho)
    : FPasta(std::move(pasta)), FTrabalho(std::move(trabalho)) {}

void FolderReplacement::Apply(const fs::path& arquivo) {
  const fs::path novo = FTrabalho / "novo";
  Unpack(arquivo, novo);
  try {
    Commit(arquivo, novo);
  } catch (const std::exception& e) {
    const std::string pending = Rollback();
    if (!pending.empty()) {
      throw IncompleteRollback(std::string(e.what()) + "; não foi possível desfazer: " + pending +
                               " (os originais estão em " + FTrabalho.string() + ")");
    }
    throw;
  }
  // Every rename is in the folders' entries now.
  std::set<fs::path> folders{FPasta};
  for (const Change& c : FChanges) folders.insert(c.target.parent_path());
  for (const fs::path& folder : folders) SyncFolder(folder);
}

void FolderReplacement::Unpack(const fs::path& arquivo, const fs::path& novo) const {
  fs::remove_all(novo);
  fs::create_directories(novo);
  {
    const ZipArchive zip = ZipArchive::OpenForReading(arquivo);
    RefuseReservedEntries(zip);
    // Refuses absolute names and "../" before writing anything, and checks every entry's data.
    zip.ExtractAll(novo);
  }
  const fs::path executavel = novo / platform::kExecutableName;
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(executavel, ec))) {
    throw std::runtime_error("O arquivo de atualização não contém o executável " +
                             std::string(platform::kExecutableName));
  }
  // Archives made elsewhere may carry no permissions; the program must start all the same.
  const fs::perms mode = fs::status(executavel).permissions();
  fs::perms exec = fs::perms::owner_exec;
  if ((mode & fs::perms::group_read) != fs::perms::none) exec |= fs::perms::group_exec;
  if ((mode & fs::perms::others_read) != fs::perms::none) exec |= fs::perms::others_exec;
  fs::permissions(executavel, exec, fs::perm_options::add);
}

void FolderReplacement::Commit(const fs::path& arquivo, const fs::path& novo) {
  const fs::path executavel = FPasta / platform::kExecutableName;
  std::error_code ec;
  const fs::file_status atual = fs::symlink_status(executavel, ec);

  Replace(arquivo, FPasta / UpdateRun::kArquivoAtualizacao);
  // The running executable stays where it is until the new one replaces it in one rename, so
  // the folder holds a program that starts at every moment; "Backup.old" is a second name for it.
  if (fs::exists(atual) && !fs::is_directory(atual)) {
    Replace(KeepOriginal(executavel), FPasta / UpdateRun::kExecutavelAnterior);
  }

  std::vector<fs::path> entries;
  for (fs::recursive_directory_iterator it(novo), end; it != end; ++it) {
    entries.push_back(fs::relative(it->path(), novo));
  }
  // Folders come before the files in them.
  std::sort(entries.begin(), entries.end());
  for (const fs::path& rel : entries) {
    if (rel == platform::kExecutableName) continue;
    const fs::path source = novo / rel;
    if (fs::is_directory(fs::symlink_status(source))) {
      EnsureFolder(FPasta / rel);
    } else {
      Replace(source, FPasta / rel);
    }
  }
  Replace(novo / platform::kExecutableName, executavel);
}

void FolderReplacement::Replace(const fs::path& source, const fs::path& target) {
  EnsureFolder(target.parent_path());
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(target, ec);
  std::optional<fs::path> original;
  if (fs::exists(st)) {
    if (fs::is_directory(st)) {
      throw std::runtime_error("Não foi possível substituir " + target.string() +
                               ": existe uma pasta com esse nome");
    }
    original = KeepOriginal(target);
  }
  if (::rename(source.c_str(), target.c_str()) != 0) {
    const std::string why = Errno();
    if (original) fs::remove(*original, ec);  // the target was not touched
    throw std::runtime_error("Não foi possível substituir " + target.string() + ": " + why);
  }
  FChanges.push_back({target, std::move(original)});
}

void FolderReplacement::EnsureFolder(const fs::path& folder) {
  const fs::path rel = fs::relative(folder, FPasta);
  fs::path current = FPasta;
  for (const fs::path& part : rel) {
    if (part == ".") continue;
    current /= part;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(current, ec);
    if (fs::is_symlink(st)) {
      // Writing through it could land outside the program folder.
      throw std::runtime_error("Não foi possível atualizar " + current.string() +
                               ": é um link simbólico");
    }
    if (fs::is_directory(st)) continue;
    if (fs::exists(st)) {
      throw std::runtime_error("Não foi possível criar a pasta " + current.string() +
                               ": existe um arquivo com esse nome");
    }
    if (::mkdir(current.c_str(), 0755) != 0) {
      throw std::runtime_error("Não foi possível criar a pasta " + current.string() + ": " +
                               Errno());
    }
    FCreatedFolders.push_back(current);
  }
}

fs::path FolderReplacement::KeepOriginal(const fs::path& file) {
  const fs::path anterior = FTrabalho / "anterior";
  fs::create_directories(anterior);
  fs::path kept = anterior / std::to_string(FKept++);
  // A second name costs nothing and keeps the very file; a copy where the file system (or the
  // file's attributes) allow no link.
  if (::link(file.c_str(), kept.c_str()) == 0) return kept;
  const std::string linkError = Errno();
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(file, ec))) {
    fs::copy_symlink(file, kept, ec);
  } else {
    fs::copy_file(file, kept, ec);
  }
  if (ec) {
    throw std::runtime_error("Não foi possível guardar " + file.string() + ": " + linkError + "; " +
                             ec.message());
  }
  return kept;
}

std::string FolderReplacement::Rollback() noexcept {
  std::string pending;
  try {
    for (auto it = FChanges.rbegin(); it != FChanges.rend(); ++it) {
      std::error_code ec;
      if (it->original) {
        if (::rename(it->original->c_str(), it->target.c_str()) != 0)
          ec.assign(errno, std::generic_category());
      } else {
        fs::remove(it->target, ec);
      }
      if (ec) {
        if (!pending.empty()) pending += ", ";
        pending += it->target.string() + " (" + ec.message() + ")";
      }
    }
    FChanges.clear();
    for (auto it = FCreatedFolders.rbegin(); it != FCreatedFolders.rend(); ++it) {
      std::error_code ec;
      fs::remove(*it, ec);  // left in place when something could not be taken out of it
    }
    FCreatedFolders.clear();
  } catch (...) {
    if (pending.empty()) pending = "erro desconhecido";
  }
  return pending;
}
