#pragma once
// A real Firebird server for the test process, and fresh point-of-sale databases for each test.
//
//   harness::ScratchDir scratch;
//   DeploymentSettings s = harness::FreshDatabase(harness::DatabaseMode::Server);
//   SetDeployment(s);   // s.DatabasePath() is inside the scratch folder
//
// The server runs /usr/sbin/firebird with a private FIREBIRD folder (its own firebird.conf,
// security database with a known SYSDBA password, and character-set module), listening on a free
// port of 127.0.0.1 only. It starts on first use, and is killed by process id when the test
// process ends (or dies: it is bound to the thread that started it, normally the main one).

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "common/DeploymentSettings.h"
#include "harness/ChildProcess.h"

namespace harness {

class FirebirdServer {
 public:
  static constexpr const char* kUser = "SYSDBA";
  static constexpr const char* kPassword = "teste123";

  // The process's server, started if it is not running.
  static FirebirdServer& Instance();

  ~FirebirdServer();
  FirebirdServer(const FirebirdServer&) = delete;
  FirebirdServer& operator=(const FirebirdServer&) = delete;

  [[nodiscard]] int Port() const { return FPort; }
  // The connection's host setting: "127.0.0.1/<port>".
  [[nodiscard]] std::string Host() const;
  [[nodiscard]] bool Running();
  // The server's process (for benchmarks that read its CPU time); -1 when not running.
  [[nodiscard]] pid_t Pid() const { return FProcess ? FProcess->Pid() : -1; }

  // Starts the server (again, on the same port after a Stop) and waits until it accepts
  // connections. Throws std::runtime_error with the server's output when it does not come up.
  void Start();
  // Kills the server (as a crash or a power cut would) and reaps it.
  void Stop();

 private:
  FirebirdServer();
  void Prepare();
  void WriteConfig() const;
  bool Launch();

  std::filesystem::path FDir;
  int FPort = 0;
  std::unique_ptr<ChildProcess> FProcess;
  bool FStoppedOnPurpose = false;
};

// A point-of-sale database of about `mb` megabytes made by scripts/demo-database, once: it is
// kept under the build tree (bench-data/) for the next run. Throws when the script fails.
std::filesystem::path DemoDatabase(int mb);

enum class DatabaseMode { Server, Embedded };
// "Servidor" / "Embarcado": names for parameterised tests.
std::string ModeName(DatabaseMode mode);
inline void PrintTo(DatabaseMode mode, std::ostream* os) { *os << ModeName(mode); }

// Creates `file` from tests/fixtures/schema.sql with scripts/create-database (WIN1252, dialect
// 3); `seed` adds the demo rows of tests/fixtures/seed.sql. Throws when the script fails.
void CreateDatabase(const std::filesystem::path& file, bool seed = false);

// A fresh database in the working directory (normally a ScratchDir) as the product folder's
// Quelora/DADOS/DADOS.FDB, reached through the test server or by the engine embedded in the
// process. Returns deployment settings pointing at it with the server's SYSDBA password.
DeploymentSettings FreshDatabase(DatabaseMode mode, bool seed = false);

}  // namespace harness
