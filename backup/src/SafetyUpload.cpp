#include "SafetyUpload.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "backup/TBackupSeguranca.h"
#include "common/FtpClient.h"
#include "common/IniFile.h"
#include "common/ProgressView.h"
#include "common/platform/Paths.h"

namespace fs = std::filesystem;

namespace {

// Beside the archives; its name does not match "*.zip", so it is never uploaded.
constexpr const char* kSentRecordFile = "Backup_Seguranca_enviados.ini";
constexpr const char* kSentSection = "Enviados";

struct FileStamp {
  std::uintmax_t Size = 0;
  std::int64_t Modified = 0;  // file-clock ticks

  [[nodiscard]] std::string Text() const {
    return std::to_string(Size) + " " + std::to_string(Modified);
  }
};

std::optional<FileStamp> StampOf(const fs::path& file) {
  std::error_code ec;
  FileStamp s;
  s.Size = fs::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto t = fs::last_write_time(file, ec);
  if (ec) return std::nullopt;
  s.Modified = static_cast<std::int64_t>(t.time_since_epoch().count());
  return s;
}

// What was last sent of each archive (size and modification time), so an archive left unchanged
// is not sent again on every run. Losing the file only means sending everything once more.
class SentRecord {
 public:
  explicit SentRecord(const fs::path& folder) : FIni(folder / kSentRecordFile) {}

  [[nodiscard]] bool Unchanged(const std::string& name, const FileStamp& now) const {
    const std::optional<std::string> v = FIni.ReadValue(kSentSection, name);
    return v && *v == now.Text();
  }

  void Remember(const std::string& name, const FileStamp& sent) {
    try {
      FIni.WriteString(kSentSection, name, sent.Text());
    } catch (const std::exception&) {
      // An unwritten record costs one more upload of this archive, nothing else.
    }
  }

 private:
  IniFile FIni;
};

// "*.zip" directly in the folder (any letter case, as the platform matched it), by name.
std::vector<fs::path> ArchivesIn(const fs::path& folder) {
  std::vector<fs::path> archives;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    if (platform::SameNameIgnoringCase(it->path().extension().string(), ".zip")) {
      archives.push_back(it->path());
    }
  }
  std::sort(archives.begin(), archives.end());
  return archives;
}

class Upload {
 public:
  Upload(const SafetyUploadRequest& r, std::vector<std::string> levels)
      : FRequest(r), FLevels(std::move(levels)), FFtp(ClientSettings(r.Settings)) {}

  void Run(const std::string& root, const std::string& companyFolder) {
    Red(true);
    try {
      FFtp.Connect();
      Green(true);
      Red(false);
      Line("Conectado ao FTP.");
      if (!EnterBackupRoot(root)) return;
      if (!EnterCompanyFolder(root, companyFolder)) return;
      SendArchives(companyFolder);
      FFtp.Disconnect();
      Line("Desconectado do FTP.");
    } catch (const std::exception& e) {
      Line("Erro ao conectar: " + std::string(e.what()));
    }
  }

 private:
  static FtpClient::Settings ClientSettings(const DeploymentSettings& s) {
    FtpClient::Settings c;
    c.Host = s.ftpBackup.Host;
    c.Port = s.ftpBackup.Porta;
    c.User = s.ftpBackup.Usuario;
    c.Password = s.ftpBackup.Senha;
    c.Passive = true;
    c.ConnectTimeout = std::chrono::milliseconds(std::max(1, s.ftpBackup.TempoConexaoMs));
    return c;
  }

  void Line(const std::string& text) const { PaneLine(FRequest.Pane, text); }
  void Green(bool visible) const {
    if (FRequest.Indicators) FRequest.Indicators->SetGreenVisible(visible);
  }
  void Red(bool visible) const {
    if (FRequest.Indicators) FRequest.Indicators->SetRedVisible(visible);
  }

  bool EnterBackupRoot(const std::string& root) {
    try {
      FFtp.ChangeDir(root);
    } catch (const std::exception& e) {
      Line("Erro ao acessar diretório remoto: " + std::string(e.what()));
      return false;
    }
    Line("Acessou o diretório com sucesso.");
    return true;
  }

