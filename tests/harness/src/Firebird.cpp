#include "harness/Firebird.h"

#include <unistd.h>

#include <cstdio>
#include <random>
#include <stdexcept>

#include "common/platform/Paths.h"
#include "harness/Harness.h"

namespace harness {

namespace {

constexpr const char* kServerProgram = "/usr/sbin/firebird";
constexpr const char* kSystemRoot = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
constexpr const char* kSystemSecurityDatabase = "/var/lib/firebird/3.0/system/security3.fdb";

std::string Tail(const fs::path& file) {
  try {
    std::string text = ReadFile(file);
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

FirebirdServer& FirebirdServer::Instance() {
  static FirebirdServer server;
  server.Start();
  return server;
}

FirebirdServer::FirebirdServer() {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path() / "brisane-tests";
  fs::create_directories(base);
  FDir = base / ("firebird-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
  fs::create_directories(FDir);
  Prepare();
}

FirebirdServer::~FirebirdServer() {
  Stop();
  std::error_code ec;
  fs::remove_all(FDir, ec);
}

std::string FirebirdServer::Host() const { return "127.0.0.1/" + std::to_string(FPort); }

void FirebirdServer::Prepare() {
  // The character-set module must be a real file in the server's root: through a link the
  // engine does not find it, and WIN1252 databases fail to open.
  fs::create_directories(FDir / "intl");
  fs::copy_file(fs::path(kSystemRoot) / "intl" / "libfbintl.so", FDir / "intl" / "libfbintl.so",
                fs::copy_options::overwrite_existing);
  fs::copy_file(fs::canonical(fs::path(kSystemRoot) / "intl" / "fbintl.conf"),
                FDir / "intl" / "fbintl.conf", fs::copy_options::overwrite_existing);
  fs::copy_file(kSystemSecurityDatabase, FDir / "security3.fdb",
                fs::copy_options::overwrite_existing);
  FPort = FreeLoopbackPort();
  WriteConfig();

  // The password is set with the embedded engine, while no server has the file open.
  const fs::path script = FDir / "sysdba.sql";
  WriteFile(script, std::string("CREATE OR ALTER USER ") + kUser + " PASSWORD '" + kPassword +
                        "' USING PLUGIN Srp;\nCOMMIT;\n");
  std::string out;
  if (RunCommand({"/usr/bin/isql-fb", "-q", "-bail", "-user", kUser,
                  (FDir / "security3.fdb").string(), "-i", script.string()},
                 &out, {{"FIREBIRD", FDir.string()}}) != 0) {
    throw std::runtime_error("não foi possível definir a senha do SYSDBA de teste: " + out);
  }
}

void FirebirdServer::WriteConfig() const {
  WriteFile(FDir / "firebird.conf", "RemoteServicePort = " + std::to_string(FPort) +
                                        "\n"
                                        "RemoteBindAddress = 127.0.0.1\n"
                                        "SecurityDatabase = " +
                                        (FDir / "security3.fdb").string() + "\n");
}

bool FirebirdServer::Running() { return FProcess && FProcess->Running(); }

bool FirebirdServer::Launch() {
  ChildProcess::Options o;
  o.Args = {kServerProgram};
  o.ExtraEnv = {{"FIREBIRD", FDir.string()}};
  o.OutputFile = FDir / "servidor.log";
  o.DieWithParent = true;
  FProcess = std::make_unique<ChildProcess>(o);
  WaitUntil([&] { return !FProcess->Running() || PortAccepts(FPort); });
  return FProcess->Running() && PortAccepts(FPort);
}

void FirebirdServer::Start() {
  if (Running()) return;
  if (Launch()) return;
  // The port may have been taken since it was chosen. A restart keeps it, since connections
  // were configured with it; a first start may move.
  for (int attempt = 0; !FStoppedOnPurpose && attempt < 3; ++attempt) {
    FProcess.reset();
    FPort = FreeLoopbackPort();
    WriteConfig();
    if (Launch()) return;
  }
  FProcess.reset();
  throw std::runtime_error("o servidor Firebird de teste não subiu: " +
                           Tail(FDir / "servidor.log"));
}

void FirebirdServer::Stop() {
  if (FProcess) FProcess->Stop(std::chrono::milliseconds(0));
  FProcess.reset();
  FStoppedOnPurpose = true;
}

std::string ModeName(DatabaseMode mode) {
  switch (mode) {
    case DatabaseMode::Server:
      return "Servidor";
    case DatabaseMode::Embedded:
      return "Embarcado";
  }
  return "?";
}

void CreateDatabase(const fs::path& file, bool seed) {
  const fs::path script = TestDataDir().parent_path() / "scripts" / "create-database";
  std::vector<std::string> args{"/bin/bash", script.string(), file.string()};
  if (seed) args.emplace_back("--seed");
  std::string out;
  if (RunCommand(args, &out) != 0) {
    throw std::runtime_error("create-database falhou para " + file.string() + ": " + out);
  }
}

DeploymentSettings FreshDatabase(DatabaseMode mode, bool seed) {
  DeploymentSettings s;
  s.produto.Pasta = platform::WorkingDir() / "Quelora";
  CreateDatabase(s.DatabasePath(), seed);
  s.firebird.Usuario = FirebirdServer::kUser;
  s.firebird.Senha = FirebirdServer::kPassword;
  s.firebird.Servidor = mode == DatabaseMode::Server ? FirebirdServer::Instance().Host() : "";
  return s;
}

fs::path DemoDatabase(int mb) {
  const fs::path cached = BinaryDir() / "bench-data" / ("demo-" + std::to_string(mb) + "mb.fdb");
  if (fs::exists(cached)) return cached;
  fs::create_directories(cached.parent_path());
  std::fprintf(stderr, "criando o banco de demonstração de %d MB em %s...\n", mb, cached.c_str());
  const fs::path script = TestDataDir().parent_path() / "scripts" / "demo-database";
  std::string out;
  if (RunCommand({"/bin/bash", script.string(), cached.string(), "--mb", std::to_string(mb)},
                 &out) != 0) {
    throw std::runtime_error("demo-database falhou: " + out);
  }
  return cached;
}

}  // namespace harness
