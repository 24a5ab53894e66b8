#include "harness/FtpServer.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "harness/Harness.h"

namespace harness {

FtpServer::FtpServer(const std::filesystem::path& workFolder) : FtpServer(workFolder, Options{}) {}

FtpServer::FtpServer(const std::filesystem::path& workFolder, Options options)
    : FOptions(std::move(options)) {
  FRoot = workFolder / "ftp-raiz";
  FEvents = workFolder / "ftp-eventos.txt";
  std::filesystem::create_directories(FRoot);
  // A port taken between our probe and the server's bind makes the start fail; try again.
  for (int attempt = 0; attempt < 5 && !FProcess; ++attempt) {
    FPort = FreeLoopbackPort();
    ChildProcess::Options o;
    o.Args = {"/usr/bin/python3", (TestDataDir() / "harness" / "ftp_server.py").string(),
              "--port",           std::to_string(FPort),
              "--root",           FRoot.string(),
              "--user",           FOptions.User,
              "--password",       FOptions.Password,
              "--events",         FEvents.string()};
    if (FOptions.NlstWithFolder) o.Args.push_back("--nlst-with-folder");
    o.OutputFile = workFolder / "ftp-servidor.log";
    auto process = std::make_unique<ChildProcess>(o);
    if (WaitUntil([&] { return PortAccepts(FPort) || !process->Running(); }) &&
        process->Running()) {
      FProcess = std::move(process);
    }
  }
  if (!FProcess) throw std::runtime_error("o servidor FTP de teste não iniciou");
}

FtpServer::~FtpServer() { Stop(); }

void FtpServer::Stop() {
  if (FProcess) FProcess->Stop();
  FProcess.reset();
}

std::vector<std::string> FtpServer::Uploads() const {
  std::vector<std::string> lines;
  std::ifstream in(FEvents);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

long long FtpServer::BytesReceived() const {
  long long total = 0;
  for (const std::string& line : Uploads()) {
    const size_t space = line.rfind(' ');
    if (space != std::string::npos) total += std::stoll(line.substr(space + 1));
  }
  return total;
}

void FtpServer::ConfigureAsManagerFtp(DeploymentSettings& settings) const {
  settings.ftpGestor.Host = "127.0.0.1";
  settings.ftpGestor.Porta = FPort;
  settings.ftpGestor.Usuario = FOptions.User;
  settings.ftpGestor.Senha = FOptions.Password;
  settings.ftpGestor.TempoConexaoMs = 10000;
}

}  // namespace harness
