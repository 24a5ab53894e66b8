#pragma once
// A database backup written by the Firebird server itself, through its services manager (what
// "gbak -b -se" does). The server writes the file, so the path is one the server can reach.

#include <string>

struct FirebirdServiceSettings {
  std::string Host;  // "host" or "host/port"; empty = the embedded engine in this process
  std::string User = "SYSDBA";
  std::string Password;
};

// Runs one backup of database into backupFile and returns when the server has finished it.
// The server's verbose lines are requested and drained but neither shown nor logged. Throws
// EDatabaseError with the server's message when the backup fails.
void RunFirebirdBackup(const FirebirdServiceSettings& settings, const std::string& database,
                       const std::string& backupFile);
