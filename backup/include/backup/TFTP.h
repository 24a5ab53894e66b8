#pragma once
// TFTP: uploads the configured backup job's archives to the manager-server vendor's FTP server
// (deployment settings FTPGestor) into a folder named after the company's trade name, and keeps
// that folder to about a day of archives.
//
//   TFTP ftp;                  // reads the trade name; a database error escapes
//   ftp.memo = view;           // optional progress lines
//   ftp.Conectar();            // throws when the server or the folder can't be reached
//   ftp.EnviarArquivo(zip);    // never throws: failures are shown and logged, result false
//
// Archives more than a day old are deleted only after an upload has landed, so a failed upload
// never leaves the folder without a backup.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "common/TFuncoesIFood.h"

class Clock;
class FtpClient;
class ProgressView;
class TDM;

class TFTP {
 public:
  // Reads the trade name through the process-wide data module.
  explicit TFTP(const Clock* clock = nullptr);
  // Reads the trade name through `dm` (its shared query `qry`). A failing statement throws
  // EDatabaseError; without a company row the name is empty and Conectar refuses to go on.
  explicit TFTP(TDM& dm, const Clock* clock = nullptr);
  ~TFTP();
  TFTP(const TFTP&) = delete;
  TFTP& operator=(const TFTP&) = delete;

  ProgressView* memo = nullptr;  // where progress lines go; null: nowhere

  // Connects (unless connected), lists the company folder, creates it when the list is empty
  // and enters it. Throws std::runtime_error when the connection or the folder fails.
  void Conectar();
  // Stores the local file Arq under its bare name in the current remote folder (binary,
  // replacing). On success shows "Envio do BKP para o FTP Concluido..." and prunes the archives
  // listed by Conectar that are more than a day old. Failures are shown, logged to the log root
  // as "TFTP.EnviarArquivo: " + the reason, and give false.
  bool EnviarArquivo(const std::string& Arq);

  // The connect time-out; FTPGestor/TempoConexaoMs unless set. Applies from the next connection.
  void SetConnectTimeout(std::chrono::milliseconds timeout);

  // The remote folder name (the trade name, prepared).
  [[nodiscard]] const std::string& Fantasia() const { return FFantasia; }

  // A trade name as a folder name: spaces to "_", then reduced to printable ASCII; line breaks,
  // backspaces and path separators become "_" too, so the name stays one folder.
  [[nodiscard]] static std::string PrepararFantasia(const std::string& fantasia);

 private:
  void ConfigurarConexao();
  void ApagarBackupsAntigos(const std::string& enviado);
  void ExibirMensagem(const std::string& texto) const;

  const Clock* FClock;
  TFuncoesIFood FFuncao;
  std::unique_ptr<FtpClient> FFTP;
  std::string FFantasia;
  std::chrono::milliseconds FConnectTimeout;
  // Names the last Conectar listed, waiting for an upload to land before they are pruned.
  std::vector<std::string> FListagem;
};
