#include "common/ZipArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/platform/FileDescriptor.h"

namespace fs = std::filesystem;
using platform::FileDescriptor;

namespace {

// Data that deflate cannot shrink (a dump or an archive compressed already) is stored: deflating
// it again costs as much as its first compression and saves nothing. Judged from slices spread
// over the file, compressed at the fastest level; small files are always deflated.
bool CompressedAlready(int fd, off_t size) {
  constexpr off_t kSlice = 128 * 1024;
  constexpr int kSlices = 8;
  if (size < kSlice * kSlices) return false;
  std::vector<Bytef> in(kSlice);
  std::vector<Bytef> out(compressBound(kSlice));
  std::uint64_t plain = 0;
  std::uint64_t packed = 0;
  for (int i = 0; i < kSlices; ++i) {
    const off_t offset = (size - kSlice) / (kSlices - 1) * i;
    const ssize_t n = ::pread(fd, in.data(), kSlice, offset);
    if (n <= 0) return false;
    uLongf outLength = out.size();
    if (compress2(out.data(), &outLength, in.data(), static_cast<uLong>(n), Z_BEST_SPEED) != Z_OK) {
      return false;
    }
    plain += static_cast<std::uint64_t>(n);
    packed += outLength;
  }
  return packed * 100 >= plain * 97;
}

struct ZipDiscard {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipDiscard>;

struct ZipSourceFree {
  void operator()(zip_source_t* s) const { zip_source_free(s); }
};
using ZipSource = std::unique_ptr<zip_source_t, ZipSourceFree>;

struct ZipFileClose {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipEntryReader = std::unique_ptr<zip_file_t, ZipFileClose>;

std::string ErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

std::string Errno() { return std::strerror(errno); }

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // best effort: the data itself is already on disk
  ::fsync(fd);
  ::close(fd);
}

void SyncFile(const fs::path& file) {
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0 || ::fsync(fd.Get()) != 0) {
    throw std::runtime_error("Não foi possível gravar o arquivo ZIP " + file.string() + ": " +
                             Errno());
  }
}

// The place of an entry under the extraction folder, or nullopt for a name that is absolute,
// names a drive, climbs out with "..", or names nothing. "\" counts as a separator too, since
// archives made on Windows may use it.
std::optional<fs::path> SafeRelativePath(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  if (name.empty() || name.front() == '/') return std::nullopt;
  if (name.size() >= 2 && name[1] == ':') return std::nullopt;
  fs::path rel;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    rel /= part;
  }
  if (rel.empty()) return std::nullopt;
  return rel;
}

// A name for a file being written beside its final place.
fs::path TemporaryBeside(const fs::path& file) {
  static std::atomic<unsigned> counter{0};
  return file.parent_path() / (file.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                               "-" + std::to_string(counter++));
}

struct PlannedEntry {
  zip_uint64_t index;
  std::string name;
  fs::path relative;
  fs::path target;
  bool directory;
  mode_t mode;
};

}  // namespace

struct ZipArchive::State {
  ZipHandle handle;
  fs::path file;      // the archive's name
  fs::path workFile;  // where libzip writes it (a temporary name when durable)
  bool readOnly = false;
  bool durable = false;

  ~State() {
    handle.reset();
    if (durable) {
      std::error_code ec;
      fs::remove(workFile, ec);
    }
  }

  [[nodiscard]] std::string ArchiveError() const { return zip_strerror(handle.get()); }
};

ZipArchive::ZipArchive(std::unique_ptr<State> state) : FState(std::move(state)) {}
ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;
ZipArchive::~ZipArchive() = default;

namespace {

ZipHandle Open(const fs::path& file, int flags) {
  int code = 0;
  zip_t* z = zip_open(file.c_str(), flags, &code);
  if (!z) {
    throw std::runtime_error("Não foi possível abrir o arquivo ZIP " + file.string() + ": " +
                             ErrorText(code));
  }
  return ZipHandle(z);
}

}  // namespace

ZipArchive ZipArchive::Create(const fs::path& file, Commit commit) {
  auto state = std::make_unique<State>();
  state->file = file;
  state->durable = commit == Commit::Durable;
  state->workFile = state->durable ? TemporaryBeside(file) : file;
  state->handle = Open(state->workFile, ZIP_CREATE | ZIP_TRUNCATE);
  return ZipArchive(std::move(state));
}

