#include "harness/PostgresServer.h"

#include <pwd.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <stdexcept>

#include "harness/Harness.h"

namespace harness {

namespace fs = std::filesystem;

namespace {
const char* kUser = "postgres";

void ChownToPostgres(const fs::path& p) {
  const passwd* pw = ::getpwnam(kUser);
  if (!pw) throw std::runtime_error("usuário postgres inexistente (instale o pacote postgresql)");
  if (::chown(p.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
    throw std::runtime_error("chown falhou: " + p.string());
  }
}
}  // namespace

PostgresServer::PostgresServer(std::string password) : FPassword(std::move(password)) {
  std::random_device rd;
  // Outside any test's scratch folder: the server runs as another user and needs its own folder.
  FDir = fs::temp_directory_path() /
         ("brisane-pg-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
  fs::create_directories(FDir);
  ChownToPostgres(FDir);
  const fs::path data = FDir / "dados";
  const fs::path pwfile = FDir / "senha";
  { std::ofstream(pwfile) << FPassword << "\n"; }
  ChownToPostgres(pwfile);
  std::string out;
  if (RunCommand({(BinDir() / "initdb").string(), "-D", data.string(), "-U", kUser,
                  "--pwfile=" + pwfile.string(), "--auth-local=trust", "--auth-host=scram-sha-256",
                  "-E", "UTF8", "--locale=C.UTF-8"},
                 &out, {}, kUser) != 0) {
    throw std::runtime_error("initdb falhou: " + out);
  }
  for (int attempt = 0; attempt < 5 && !FProcess; ++attempt) {
    FPort = FreeLoopbackPort();
    ChildProcess::Options o;
    o.Args = {(BinDir() / "postgres").string(),
              "-D",
              data.string(),
              "-p",
              std::to_string(FPort),
              "-k",
              FDir.string(),
              "-c",
              "listen_addresses=localhost",
              "-c",
              "fsync=off"};
    o.OutputFile = FDir / "servidor.log";
    o.RunAsUser = kUser;
    // A test program that dies leaves no server behind.
    o.DieWithParent = true;
    auto process = std::make_unique<ChildProcess>(o);
    if (WaitUntil([&] { return PortAccepts(FPort) || !process->Running(); },
                  std::chrono::seconds(30)) &&
        process->Running()) {
      FProcess = std::move(process);
    }
  }
  if (!FProcess) throw std::runtime_error("o PostgreSQL de teste não iniciou");
  // Accepting TCP is not yet accepting logins: wait for a query to pass.
  WaitUntil(
      [&] {
        try {
          Psql("postgres", "select 1");
          return true;
        } catch (const std::exception&) {
          return false;
        }
      },
      std::chrono::seconds(30));
}

PostgresServer::~PostgresServer() {
  Stop();
  std::error_code ec;
  fs::remove_all(FDir, ec);
}

void PostgresServer::Stop() {
  if (FProcess) FProcess->Stop(std::chrono::seconds(20));
  FProcess.reset();
}

std::string PostgresServer::Psql(const std::string& database, const std::string& sql) const {
  std::string out;
  const int rc = RunCommand(
      {(BinDir() / "psql").string(), "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h",
       FDir.string(), "-p", std::to_string(FPort), "-U", kUser, "-d", database, "-c", sql},
      &out, {}, kUser);
  if (rc != 0) throw std::runtime_error("psql falhou: " + out);
  return out;
}

std::unique_ptr<PostgresServer> PostgresServer::WithProductDatabase(const std::string& password,
                                                                    const std::string& sql) {
  auto server = std::make_unique<PostgresServer>(password);
  server->Psql("postgres", "create database \"VELMORANTE\"");
  server->Psql("VELMORANTE", sql);
  return server;
}

}  // namespace harness