  bool EnterCompanyFolder(const std::string& root, const std::string& companyFolder) {
    try {
      FFtp.ChangeDir(companyFolder);
      Line("Diretório remoto acessado: " + companyFolder);
      return true;
    } catch (const std::exception&) {
      Line("Diretório não encontrado. Criando...");
    }
    // Every missing level is made (a CNPJ written with its "/" is two), then entered.
    std::optional<std::string> makeError;
    std::string path = root;
    for (const std::string& level : FLevels) {
      path += "/" + level;
      try {
        FFtp.MakeDir(path);
        makeError.reset();
      } catch (const std::exception& e) {
        makeError = e.what();  // fine when the level exists; told only if entering fails
      }
    }
    try {
      FFtp.ChangeDir(companyFolder);
    } catch (const std::exception& e) {
      Line("Erro ao criar diretório remoto: " + makeError.value_or(e.what()));
      return false;
    }
    Line("Diretório criado: " + companyFolder);
    return true;
  }

  // An archive is skipped only when it is not the run's own, the record says this very file was
  // sent, and the server still holds a file of its size.
  bool AlreadySent(const SentRecord& record, const std::string& name, const FileStamp& stamp,
                   const std::string& remote) {
    if (name == FRequest.FreshArchive || !record.Unchanged(name, stamp)) return false;
    try {
      const std::optional<std::int64_t> size = FFtp.RemoteSize(remote);
      return size && static_cast<std::uintmax_t>(*size) == stamp.Size;
    } catch (const std::exception&) {
      return false;  // unknown: send it
    }
  }

  void SendArchives(const std::string& companyFolder) {
    const fs::path folder = FRequest.Settings.BackupFolder();
    SentRecord record(folder);
    for (const fs::path& archive : ArchivesIn(folder)) {
      const std::string name = archive.filename().string();
      const std::string remote = companyFolder + name;
      const std::optional<FileStamp> stamp = StampOf(archive);
      if (stamp && AlreadySent(record, name, *stamp, remote)) {
        Line("Arquivo já enviado, sem alterações: " + name);
        continue;
      }
      try {
        FFtp.Store(archive, remote);
      } catch (const std::exception& e) {
        Line("Erro ao enviar " + name + ": " + e.what());
        continue;
      }
      Line("Enviado: " + name);
      if (stamp) record.Remember(name, *stamp);
    }
  }

  const SafetyUploadRequest& FRequest;
  std::vector<std::string> FLevels;
  FtpClient FFtp;
};

}  // namespace

void PaneLine(ProgressView* pane, const std::string& text) {
  if (pane) pane->AppendLine(text);
}

std::vector<std::string> CompanyFolderLevels(const std::string& cnpj) {
  const auto invalid = [&](const std::string& why) {
    return std::runtime_error("CNPJ da empresa inválido para a pasta do FTP (" + why + "): \"" +
                              cnpj + "\"");
  };
  for (const char c : cnpj) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) throw invalid("caractere de controle");
  }
  std::vector<std::string> levels;
  size_t start = 0;
  while (start <= cnpj.size()) {
    size_t end = cnpj.find('/', start);
    if (end == std::string::npos) end = cnpj.size();
    std::string level = cnpj.substr(start, end - start);
    if (level == "." || level == "..") throw invalid("caminho relativo");
    if (!level.empty()) levels.push_back(std::move(level));
    start = end + 1;
  }
  if (levels.empty()) throw std::runtime_error("CNPJ da empresa não informado");
  return levels;
}

void UploadSafetyArchives(const SafetyUploadRequest& request) {
  // The maker's web site has the FTP host's name unless the installation says otherwise.
  const std::string& domain = request.Settings.ftpBackup.Dominio.empty()
                                  ? request.Settings.ftpBackup.Host
                                  : request.Settings.ftpBackup.Dominio;
  const std::string root =
      "/domains/" + domain + "/public_html/financeiro/storage/app/public/backup";
  // Refuses a CNPJ that names no folder of its own before anything is sent.
  std::vector<std::string> levels = CompanyFolderLevels(request.Cnpj);
  const std::string companyFolder = root + "/" + request.Cnpj + "/";
  Upload upload(request, std::move(levels));
  upload.Run(root, companyFolder);
}
