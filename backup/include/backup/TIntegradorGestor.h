#pragma once
// TIntegradorGestor: the reports to the manager-server vendor's manager server (deployment
// setting Gestor/URL): a backup was sent, the server was opened, which integrations are on. Each
// reads the company settings afresh and makes one POST through TAPI, logged into pDir; the
// server's answers are not read. Nothing is ever thrown: a failure beyond the request, which
// TAPI logs itself, becomes one line in the log folder "GESTOR\".

#include <string>

class Clock;

class TIntegradorGestor {
 public:
  TIntegradorGestor() = delete;

  // POST /gestor/_ultimoBackup.php?cnpj=<CNPJ digits>&serialHD=<disk serial>, empty body.
  static void UltimoBackup(const std::string& pDir, const Clock* clock = nullptr);
  // POST /gestor/_aberturaServer.php?cnpj=<CNPJ digits>&serialHD=<disk serial>, empty body.
  static void AberturaServer(const std::string& pDir, const Clock* clock = nullptr);
  // POST /gestor/_detalhesFood.php?serialHD=<disk serial> with the e-mail and the iFood, site
  // and sales switches as a one-line JSON text.
  static void DetalhesFood(const std::string& pDir, const Clock* clock = nullptr);
};
