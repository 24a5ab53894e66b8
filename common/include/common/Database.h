#pragma once
// Data access on a Firebird database, in the system's query model.
//
//   Connection conexao;
//   conexao.SetParams({.Database = "/dados/DADOS.FDB", .Host = "127.0.0.1", .User = "SYSDBA",
//                      .Password = senha});
//   Query q(conexao);
//   q.SetSQL("select fantasia from empresa where cnpj = :CNPJ");
//   q.ParamByName("cnpj").SetString("12.345.678/0001-90");
//   q.Open();
//   for (; !q.Eof(); q.Next()) Use(q.FieldByName("FANTASIA").AsString());
//
// A connection attaches on demand: the first statement after SetParams (or after the server went
// away) attaches again. Statements are auto-committed, each in its own transaction, unless the
// caller opened one with StartTransaction; statements on one connection are serialised across
// threads. A Query itself belongs to one thread at a time.
//
// Engine and client errors are EDatabaseError carrying the engine's formatted message; a client
// library that cannot be loaded is EClientLibraryError. Text is UTF-8 on our side whatever the
// database's character set.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Currency.h"
#include "common/DateTime.h"

struct ConnectionParams {
  std::string Database;  // file path on the server (or locally when Host is empty)
  std::string Host;      // "host" or "host/port"; empty = embedded engine in this process
  std::string User = "SYSDBA";
  std::string Password;
  std::string ClientLibrary;  // empty = the platform's Firebird client library
};

// Registers, once, the exit step that closes every connection and stops the Firebird client's
// own threads (and an embedded engine) before the library tears itself down. Connections do it
// when they first attach; code that uses the client without a Connection calls it first.
void CloseFirebirdClientAtExit();

class Query;
namespace database_detail {
struct ConnectionCore;
}

class Connection {
 public:
  Connection();
  explicit Connection(ConnectionParams params);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Replaces the parameters; an open attachment is closed first.
  void SetParams(ConnectionParams params);
  [[nodiscard]] ConnectionParams Params() const;

  // Attaches now (statements attach by themselves when needed). Throws EDatabaseError.
  void Open();
  // Detaches; an explicit transaction still open is rolled back. Never throws.
  void Close();
  [[nodiscard]] bool Connected() const;

  // One explicit transaction at a time; statements of every Query on this connection run in it
  // until Commit or Rollback. Throws EDatabaseError (also when one is already open).
  void StartTransaction();
  void Commit();
  // Never fails for a transaction that the server already lost; throws only on engine errors.
  void Rollback();
  [[nodiscard]] bool InTransaction() const;

 private:
  friend class Query;
  // Shared with the queries, so a query outliving its connection only finds it closed.
  std::shared_ptr<database_detail::ConnectionCore> FCore;
};

// Column kinds as the engine describes them.
enum class FieldType {
  Text,        // CHAR, VARCHAR
  SmallInt,    // SMALLINT
  Integer,     // INTEGER
  LargeInt,    // BIGINT
  Numeric,     // NUMERIC/DECIMAL with a scale (exact)
  Float,       // FLOAT, DOUBLE PRECISION
  Boolean,     // BOOLEAN
  Date,        // DATE
  Time,        // TIME
  TimeStamp,   // TIMESTAMP
  TextBlob,    // BLOB SUB_TYPE TEXT
  BinaryBlob,  // other BLOB
  Other,       // arrays and types without a mapping
};

// A column of the current row. Reads convert like the original data-access layer: NULL reads as
// empty text, 0, false or the empty date; text holding a number converts; a value that does not
// fit raises EConvertError (or ECurrencyOverflow for money). Valid until the query is opened
// again or its text changes.
class Field {
 public:
  [[nodiscard]] const std::string& FieldName() const { return FName; }
  [[nodiscard]] FieldType DataType() const { return FType; }
  // Declared size in characters for text, decimal places for NUMERIC (0 otherwise).
  [[nodiscard]] int Size() const { return FSize; }
  [[nodiscard]] int Scale() const { return FScale; }

