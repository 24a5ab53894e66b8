#pragma once
// The data module: the connection to the point-of-sale database and the shared queries every
// component uses, plus the numbering helpers.
//
// One process-wide instance, made by the program entry with CreateDM() and reached with DM().
// A failed connection at creation does not stop start-up: the error goes to
// HandleUnhandledException and every later statement tries to connect again. A component that
// needs a connection of its own (the synchronization run) makes a temporary TDM and calls
// DataModuleCreate itself, which then throws.
//
// The shared queries are used by whoever runs: two components must not use the same one at the
// same time. Statements on `conexao` are serialised, so queries of their own are safe on any
// thread.

#include <cstdint>
#include <memory>
#include <string>

#include "common/Database.h"

class TDM {
 public:
  // Builds the queries; does not connect.
  TDM();
  ~TDM();
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  // Points `conexao` at the deployment's database (DatabasePath, Firebird/Servidor, Usuario,
  // Senha, BibliotecaCliente) and opens it. Throws EDatabaseError or EClientLibraryError; the
  // settings stay, so later statements connect on demand.
  void DataModuleCreate();

  // The next value of a sequence (generator), read with NEXT VALUE FOR on `qry`.
  [[nodiscard]] std::int64_t nextID(const std::string& sequencia);

  // The next free number of Campo in Tabela: the largest value plus one, 1 when there is none.
  // filtra "N" reads the whole table; "S" only the rows where <where> = <Valor>. The texts go
  // into the statement unchanged (Valor already quoted when it is text). Any other filtra throws.
  [[nodiscard]] std::int64_t Numerador(const std::string& Tabela, const std::string& Campo,
                                       const std::string& filtra, const std::string& where,
                                       const std::string& Valor);

  Connection conexao;
  Query qry;
  Query Cliente;
  Query Produto;
  Query FormaPagamento;
  Query venda;
  Query vendaitem;
  Query vendaPagamento;
  Query qryEmpresa;    // select fantasia, cnpj, aliq_icms from empresa
  Query qryProdutos;   // one product with its group's description, parameter ID
  Query qryNumerador;  // set by Numerador
};

// Creates the process-wide module and opens its connection; a failure is reported through
// HandleUnhandledException and the module stays. Returns the module.
TDM& CreateDM();
// The process-wide module; throws std::runtime_error before CreateDM.
TDM& DM();
// Releases the process-wide module (at the end of the program).
void DestroyDM();
