// The log writer and the file housekeeping of TFuncoesIFood.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "common/DelphiFormat.h"
#include "common/DeploymentSettings.h"
#include "common/TFuncoesIFood.h"
#include "common/platform/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLogRetentionDays = 10;

// Per log folder: a lock that serialises this process's writers, and what the last purge learnt,
// so a line costs one stat of the folder instead of two scans of it. The folder is scanned again
// when its entries change (its mtime moves), or when the oldest file it holds comes of age.
struct FolderState {
  std::mutex Lock;
  bool Scanned = false;
  struct timespec DirMtime {};
  TDateTime NextDeadline;
};

std::mutex gFoldersMutex;
std::map<std::string, std::unique_ptr<FolderState>> gFolders;

FolderState& StateFor(const fs::path& folder) {
  std::lock_guard lock(gFoldersMutex);
  auto& slot = gFolders[folder.string()];
  if (!slot) slot = std::make_unique<FolderState>();
  return *slot;
}

std::optional<struct timespec> DirMtime(const fs::path& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return std::nullopt;
  return st.st_mtim;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool HasExtension(const std::string& name, const std::string& ext) {
  const std::string suffix = "." + ext;
  return name.size() > suffix.size() &&
         platform::SameNameIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

// The local calendar day of the file's last write, if it can be read.
std::optional<TDateTime> LastWriteDay(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return TDateTime::FromLocalTimeT(st.st_mtim.tv_sec).DatePart();
}

// Deletes the old files of one extension; returns the earliest moment at which a remaining
// file of that extension comes of age.
std::optional<TDateTime> PurgeFolder(const fs::path& folder, int days, const std::string& ext,
                                     const TDateTime& now) {
  std::optional<TDateTime> next;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!HasExtension(name, ext)) continue;
    const auto day = LastWriteDay(it->path());
    if (!day) continue;  // missing or unreadable: skipped, the others still get their turn
    const TDateTime deadline = day->AddDays(days);
    if (now >= deadline) {
      std::error_code removeEc;
      fs::remove(it->path(), removeEc);  // the outcome is ignored, as the housekeeping always did
    } else if (!next || deadline < *next) {
      next = deadline;
    }
  }
  return next;
}

void PurgeLogFolderIfDue(FolderState& state, const fs::path& folder, const TDateTime& now) {
  const auto mtime = DirMtime(folder);
  if (state.Scanned && mtime && SameTime(*mtime, state.DirMtime) && now < state.NextDeadline) {
    return;
  }
  TDateTime next = now.AddDays(kLogRetentionDays + 1);
  for (const char* ext : {"txt", "log"}) {
    if (auto n = PurgeFolder(folder, kLogRetentionDays, ext, now); n && *n < next) next = *n;
  }
  state.NextDeadline = next;
  const auto after = DirMtime(folder);
  state.Scanned = after.has_value();
  if (after) state.DirMtime = *after;
}

// Appends text with a single write, so lines from several writers never interleave.
void AppendAll(const fs::path& file, const std::string& text) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    throw std::runtime_error("Não foi possível abrir " + file.string() + ": " + std::strerror(errno));
  }
  ssize_t n;
  do {
    n = ::write(fd, text.data(), text.size());
  } while (n < 0 && errno == EINTR);
  const int writeErrno = errno;
  ::close(fd);
  if (n < 0 || static_cast<size_t>(n) != text.size()) {
    throw std::runtime_error("Falha ao gravar " + file.string() + ": " +
                             std::strerror(n < 0 ? writeErrno : ENOSPC));
  }
}

void WriteWhole(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("Não foi possível criar " + file.string());
  out << text;
  out.close();
  if (!out) throw std::runtime_error("Falha ao gravar " + file.string());
}

}  // namespace

void TFuncoesIFood::GravarLog(const std::string& msg, const std::string& Dir) const noexcept {
  try {
    const TDateTime now = ClockOr(FClock).Now();
    const fs::path folder = platform::InWorkingDir("LOGS/" + platform::NormalizeSeparators(Dir));
    FolderState& state = StateFor(folder);
    std::lock_guard lock(state.Lock);
    try {
      fs::create_directories(folder);
      PurgeLogFolderIfDue(state, folder, now);
      const std::string line =
          msg.empty() ? std::string("\r\n")
                      : FormatDateTime("yyyy-mm-dd hh:mm:ss", now) + " - " + msg + "\r\n";
      AppendAll(folder / (FormatDateTime("yyyy-mm-dd", now) + ".txt"), line);
    } catch (const std::exception& e) {
      // The line is lost; leave a record of why beside the log. Colons are not used in the name
      // so that the record can be written on any file system.
      const fs::path errFolder = folder / "ERRO";
      std::error_code ec;
      fs::create_directories(errFolder, ec);
      AppendAll(errFolder / (FormatDateTime("yyyy-mm-dd hh-nn-ss", now) + ".txt"),
                std::string(e.what()) + "\r\n" + msg + "\r\n");
    }
  } catch (...) {
    // Logging never raises to its caller.
  }
}

void TFuncoesIFood::GravarArquivo(const std::string& Nome, const std::string& valor,
                                  const std::string& Dir) const noexcept {
  try {
    const TDateTime now = ClockOr(FClock).Now();
    const fs::path folder = platform::InWorkingDir(
        "Pedidos/" + platform::NormalizeSeparators(Dir) + "/" + FormatDateTime("dd-mm-yyyy", now));
    fs::create_directories(folder);
    WriteWhole(folder / (Nome + ".txt"), valor + "\r\n");
  } catch (...) {
    // Record files are best effort: a failure is not reported.
  }
}

void TFuncoesIFood::DeleteFileOld(const std::string& dir, int days, const std::string& ext) const {
  const fs::path folder = platform::InWorkingDir(dir);
  PurgeFolder(folder, days, ext, ClockOr(FClock).Now());
}

std::vector<std::string> TFuncoesIFood::ListarArquivos(const std::string& Diretorio, bool /*Sub*/,
                                                       const std::string& pPesquisar) const {
  std::vector<std::string> names;
  const std::string suffix = pPesquisar.empty() ? std::string() : pPesquisar + ".json";
  std::error_code ec;
  for (fs::directory_iterator it(platform::InWorkingDir(Diretorio), ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    const std::string name = it->path().filename().string();
    if (!suffix.empty() &&
        (name.size() < suffix.size() ||
         !platform::SameNameIgnoringCase(name.substr(name.size() - suffix.size()), suffix))) {
      continue;
    }
    names.push_back(name);
  }
  return names;
}

std::string TFuncoesIFood::GetFileDate(const std::string& Arquivo) const {
  const fs::path file = platform::InWorkingDir(Arquivo);
  std::ifstream probe(file, std::ios::binary);
  const auto day = probe ? LastWriteDay(file) : std::nullopt;
  if (!day) throw std::runtime_error("Não foi possível ler a data do arquivo " + file.string());
  return FormatDateTime(Deployment().sistema.FormatoData, *day);
}

bool TFuncoesIFood::PossuiAcessoAPasta(const std::string& pDiretorio) {
  try {
    const fs::path file = platform::InWorkingDir(pDiretorio) / "Teste.txt";
    WriteWhole(file, "teste\r\n");
    if (!fs::remove(file)) throw std::runtime_error("Erro ao apagar: " + file.string());
    return true;
  } catch (...) {
    return false;
  }
}
