#pragma once
// Values left to each installation (hosts, accounts, passwords, salts, folders, locale formats),
// read from "implantacao.ini" beside the executable or from the file named by the environment
// variable IMPLANTACAO_INI. Every key has a safe default; the README lists them. Secrets held
// here are never written to a log.

#include <cstdint>
#include <filesystem>
#include <string>

struct DeploymentSettings {
  struct Produto {
    std::filesystem::path Pasta = "/opt/CORVATEC/Quelora";
  } produto;

  struct Firebird {
    std::string Servidor = "127.0.0.1";  // "host" or "host/port"; empty = embedded
    std::string Banco;                    // empty = the product folder's DADOS/DADOS.FDB
    std::string Usuario = "SYSDBA";
    std::string Senha = "masterkey";
    // The client library, loaded when the first connection opens; empty = the system's.
    std::string BibliotecaCliente;
  } firebird;

  struct FtpBackup {
    std::string Host;
    std::int32_t Porta = 21;
    std::string Usuario;
    std::string Senha;
    std::string Dominio;
    std::int32_t TempoConexaoMs = 30000;
  } ftpBackup;

  struct FtpGestor {
    std::string Host;
    std::int32_t Porta = 21;
    std::string Usuario;
    std::string Senha;
    std::int32_t TempoConexaoMs = 1200000;
  } ftpGestor;

  struct Gestor {
    std::string URL;
  } gestor;

  struct Atualizacao {
    std::string URL;
  } atualizacao;

  struct PostgreSQL {
    std::filesystem::path PastaBin = "/usr/lib/postgresql/15/bin";
    std::string Host = "localhost";
    std::int32_t Porta = 5432;
    std::string Usuario = "postgres";
    std::string Senha;
    std::string Banco = "VELMORANTE";
  } postgresql;

  struct Dominios {
    std::string Delivery;
    std::string Gerente;
  } dominios;

  struct Segredos {
    std::string SaltToken;
  } segredos;

  struct Http {
    std::int32_t TempoConexaoMs = 30000;
  } http;

  struct Sistema {
    std::filesystem::path PastaAutostart = "/etc/xdg/autostart";
    std::filesystem::path OrigemAtalho;  // empty = the Backup.desktop beside the executable
    std::string FormatoData = "dd/mm/yyyy";
    std::string SeparadorDecimal = ",";
  } sistema;

  // The database file: Firebird/Banco, or the product folder's DADOS/DADOS.FDB.
  [[nodiscard]] std::string DatabasePath() const;
  // The product's backup folder (product folder + BACKUP).
  [[nodiscard]] std::filesystem::path BackupFolder() const;

  // Reads a file; missing keys (or a missing file) keep the defaults above.
  static DeploymentSettings Load(const std::filesystem::path& file);
  // The file the process uses: $IMPLANTACAO_INI, or implantacao.ini beside the executable.
  static std::filesystem::path DefaultFile();
};

// The process-wide settings, loaded from DefaultFile() on first use.
const DeploymentSettings& Deployment();
// Replaces the process-wide settings (tests, and a reload after the file changed).
void SetDeployment(const DeploymentSettings& settings);
