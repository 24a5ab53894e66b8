#pragma once
// A real PostgreSQL 15 server for the tests: its own cluster in a private folder, run as the
// unprivileged "postgres" user, listening on "localhost" at a free port, password login for TCP.
// Stopped by process id when the object goes away.

#include <filesystem>
#include <memory>
#include <string>

#include "harness/ChildProcess.h"

namespace harness {

class PostgresServer {
 public:
  explicit PostgresServer(std::string password = "123");
  ~PostgresServer();

  [[nodiscard]] int Port() const { return FPort; }
  [[nodiscard]] const std::string& Password() const { return FPassword; }
  // The postmaster (for benchmarks that read its CPU time and its ended backends'); -1 when not
  // running.
  [[nodiscard]] pid_t Pid() const { return FProcess ? FProcess->Pid() : -1; }
  [[nodiscard]] static std::filesystem::path BinDir() { return "/usr/lib/postgresql/15/bin"; }

  // Runs SQL with psql as the postgres user on the given database; throws with psql's output on
  // failure and returns its output (unaligned, tuples only).
  std::string Psql(const std::string& database, const std::string& sql) const;

  void Stop();

  // A server holding the point-of-sale product's database "VELMORANTE", filled by `sql`: what the
  // configured backup job dumps.
  [[nodiscard]] static std::unique_ptr<PostgresServer> WithProductDatabase(
      const std::string& password, const std::string& sql);

 private:
  std::string FPassword;
  std::filesystem::path FDir;
  int FPort = 0;
  std::unique_ptr<ChildProcess> FProcess;
};

}  // namespace harness