  [[nodiscard]] bool IsNull() const;
  // CHAR values lose their trailing blanks; NUMERIC is exact decimal text with "."; dates as
  // "dd/mm/yyyy", times "hh:nn:ss"; Booleans "True"/"False"; BLOBs their content.
  [[nodiscard]] std::string AsString() const;
  [[nodiscard]] std::int32_t AsInteger() const;  // NUMERIC with decimals is truncated
  [[nodiscard]] std::int64_t AsLargeInt() const;
  [[nodiscard]] bool AsBoolean() const;
  // Exact from NUMERIC of any scale (more than four decimals round half to even).
  [[nodiscard]] Currency AsCurrency() const;
  [[nodiscard]] double AsFloat() const;
  [[nodiscard]] TDateTime AsDateTime() const;
  [[nodiscard]] std::string AsBytes() const;  // raw content: BLOBs, OCTETS text

 private:
  friend class Query;
  Field(const Query* query, int index, std::string name, FieldType type, int size, int scale)
      : FQuery(query),
        FIndex(index),
        FName(std::move(name)),
        FType(type),
        FSize(size),
        FScale(scale) {}

  const Query* FQuery;
  int FIndex;
  std::string FName;
  FieldType FType;
  int FSize;
  int FScale;
};

// A named parameter. A value keeps its kind and the engine converts it to the column's type
// (text into a NUMERIC column, a Currency into NUMERIC(18,2)...). Values stay set across
// executions; a parameter never assigned is an error when the statement runs, NULL must be
// asked for with Clear().
class Param {
 public:
  [[nodiscard]] const std::string& Name() const { return FName; }

  void Clear();  // NULL
  void SetString(std::string_view value);
  void SetInteger(std::int32_t value);
  void SetLargeInt(std::int64_t value);
  void SetBoolean(bool value);
  void SetCurrency(Currency value);
  void SetFloat(double value);
  void SetDateTime(TDateTime value);
  void SetDate(TDateTime value);          // the time of day is dropped
  void SetTime(TDateTime value);          // the date is dropped
  void SetBytes(std::string_view value);  // binary content (BLOB SUB_TYPE BINARY, OCTETS)

  [[nodiscard]] bool IsNull() const;
  [[nodiscard]] bool Assigned() const;

 private:
  friend class Query;
  enum class Kind {
    Unassigned,
    Null,
    Text,
    Integer,
    LargeInt,
    Boolean,
    Currency,
    Float,
    DateTime,
    Date,
    Time,
    Bytes
  };
  explicit Param(std::string name) : FName(std::move(name)) {}

  std::string FName;
  Kind FKind = Kind::Unassigned;
  std::string FText;      // Text, Bytes
  std::int64_t FInt = 0;  // Integer, LargeInt, Boolean, Currency (raw), dates (msecs)
  double FFloat = 0;
};

class Query {
 public:
  explicit Query(Connection& connection);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Closes the query and replaces its text. Parameters are read from the text: ":NAME" outside
  // string literals, quoted identifiers and comments; a name may appear several times and is
  // matched without regard to case. New parameters start unassigned.
  void SetSQL(std::string text);
  [[nodiscard]] const std::string& SQL() const;

  // Throws EDatabaseError when the text has no such parameter.
  [[nodiscard]] Param& ParamByName(std::string_view name);
  [[nodiscard]] Param* FindParam(std::string_view name);
  [[nodiscard]] int ParamCount() const;

  // Runs a statement that returns rows (a SELECT, or a statement with RETURNING) and stands on
  // the first row. Throws EDatabaseError, also for a statement that returns no rows.
  void Open();
  // Runs a statement that returns no result set; values of a RETURNING clause can be read as
  // fields afterwards. Throws EDatabaseError, also for a SELECT (use Open).
  void ExecSQL();
  // Ends reading (commits the statement's own transaction). Never throws.
  void Close();

  [[nodiscard]] bool Active() const;
  [[nodiscard]] bool Eof() const;
  void Next();
  // Rows changed by the last ExecSQL.
  [[nodiscard]] std::int64_t RowsAffected() const;

  [[nodiscard]] int FieldCount() const;
  [[nodiscard]] std::vector<std::string> FieldNames() const;
  // By name without regard to case; a repeated column name reads as NAME_1, NAME_2...
  // Throws EDatabaseError when there is no such field.
  [[nodiscard]] const Field& FieldByName(std::string_view name) const;
  [[nodiscard]] const Field* FindField(std::string_view name) const;
  [[nodiscard]] const Field& Fields(int index) const;

 private:
  friend class Field;
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};
