#pragma once
// An FTP session over libcurl with the operations the backup jobs use: connect and log in,
// change into a folder, make a folder, list names, delete, store a file (binary, replacing,
// streamed from disk), ask a file's size, and disconnect. Passive mode. Every failure throws
// std::runtime_error naming the step, the path and what the server or the network said.
//
// The session keeps a current folder, as a client with CWD would; paths given to the operations
// are relative to it unless they start with "/". One control connection is reused throughout.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FtpClient {
 public:
  struct Settings {
    std::string Host;
    int Port = 21;
    std::string User;
    std::string Password;
    bool Passive = true;
    std::chrono::milliseconds ConnectTimeout{30000};
    // A transfer or a reply that makes no progress for this long fails.
    std::chrono::milliseconds StallTimeout{120000};
  };
  // Bytes sent so far and the file's size.
  using Progress = std::function<void(std::int64_t sent, std::int64_t total)>;

  explicit FtpClient(Settings settings);
  ~FtpClient();
  FtpClient(const FtpClient&) = delete;
  FtpClient& operator=(const FtpClient&) = delete;

  void Connect();
  [[nodiscard]] bool Connected() const { return FConnected; }
  void Disconnect();

  void ChangeDir(const std::string& path);
  void MakeDir(const std::string& path);
  // NLST of path, the names exactly as the server gives them.
  [[nodiscard]] std::vector<std::string> NameList(const std::string& path);
  void Delete(const std::string& path);
  void Store(const std::filesystem::path& localFile, const std::string& remoteName,
             const Progress& progress = {});
  // The size the server reports for a file; nullopt when it has no such file.
  [[nodiscard]] std::optional<std::int64_t> RemoteSize(const std::string& path);

  // The current folder ("/" after login).
  [[nodiscard]] const std::string& CurrentDir() const { return FCurrentDir; }

 private:
  struct Handle;
  [[nodiscard]] std::string Absolute(const std::string& path) const;
  [[nodiscard]] std::string UrlFor(const std::string& absolutePath) const;
  void Command(const std::string& step, const std::string& ftpCommand);

  Settings FSettings;
  std::unique_ptr<Handle> FHandle;
  std::string FCurrentDir = "/";
  bool FConnected = false;
};
