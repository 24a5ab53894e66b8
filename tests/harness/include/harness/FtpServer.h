#pragma once
// A real FTP server (pyftpdlib run by Debian's python3) on a free 127.0.0.1 port, serving a
// folder of its own with one account. Stopped by process id when the object goes away.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/DeploymentSettings.h"
#include "harness/ChildProcess.h"

namespace harness {

class FtpServer {
 public:
  struct Options {
    std::string User = "agente";
    std::string Password = "senha-ftp";
    // Answer "NLST folder" with "folder/name" entries (as some servers do) instead of bare names.
    bool NlstWithFolder = false;
  };

  explicit FtpServer(const std::filesystem::path& workFolder);
  FtpServer(const std::filesystem::path& workFolder, Options options);
  ~FtpServer();

  [[nodiscard]] int Port() const { return FPort; }
  [[nodiscard]] const std::string& User() const { return FOptions.User; }
  [[nodiscard]] const std::string& Password() const { return FOptions.Password; }
  // The folder the account sees as "/".
  [[nodiscard]] const std::filesystem::path& Root() const { return FRoot; }
  // Finished uploads so far, as "STOR <path relative to root> <bytes>".
  [[nodiscard]] std::vector<std::string> Uploads() const;
  // Total bytes received by uploads.
  [[nodiscard]] long long BytesReceived() const;

  void Stop();

  // Points the deployment's manager FTP account (the configured backup job's target) here.
  void ConfigureAsManagerFtp(DeploymentSettings& settings) const;

 private:
  Options FOptions;
  std::filesystem::path FRoot;
  std::filesystem::path FEvents;
  int FPort = 0;
  std::unique_ptr<ChildProcess> FProcess;
};

}  // namespace harness