ZipArchive ZipArchive::OpenForUpdate(const fs::path& file) {
  auto state = std::make_unique<State>();
  state->file = state->workFile = file;
  state->handle = Open(file, ZIP_CREATE);
  return ZipArchive(std::move(state));
}

ZipArchive ZipArchive::OpenForReading(const fs::path& file) {
  auto state = std::make_unique<State>();
  state->file = state->workFile = file;
  state->readOnly = true;
  // The consistency check compares each local header with the central directory, so a damaged
  // archive is refused at once instead of half way through.
  state->handle = Open(file, ZIP_RDONLY | ZIP_CHECKCONS);
  return ZipArchive(std::move(state));
}

void ZipArchive::AddFile(const fs::path& source, const std::string& entryName) {
  if (!FState || !FState->handle || FState->readOnly) {
    throw std::logic_error("Arquivo ZIP não está aberto para gravação");
  }
  zip_t* z = FState->handle.get();
  bool store = false;
  {
    // libzip reads the file only when the archive is written; find out now if it can be read.
    FileDescriptor fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
      throw std::runtime_error("Não foi possível ler " + source.string() + ": " + Errno());
    }
    if (!S_ISREG(st.st_mode)) {
      throw std::runtime_error("Não foi possível ler " + source.string() + ": não é um arquivo");
    }
    store = CompressedAlready(fd.Get(), st.st_size);
  }
  ZipSource src(zip_source_file(z, source.c_str(), 0, 0));
  if (!src) {
    throw std::runtime_error("Não foi possível ler " + source.string() + ": " +
                             FState->ArchiveError());
  }
  const zip_int64_t index =
      zip_file_add(z, entryName.c_str(), src.get(), ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
  if (index < 0) {
    throw std::runtime_error("Não foi possível incluir " + entryName + " no arquivo ZIP " +
                             FState->file.string() + ": " + FState->ArchiveError());
  }
  (void)src.release();  // the archive owns it now
  if (zip_set_file_compression(z, static_cast<zip_uint64_t>(index),
                               store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) != 0) {
    throw std::runtime_error("Não foi possível comprimir " + entryName + ": " +
                             FState->ArchiveError());
  }
}

std::vector<std::string> ZipArchive::EntryNames() const {
  std::vector<std::string> names;
  if (!FState || !FState->handle) return names;
  zip_t* z = FState->handle.get();
  const zip_int64_t count = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    if (const char* name = zip_get_name(z, static_cast<zip_uint64_t>(i), 0))
      names.emplace_back(name);
  }
  return names;
}

void ZipArchive::ExtractAll(const fs::path& folder) const {
  if (!FState || !FState->handle) throw std::logic_error("Arquivo ZIP não está aberto");
  zip_t* z = FState->handle.get();
  const std::string archive = FState->file.string();
  const auto refuse = [&](const std::string& name, const std::string& why) {
    throw std::runtime_error("Arquivo ZIP " + archive + " recusado, entrada \"" + name +
                             "\": " + why);
  };

  // 1. Check every entry before anything is written.
  std::vector<PlannedEntry> plan;
  const zip_int64_t count = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
      throw std::runtime_error("Arquivo ZIP " + archive + " danificado: " + FState->ArchiveError());
    }
    const std::string name = st.name;
    const auto rel = SafeRelativePath(name);
    if (!rel) refuse(name, "caminho absoluto ou fora da pasta de destino");
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      refuse(name, "protegida por senha");
    }
    if ((st.valid & ZIP_STAT_COMP_METHOD) &&
        !zip_compression_method_supported(static_cast<zip_int32_t>(st.comp_method), 0)) {
      refuse(name, "método de compressão não suportado");
    }
    zip_uint8_t opsys = ZIP_OPSYS_DEFAULT;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(z, index, 0, &opsys, &attributes);
    const mode_t unixMode = opsys == ZIP_OPSYS_UNIX ? static_cast<mode_t>(attributes >> 16) : 0;
    if (S_ISLNK(unixMode)) refuse(name, "link simbólico");
    const bool directory = name.back() == '/' || name.back() == '\\' || S_ISDIR(unixMode);
    // Permissions travel only from archives made on Unix; never set-id bits.
    mode_t mode = unixMode & 0777;
    if (mode == 0) mode = directory ? 0755 : 0644;
    plan.push_back({index, name, *rel, folder / *rel, directory, mode});
  }
  for (const PlannedEntry& e : plan) {
    // No folder on the way may be a link, or writing through it could land outside.
    std::error_code ec;
    fs::path p = folder;
    for (const fs::path& part : e.relative.parent_path()) {
      p /= part;
      if (fs::is_symlink(fs::symlink_status(p, ec))) refuse(e.name, "passa por um link simbólico");
    }
    if (!e.directory && fs::is_directory(fs::symlink_status(e.target, ec))) {
      refuse(e.name, "já existe uma pasta com esse nome");
    }
  }

  // 2. Write every file under a temporary name beside its place.
  std::vector<std::pair<fs::path, fs::path>> written;  // temporary, final
  const auto removeWritten = [&] {
    for (const auto& w : written) {
      std::error_code ec;
      fs::remove(w.first, ec);
    }
  };
  try {
    std::vector<char> buffer(256 * 1024);
    for (const PlannedEntry& e : plan) {
      std::error_code ec;
      fs::create_directories(e.directory ? e.target : e.target.parent_path(), ec);
      if (ec) {
        throw std::runtime_error("Não foi possível criar a pasta de " + e.target.string() + ": " +
                                 ec.message());
      }
      if (e.directory) continue;
      const fs::path tmp = TemporaryBeside(e.target);
      FileDescriptor out(
          ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
      if (out.Get() < 0) {
        throw std::runtime_error("Não foi possível criar " + e.target.string() + ": " + Errno());
      }
      written.emplace_back(tmp, e.target);
      ZipEntryReader in(zip_fopen_index(z, e.index, 0));
      if (!in) {
        throw std::runtime_error("Falha ao ler " + e.name + " de " + archive + ": " +
                                 FState->ArchiveError());
      }
      while (true) {
        // A damaged entry fails here (a CRC mismatch shows at its end).
        const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
          throw std::runtime_error("Falha ao ler " + e.name + " de " + archive + ": " +
                                   zip_file_strerror(in.get()));
        }
        if (n == 0) break;
        if (!platform::WriteAll(out.Get(), buffer.data(), static_cast<size_t>(n))) {
          throw std::runtime_error("Falha ao gravar " + e.target.string() + ": " + Errno());
        }
      }
      if (const int code = zip_fclose(in.release()); code != 0) {
        throw std::runtime_error("Falha ao ler " + e.name + " de " + archive + ": " +
                                 ErrorText(code));
      }
      if (::fchmod(out.Get(), e.mode) != 0 || ::fsync(out.Get()) != 0 || !out.Close()) {
        throw std::runtime_error("Falha ao gravar " + e.target.string() + ": " + Errno());
      }
    }
  } catch (...) {
    removeWritten();
    throw;
  }

  // 3. Everything was read intact: the files take their names.
  for (size_t i = 0; i < written.size(); ++i) {
    if (::rename(written[i].first.c_str(), written[i].second.c_str()) != 0) {
      const std::string why = Errno();
      for (size_t j = i; j < written.size(); ++j) {
        std::error_code ec;
        fs::remove(written[j].first, ec);
      }
      throw std::runtime_error("Não foi possível substituir " + written[i].second.string() + ": " +
                               why);
    }
  }
  SyncFolder(folder);
}

void ZipArchive::Close() {
  if (!FState || !FState->handle) return;
  if (FState->readOnly) {
    FState->handle.reset();
    return;
  }
  if (zip_close(FState->handle.get()) != 0) {
    throw std::runtime_error("Não foi possível gravar o arquivo ZIP " + FState->file.string() +
                             ": " + FState->ArchiveError());
  }
  (void)FState->handle.release();  // zip_close freed it
  if (!FState->durable) return;

  std::error_code ec;
  if (!fs::exists(FState->workFile, ec)) {
    // libzip writes no file for an archive without entries.
    fs::remove(FState->file, ec);
    return;
  }
  SyncFile(FState->workFile);
  if (::rename(FState->workFile.c_str(), FState->file.c_str()) != 0) {
    throw std::runtime_error("Não foi possível gravar o arquivo ZIP " + FState->file.string() +
                             ": " + Errno());
  }
  SyncFolder(FState->file.parent_path());
}
