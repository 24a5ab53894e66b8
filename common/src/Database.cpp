// The dataset layer over the Firebird client's object interface.
//
// Every engine call happens with the connection's mutex held. A statement runs in the explicit
// transaction when one is open, otherwise in a transaction of its own that is committed as soon
// as the statement's work is done: at once for commands, and for a SELECT when its last row was
// fetched or the query is closed. Rows are fetched ahead in batches, so a small result set is
// read whole at Open and leaves no transaction behind.

#include "common/Database.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <stdexcept>

#include <ibase.h>

#include "FirebirdClient.h"
#include "SqlParameters.h"
#include "common/DelphiFormat.h"
#include "common/Errors.h"

using Firebird::FbException;
using Firebird::IAttachment;
using Firebird::IBlob;
using Firebird::IMessageMetadata;
using Firebird::IMetadataBuilder;
using Firebird::IResultSet;
using Firebird::IStatement;
using Firebird::IStatus;
using Firebird::ITransaction;
using Firebird::IXpbBuilder;
using firebird_client::Ref;
using firebird_client::Status;

namespace {

constexpr unsigned kDialect = 3;
// A lock held by another program (the point of sale writes the same tables) is waited for this
// long, then reported, instead of hanging the agent.
constexpr int kLockTimeoutSeconds = 30;
constexpr int kConnectTimeoutSeconds = 15;
// A fetch batch: the rows the original asked for per round trip, within a memory budget.
constexpr size_t kBatchRows = 50000;
constexpr size_t kBatchBytes = 8u << 20;
constexpr unsigned kBlobChunk = 32 * 1024;

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

const char* LostTransactionMessage() {
  return "A conexão com o banco de dados caiu durante a transação; o que ela fez foi perdido. "
         "Desfaça a transação (Rollback) antes de continuar.";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Connection core

namespace database_detail {

void CloseEverythingAtExit(Firebird::IMaster* master);

// What a query with an open cursor leaves in the connection's hands, so that detaching or
// losing the server can end it.
struct CursorState {
  Ref<IResultSet> ResultSet;
  Ref<ITransaction> OwnTransaction;     // the statement's own transaction (auto-commit)
  ITransaction* Transaction = nullptr;  // the one it reads in (for BLOBs)
  bool Aborted = false;
  std::string AbortReason;
};

struct ConnectionCore {
  std::mutex Mutex;
  ConnectionParams Params;
  bool Retired = false;  // the Connection object is gone
  Firebird::IMaster* Master = nullptr;
  Ref<IAttachment> Attachment;
  Ref<ITransaction> Transaction;  // explicit
  bool TransactionLost = false;
  std::uint64_t Generation = 0;  // changes with every attachment; prepared statements carry it
  std::set<CursorState*> Cursors;

  ConnectionCore();
  ~ConnectionCore();

  // The rest is called with Mutex held.

  void EnsureAttached() {
    if (Attachment) return;
    if (Retired || firebird_client::ClientShutDown()) {
      throw EDatabaseError("A conexão com o banco de dados foi encerrada");
    }
    if (Params.Database.empty()) {
      throw EDatabaseError("Conexão sem banco de dados configurado");
    }
    Master = firebird_client::Master(Params.ClientLibrary);
    CloseEverythingAtExit(Master);
    Status st(Master);
    try {
      firebird_client::XpbBuilder dpb(Master, st, IXpbBuilder::DPB);
      dpb->insertString(&st, isc_dpb_user_name, Params.User.c_str());
      dpb->insertString(&st, isc_dpb_password, Params.Password.c_str());
      dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
      dpb->insertInt(&st, isc_dpb_sql_dialect, kDialect);
      std::string target;
      if (Params.Host.empty()) {
        // Only the engine in this process: never a server that happens to run on this machine.
        dpb->insertString(&st, isc_dpb_config, "Providers = Engine12");
        target = Params.Database;
      } else {
        dpb->insertString(&st, isc_dpb_config, "Providers = Remote");
        dpb->insertInt(&st, isc_dpb_connect_timeout, kConnectTimeoutSeconds);
        target = Params.Host + ":" + Params.Database;
      }
      IAttachment* att = Master->getDispatcher()->attachDatabase(
          &st, target.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
      Attachment.Reset(att);
      ++Generation;
    } catch (const FbException& e) {
      throw EDatabaseError(firebird_client::FormatStatus(Master, e.getStatus()));
    }
  }

  Ref<ITransaction> Start(Status& st) {
    firebird_client::XpbBuilder tpb(Master, st, IXpbBuilder::TPB);
    tpb->insertTag(&st, isc_tpb_write);
    tpb->insertTag(&st, isc_tpb_read_committed);
    tpb->insertTag(&st, isc_tpb_rec_version);
    tpb->insertTag(&st, isc_tpb_wait);
    tpb->insertInt(&st, isc_tpb_lock_timeout, kLockTimeoutSeconds);
    return Ref<ITransaction>(
        Attachment->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st)));
  }

  // Ends every open cursor: politely when the attachment is healthy, by releasing the handles
  // when it is gone. Their queries report `reason` on their next fetch.
  void AbortCursors(bool healthy, const std::string& reason) noexcept {
    for (CursorState* c : Cursors) {
      if (healthy && Master) {
        try {
          Status st(Master);
          if (c->ResultSet) {
            c->ResultSet->close(&st);
            c->ResultSet.Forget();
          }
          if (c->OwnTransaction) {
            c->OwnTransaction->commit(&st);
            c->OwnTransaction.Forget();
          }
        } catch (const FbException&) {
        }
      }
      c->ResultSet.Reset();
      c->OwnTransaction.Reset();
      c->Transaction = nullptr;
      c->Aborted = true;
      c->AbortReason = reason;
    }
    Cursors.clear();
  }

  void DetachLocked() noexcept {
    AbortCursors(true, "A consulta foi interrompida: a conexão com o banco de dados foi fechada");
    if (!Attachment) return;
    try {
      Status st(Master);
      if (Transaction) {
        Transaction->rollback(&st);
        Transaction.Forget();
      }
      Attachment->detach(&st);
      Attachment.Forget();
    } catch (const FbException&) {
    }
    Transaction.Reset();
    TransactionLost = false;
    Attachment.Reset();
  }

  // The attachment is dead: forget it so that the next statement attaches again.
  void DropLocked() noexcept {
    AbortCursors(false, "A consulta foi interrompida: a conexão com o banco de dados caiu");
    if (Transaction) TransactionLost = true;
    Transaction.Reset();
    Attachment.Reset();
  }

  // The engine's message as EDatabaseError; first finds out whether the server is still there.
  [[noreturn]] void Fail(const FbException& e) {
    const std::string message = firebird_client::FormatStatus(Master, e.getStatus());
    bool lost = firebird_client::IsConnectionError(e.getStatus());
    if (!lost && Attachment) {
      try {
        Status st(Master);
        Attachment->ping(&st);
      } catch (const FbException&) {
        lost = true;
      }
    }
    if (lost) DropLocked();
    throw EDatabaseError(message);
  }
};

namespace {

// Every live connection, so that program exit can close them while the client library is still
// whole: a connection left to static destruction would otherwise call into a library already
// torn down (it was loaded after our statics were made, so it goes first).
std::mutex gRegistryMutex;
std::set<ConnectionCore*> gRegistry;

std::atomic<Firebird::IMaster*> gClientMaster{nullptr};

void CloseAllAtExit() {
  std::lock_guard registryLock(gRegistryMutex);
  for (ConnectionCore* core : gRegistry) {
    std::lock_guard lock(core->Mutex);
    core->DetachLocked();
  }
  // Stop the client's own threads (and an embedded engine, which flushes its pages) now: left
  // running into the library's teardown they race with it. Bounded, so exit never hangs.
  if (Firebird::IMaster* master = gClientMaster.load()) {
    Firebird::IProvider* dispatcher = master->getDispatcher();
    try {
      Status st(master);
      dispatcher->shutdown(&st, 5000, fb_shutrsn_app_stopped);
    } catch (const Firebird::FbException&) {
      // Nothing more can be done at exit.
    }
    dispatcher->release();
  }
  firebird_client::MarkClientShutDown();
}

}  // namespace

ConnectionCore::ConnectionCore() {
  std::lock_guard lock(gRegistryMutex);
  gRegistry.insert(this);
}

ConnectionCore::~ConnectionCore() {
  {
    std::lock_guard lock(gRegistryMutex);
    gRegistry.erase(this);
  }
  DetachLocked();
}

// Registered after the library was loaded, so that it runs before the library's own exit.
void CloseEverythingAtExit(Firebird::IMaster* master) {
  Firebird::IMaster* none = nullptr;
  gClientMaster.compare_exchange_strong(none, master);
  static std::once_flag once;
  std::call_once(once, [] { std::atexit(CloseAllAtExit); });
}

}  // namespace database_detail

void CloseFirebirdClientAtExit() {
  database_detail::CloseEverythingAtExit(firebird_client::Master(""));
}

using database_detail::ConnectionCore;
using database_detail::CursorState;

namespace {

// The transaction one statement runs in: the explicit one, or its own, which is rolled back
// unless committed or handed over to a cursor.
class StatementTransaction {
 public:
  StatementTransaction(ConnectionCore& core, Status& st) : FCore(core) {
    if (core.TransactionLost) throw EDatabaseError(LostTransactionMessage());
    if (core.Transaction) {
      FUse = core.Transaction.get();
    } else {
      FOwn = core.Start(st);
      FUse = FOwn.get();
    }
  }
  ~StatementTransaction() {
    if (!FOwn) return;
    try {
      Status st(FCore.Master);
      FOwn->rollback(&st);
      FOwn.Forget();
    } catch (const FbException&) {
    }
  }
  StatementTransaction(const StatementTransaction&) = delete;
  StatementTransaction& operator=(const StatementTransaction&) = delete;

  [[nodiscard]] ITransaction* Get() const { return FUse; }
  void Commit(Status& st) {
    if (!FOwn) return;
    FOwn->commit(&st);
    FOwn.Forget();
  }
  // The own transaction (null inside an explicit one), for a cursor that outlives this step.
  Ref<ITransaction> Release() { return std::move(FOwn); }

 private:
  ConnectionCore& FCore;
  Ref<ITransaction> FOwn;
  ITransaction* FUse = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Connection

Connection::Connection() : FCore(std::make_shared<ConnectionCore>()) {}

Connection::Connection(ConnectionParams params) : Connection() {
  FCore->Params = std::move(params);
}

Connection::~Connection() {
  std::lock_guard lock(FCore->Mutex);
  FCore->DetachLocked();
  FCore->Retired = true;
}

void Connection::SetParams(ConnectionParams params) {
  std::lock_guard lock(FCore->Mutex);
  FCore->DetachLocked();
  FCore->Params = std::move(params);
}

ConnectionParams Connection::Params() const {
  std::lock_guard lock(FCore->Mutex);
  return FCore->Params;
}

void Connection::Open() {
  std::lock_guard lock(FCore->Mutex);
  FCore->EnsureAttached();
}

void Connection::Close() {
  std::lock_guard lock(FCore->Mutex);
  FCore->DetachLocked();
}

bool Connection::Connected() const {
  std::lock_guard lock(FCore->Mutex);
  return static_cast<bool>(FCore->Attachment);
}

void Connection::StartTransaction() {
  std::lock_guard lock(FCore->Mutex);
  if (FCore->Transaction || FCore->TransactionLost) {
    throw EDatabaseError("Já existe uma transação aberta nesta conexão");
  }
  FCore->EnsureAttached();
  Status st(FCore->Master);
  try {
    FCore->Transaction = FCore->Start(st);
  } catch (const FbException& e) {
    FCore->Fail(e);
  }
}

void Connection::Commit() {
  std::lock_guard lock(FCore->Mutex);
  if (FCore->TransactionLost) {
    FCore->TransactionLost = false;
    throw EDatabaseError(LostTransactionMessage());
  }
  if (!FCore->Transaction) throw EDatabaseError("Nenhuma transação aberta para confirmar");
  Status st(FCore->Master);
  try {
    FCore->Transaction->commit(&st);
    FCore->Transaction.Forget();
  } catch (const FbException& e) {
    FCore->Fail(e);
  }
}

void Connection::Rollback() {
  std::lock_guard lock(FCore->Mutex);
  FCore->TransactionLost = false;
  if (!FCore->Transaction) return;
  Status st(FCore->Master);
  try {
    FCore->Transaction->rollback(&st);
    FCore->Transaction.Forget();
  } catch (const FbException& e) {
    FCore->Transaction.Reset();
    FCore->Fail(e);
  }
}

bool Connection::InTransaction() const {
  std::lock_guard lock(FCore->Mutex);
  return FCore->Transaction || FCore->TransactionLost;
}

// ---------------------------------------------------------------------------------------------
// Values

namespace {

// ISC dates count days from 17/11/1858; ours count milliseconds from 30/12/1899.
const std::int64_t kIscEpochOffsetDays = DaysFromCivil(1899, 12, 30) - DaysFromCivil(1858, 11, 17);
constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

void ToIsc(TDateTime value, ISC_DATE& date, ISC_TIME& time) {
  const std::int64_t day = FloorDiv(value.Msecs, kMsPerDay);
  const std::int64_t ms = value.Msecs - day * kMsPerDay;
  date = static_cast<ISC_DATE>(day + kIscEpochOffsetDays);
  time = static_cast<ISC_TIME>(ms * 10);
}

TDateTime FromIsc(ISC_DATE date, ISC_TIME time) {
  return TDateTime{(static_cast<std::int64_t>(date) - kIscEpochOffsetDays) * kMsPerDay +
                   static_cast<std::int64_t>(time) / 10};
}

constexpr std::int64_t kPow10[] = {1LL,
                                   10LL,
                                   100LL,
                                   1000LL,
                                   10000LL,
                                   100000LL,
                                   1000000LL,
                                   10000000LL,
                                   100000000LL,
                                   1000000000LL,
                                   10000000000LL,
                                   100000000000LL,
                                   1000000000000LL,
                                   10000000000000LL,
                                   100000000000000LL,
                                   1000000000000000LL,
                                   10000000000000000LL,
                                   100000000000000000LL,
                                   1000000000000000000LL};

// A scaled integer (value × 10^scale, scale <= 0) as money, exactly; more than four decimals
// round half to even.
Currency ScaledToCurrency(std::int64_t value, int scale) {
  const int shift = 4 + scale;  // decimal digits to add (>0) or drop (<0)
  if (shift >= 0) {
    if (shift > 18) throw ECurrencyOverflow("valor fora do intervalo de Currency");
    const __int128 raw = static_cast<__int128>(value) * kPow10[shift];
    if (raw > INT64_MAX || raw < INT64_MIN) {
      throw ECurrencyOverflow("valor fora do intervalo de Currency");
    }
    return Currency::FromRaw(static_cast<std::int64_t>(raw));
  }
  const int drop = -shift;
  if (drop > 18) return Currency::FromRaw(0);
  const std::int64_t divisor = kPow10[drop];
  std::int64_t q = value / divisor;
  const std::int64_t r = value % divisor;
  const std::int64_t twice = (r < 0 ? -r : r) * 2;  // r < divisor <= 10^18, no overflow
  if (twice > divisor || (twice == divisor && (q % 2 != 0))) q += (value < 0 ? -1 : 1);
  return Currency::FromRaw(q);
}

std::string ScaledToText(std::int64_t value, int scale) {
  if (scale >= 0) {
    std::string s = std::to_string(value);
    if (value != 0) s.append(static_cast<size_t>(scale), '0');
    return s;
  }
  const bool negative = value < 0;
  // Through unsigned so that INT64_MIN keeps its digits.
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  const auto places = static_cast<size_t>(-scale);
  if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
  std::string whole = digits.substr(0, digits.size() - places);
  std::string fraction = digits.substr(digits.size() - places);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string out = negative ? "-" : "";
  out += whole;
  if (!fraction.empty()) out += "." + fraction;
  return out;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
    --e;
  return std::string(s.substr(b, e - b));
}

std::int64_t ParseInteger(std::string_view text) {
  const std::string t = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i == t.size()) throw EConvertError("'" + std::string(text) + "' não é um inteiro válido");
  __int128 v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') {
      throw EConvertError("'" + std::string(text) + "' não é um inteiro válido");
    }
    v = v * 10 + (t[i] - '0');
    if (v > static_cast<__int128>(INT64_MAX) + 1) {
      throw EConvertError("'" + std::string(text) + "' está fora do intervalo de inteiros");
    }
  }
  if (negative) v = -v;
  if (v > INT64_MAX) throw EConvertError("'" + std::string(text) + "' está fora do intervalo");
  return static_cast<std::int64_t>(v);
}

std::string FloatText(double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.17g", value);
  // Shortest text that reads back the same value.
  for (int precision = 1; precision <= 17; ++precision) {
    char shorter[64];
    std::snprintf(shorter, sizeof shorter, "%.*g", precision, value);
    if (std::strtod(shorter, nullptr) == value) return shorter;
  }
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Query internals

namespace {

struct Column {
  std::string Name;
  unsigned Type = 0;
  int SubType = 0;
  unsigned Length = 0;
  unsigned CharSet = 0;
  int Scale = 0;
  unsigned Offset = 0;
  unsigned NullOffset = 0;
  FieldType Kind = FieldType::Other;
  int BlobSlot = -1;  // index into Row::Blobs
};

struct Row {
  std::vector<unsigned char> Data;
  std::vector<std::string> Blobs;
};

// The shape of one input slot of the message we send.
struct SlotShape {
  unsigned Type = 0;
  int SubType = 0;
  unsigned Length = 0;
  unsigned CharSet = 0;
  int Scale = 0;
  bool operator==(const SlotShape&) const = default;
};

bool IsTextType(unsigned type) { return type == SQL_TEXT || type == SQL_VARYING; }
bool IsIntegerType(unsigned type) {
  return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

FieldType KindOf(unsigned type, int subType, int scale) {
  switch (type) {
    case SQL_TEXT:
    case SQL_VARYING:
      return FieldType::Text;
    case SQL_SHORT:
      return scale < 0 ? FieldType::Numeric : FieldType::SmallInt;
    case SQL_LONG:
      return scale < 0 ? FieldType::Numeric : FieldType::Integer;
    case SQL_INT64:
      return scale < 0 ? FieldType::Numeric : FieldType::LargeInt;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return FieldType::Float;
    case SQL_BOOLEAN:
      return FieldType::Boolean;
    case SQL_TYPE_DATE:
      return FieldType::Date;
    case SQL_TYPE_TIME:
      return FieldType::Time;
    case SQL_TIMESTAMP:
      return FieldType::TimeStamp;
    case SQL_BLOB:
      return subType == 1 ? FieldType::TextBlob : FieldType::BinaryBlob;
    default:
      return FieldType::Other;
  }
}

// One column's value in the current row, decoded from the message.
enum class CellKind { Null, Int, Float, Bool, Text, Date, Time, Stamp, Unsupported };

struct Cell {
  CellKind Kind = CellKind::Null;
  std::int64_t Int = 0;
  int Scale = 0;
  double Float = 0;
  bool Bool = false;
  std::string_view Text;
  TDateTime Stamp;
};

template <typename T>
T Load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

Cell Decode(const Column& c, const Row& row) {
  Cell cell;
  const unsigned char* base = row.Data.data();
  if (Load<std::int16_t>(base + c.NullOffset) != 0) return cell;
  const unsigned char* p = base + c.Offset;
  using K = CellKind;
  switch (c.Type) {
    case SQL_TEXT: {
      std::string_view s(reinterpret_cast<const char*>(p), c.Length);
      if (c.CharSet != firebird_client::kCharSetOctets) {
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
      }
      cell.Kind = K::Text;
      cell.Text = s;
      break;
    }
    case SQL_VARYING: {
      const auto length = Load<std::uint16_t>(p);
      cell.Kind = K::Text;
      cell.Text = std::string_view(reinterpret_cast<const char*>(p + 2), length);
      break;
    }
    case SQL_SHORT:
      cell.Kind = K::Int;
      cell.Int = Load<std::int16_t>(p);
      cell.Scale = c.Scale;
      break;
    case SQL_LONG:
      cell.Kind = K::Int;
      cell.Int = Load<std::int32_t>(p);
      cell.Scale = c.Scale;
      break;
    case SQL_INT64:
      cell.Kind = K::Int;
      cell.Int = Load<std::int64_t>(p);
      cell.Scale = c.Scale;
      break;
    case SQL_FLOAT:
      cell.Kind = K::Float;
      cell.Float = Load<float>(p);
      break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      cell.Kind = K::Float;
      cell.Float = Load<double>(p);
      break;
    case SQL_BOOLEAN:
      cell.Kind = K::Bool;
      cell.Bool = *p != 0;
      break;
    case SQL_TYPE_DATE:
      cell.Kind = K::Date;
      cell.Stamp = FromIsc(Load<ISC_DATE>(p), 0);
      break;
    case SQL_TYPE_TIME:
      cell.Kind = K::Time;
      cell.Stamp = FromIsc(static_cast<ISC_DATE>(kIscEpochOffsetDays), Load<ISC_TIME>(p));
      break;
    case SQL_TIMESTAMP: {
      const auto ts = Load<ISC_TIMESTAMP>(p);
      cell.Kind = K::Stamp;
      cell.Stamp = FromIsc(ts.timestamp_date, ts.timestamp_time);
      break;
    }
    case SQL_BLOB:
      cell.Kind = K::Text;
      cell.Text = row.Blobs[static_cast<size_t>(c.BlobSlot)];
      break;
    default:
      cell.Kind = K::Unsupported;
      break;
  }
  return cell;
}

[[noreturn]] void CannotConvert(const std::string& field, const char* target) {
  throw EConvertError("O campo " + field + " não pode ser lido como " + target);
}

}  // namespace

struct Query::Impl {
  std::shared_ptr<ConnectionCore> Core;
  std::string Sql;
  ParsedStatement Parsed;
  std::vector<std::unique_ptr<Param>> Params;
  std::vector<size_t> Placeholders;  // Params index of each "?"

  // Prepared statement, valid while Generation matches the connection's.
  Ref<IStatement> Statement;
  std::uint64_t Generation = 0;
  unsigned StatementType = 0;
  Ref<IMessageMetadata> DescribedInput;
  std::vector<SlotShape> Described;
  Ref<IMessageMetadata> InputMeta;  // the shape of the values we send
  std::vector<SlotShape> InputShape;
  std::vector<unsigned> InputOffsets, InputNullOffsets;
  std::vector<unsigned char> InputBuffer;
  Ref<IMessageMetadata> OutputMeta;
  std::vector<Column> Columns;
  unsigned OutputLength = 0;
  int BlobColumns = 0;
  std::vector<Field> Fields;

  // Reading.
  CursorState Cursor;
  bool Active = false;
  bool AtEof = true;
  bool HasCurrent = false;
  bool Exhausted = true;
  Row Current;
  std::deque<Row> Ahead;
  std::vector<Row> Spare;
  std::int64_t RowsAffected = 0;

  explicit Impl(Connection& connection) : Core(connection.FCore) {}

  [[nodiscard]] bool IsSelect() const {
    return StatementType == isc_info_sql_stmt_select ||
           StatementType == isc_info_sql_stmt_select_for_upd;
  }

  void ReleaseStatementLocked() noexcept {
    if (Statement && Generation == Core->Generation && Core->Attachment) {
      try {
        Status st(Core->Master);
        Statement->free(&st);
        Statement.Forget();
      } catch (const FbException&) {
      }
    }
    Statement.Reset();
    DescribedInput.Reset();
    InputMeta.Reset();
    OutputMeta.Reset();
    InputShape.clear();
  }

  void Prepare(Status& st, ITransaction* tra, const Query* owner) {
    if (Statement && Generation == Core->Generation) return;
    ReleaseStatementLocked();
    Ref<IStatement> stmt(Core->Attachment->prepare(&st, tra, 0, Parsed.EngineText.c_str(), kDialect,
                                                   IStatement::PREPARE_PREFETCH_METADATA));
    StatementType = stmt->getType(&st);

    Ref<IMessageMetadata> in(stmt->getInputMetadata(&st));
    const unsigned inCount = in->getCount(&st);
    if (inCount != Placeholders.size()) {
      throw EDatabaseError("O comando tem parâmetros sem nome; use :NOME para cada parâmetro");
    }
    Described.assign(inCount, {});
    for (unsigned i = 0; i < inCount; ++i) {
      Described[i] = {in->getType(&st, i), in->getSubType(&st, i), in->getLength(&st, i),
                      in->getCharSet(&st, i), in->getScale(&st, i)};
    }

    Ref<IMessageMetadata> out(stmt->getOutputMetadata(&st));
    const unsigned outCount = out->getCount(&st);
    Columns.assign(outCount, {});
    BlobColumns = 0;
    for (unsigned i = 0; i < outCount; ++i) {
      Column& c = Columns[i];
      c.Name = out->getAlias(&st, i);
      if (c.Name.empty()) c.Name = out->getField(&st, i);
      c.Type = out->getType(&st, i);
      c.SubType = out->getSubType(&st, i);
      c.Length = out->getLength(&st, i);
      c.CharSet = out->getCharSet(&st, i);
      c.Scale = out->getScale(&st, i);
      c.Offset = out->getOffset(&st, i);
      c.NullOffset = out->getNullOffset(&st, i);
      c.Kind = KindOf(c.Type, c.SubType, c.Scale);
      if (c.Type == SQL_BLOB) c.BlobSlot = BlobColumns++;
    }
    OutputLength = out->getMessageLength(&st);
    // A repeated column name is told apart as NAME_1, NAME_2...
    for (size_t i = 1; i < Columns.size(); ++i) {
      auto taken = [&](const std::string& name) {
        for (size_t j = 0; j < i; ++j) {
          if (SameNameIgnoringCase(Columns[j].Name, name)) return true;
        }
        return false;
      };
      const std::string base = Columns[i].Name;
      if (!taken(base)) continue;
      int suffix = 1;
      while (taken(base + "_" + std::to_string(suffix))) ++suffix;
      Columns[i].Name = base + "_" + std::to_string(suffix);
    }
    Fields.clear();
    Fields.reserve(Columns.size());
    for (size_t i = 0; i < Columns.size(); ++i) {
      const Column& c = Columns[i];
      int size = 0;
      if (c.Kind == FieldType::Text) {
        size =
            static_cast<int>(c.CharSet == firebird_client::kCharSetUtf8 ? c.Length / 4 : c.Length);
      }
      Fields.push_back(Field(owner, static_cast<int>(i), c.Name, c.Kind, size, -c.Scale));
    }

    Statement = std::move(stmt);
    DescribedInput = std::move(in);
    OutputMeta = std::move(out);
    Generation = Core->Generation;
  }

  // The shape a value is sent in; the engine converts it to the column's type.
  SlotShape ShapeFor(const Param& p, const SlotShape& described, const SlotShape& previous) {
    SlotShape s;
    using K = Param::Kind;
    switch (p.FKind) {
      case K::Unassigned:
        throw EDatabaseError("O parâmetro " + p.FName + " não recebeu valor");
      case K::Null:
        // Any shape carries a NULL; keeping the last one spares rebuilding the message.
        s = previous.Type != 0 ? previous : described;
        if (s.Type == SQL_NULL) s = {SQL_VARYING, 0, 1, firebird_client::kCharSetUtf8, 0};
        break;
      case K::Text:
      case K::Bytes: {
        const bool bytes = p.FKind == K::Bytes;
        if (described.Type == SQL_BLOB) {
          s = {SQL_BLOB, described.SubType, sizeof(ISC_QUAD), described.CharSet, 0};
          break;
        }
        unsigned charSet = firebird_client::kCharSetUtf8;
        if (bytes)
          charSet = firebird_client::kCharSetOctets;
        else if (IsTextType(described.Type))
          charSet = described.CharSet;
        // Room for this value and the ones before it, so that a loop over rows keeps one shape.
        unsigned length = static_cast<unsigned>(p.FText.size());
        if (previous.Type == SQL_VARYING && previous.CharSet == charSet) {
          length = std::max(length, previous.Length);
        }
        s = {SQL_VARYING, 0, std::max(length, 1u), charSet, 0};
        break;
      }
      case K::Integer:
        s = {SQL_LONG, 0, 4, 0, 0};
        break;
      case K::LargeInt:
        s = {SQL_INT64, 0, 8, 0, 0};
        break;
      case K::Boolean:
        if (IsIntegerType(described.Type) && described.Scale == 0)
          s = {SQL_LONG, 0, 4, 0, 0};
        else
          s = {SQL_BOOLEAN, 0, 1, 0, 0};
        break;
      case K::Currency:
        s = {SQL_INT64, 0, 8, 0, -4};
        break;
      case K::Float:
        s = {SQL_DOUBLE, 0, 8, 0, 0};
        break;
      case K::DateTime:
        s = {SQL_TIMESTAMP, 0, sizeof(ISC_TIMESTAMP), 0, 0};
        break;
      case K::Date:
        s = {SQL_TYPE_DATE, 0, sizeof(ISC_DATE), 0, 0};
        break;
      case K::Time:
        s = {SQL_TYPE_TIME, 0, sizeof(ISC_TIME), 0, 0};
        break;
    }
    return s;
  }

  void WriteBlob(Status& st, ITransaction* tra, const std::string& content, ISC_QUAD& id) {
    Ref<IBlob> blob(Core->Attachment->createBlob(&st, tra, &id, 0, nullptr));
    for (size_t done = 0; done < content.size();) {
      const auto n = static_cast<unsigned>(std::min<size_t>(kBlobChunk, content.size() - done));
      blob->putSegment(&st, n, content.data() + done);
      done += n;
    }
    blob->close(&st);
    blob.Forget();
  }

  void ReadBlobs(Status& st, ITransaction* tra, Row& row) {
    row.Blobs.resize(static_cast<size_t>(BlobColumns));
    for (const Column& c : Columns) {
      if (c.BlobSlot < 0) continue;
      std::string& content = row.Blobs[static_cast<size_t>(c.BlobSlot)];
      content.clear();
      const unsigned char* base = row.Data.data();
      if (Load<std::int16_t>(base + c.NullOffset) != 0) continue;
      auto id = Load<ISC_QUAD>(base + c.Offset);
      Ref<IBlob> blob(Core->Attachment->openBlob(&st, tra, &id, 0, nullptr));
      char buffer[kBlobChunk];
      while (true) {
        unsigned got = 0;
        const int r = blob->getSegment(&st, sizeof buffer, buffer, &got);
        if (r == IStatus::RESULT_NO_DATA) break;
        content.append(buffer, got);
      }
      blob->close(&st);
      blob.Forget();
    }
  }

  // Fills the input message from the parameters.
  void Bind(Status& st, ITransaction* tra) {
    const size_t count = Placeholders.size();
    if (count == 0) return;
    std::vector<SlotShape> shape(count);
    for (size_t i = 0; i < count; ++i) {
      shape[i] = ShapeFor(*Params[Placeholders[i]], Described[i],
                          i < InputShape.size() ? InputShape[i] : SlotShape{});
    }
    if (!InputMeta || shape != InputShape) {
      Ref<IMetadataBuilder> builder(DescribedInput->getBuilder(&st));
      for (unsigned i = 0; i < count; ++i) {
        builder->setType(&st, i, shape[i].Type);
        builder->setSubType(&st, i, shape[i].SubType);
        builder->setLength(&st, i, shape[i].Length);
        builder->setCharSet(&st, i, shape[i].CharSet);
        builder->setScale(&st, i, shape[i].Scale);
      }
      InputMeta.Reset(builder->getMetadata(&st));
      InputShape = shape;
      InputOffsets.assign(count, 0);
      InputNullOffsets.assign(count, 0);
      for (unsigned i = 0; i < count; ++i) {
        InputOffsets[i] = InputMeta->getOffset(&st, i);
        InputNullOffsets[i] = InputMeta->getNullOffset(&st, i);
      }
      InputBuffer.assign(InputMeta->getMessageLength(&st), 0);
    }
    unsigned char* buffer = InputBuffer.data();
    for (size_t i = 0; i < count; ++i) {
      const Param& p = *Params[Placeholders[i]];
      unsigned char* at = buffer + InputOffsets[i];
      const std::int16_t isNull = p.FKind == Param::Kind::Null ? -1 : 0;
      std::memcpy(buffer + InputNullOffsets[i], &isNull, sizeof isNull);
      if (isNull) continue;
      using K = Param::Kind;
      switch (shape[i].Type) {
        case SQL_BLOB: {
          ISC_QUAD id{};
          WriteBlob(st, tra, p.FText, id);
          std::memcpy(at, &id, sizeof id);
          break;
        }
        case SQL_VARYING: {
          const auto length = static_cast<std::uint16_t>(p.FText.size());
          std::memcpy(at, &length, sizeof length);
          std::copy(p.FText.begin(), p.FText.end(), at + 2);
          break;
        }
        case SQL_LONG: {
          const auto v = static_cast<std::int32_t>(p.FInt);
          std::memcpy(at, &v, sizeof v);
          break;
        }
        case SQL_INT64:
          std::memcpy(at, &p.FInt, sizeof p.FInt);
          break;
        case SQL_BOOLEAN:
          *at = p.FInt != 0 ? 1 : 0;
          break;
        case SQL_DOUBLE:
          std::memcpy(at, &p.FFloat, sizeof p.FFloat);
          break;
        case SQL_TIMESTAMP: {
          ISC_TIMESTAMP ts{};
          ToIsc(TDateTime{p.FInt}, ts.timestamp_date, ts.timestamp_time);
          std::memcpy(at, &ts, sizeof ts);
          break;
        }
        case SQL_TYPE_DATE: {
          ISC_DATE d = 0;
          ISC_TIME t = 0;
          ToIsc(TDateTime{p.FInt}, d, t);
          std::memcpy(at, &d, sizeof d);
          break;
        }
        case SQL_TYPE_TIME: {
          ISC_DATE d = 0;
          ISC_TIME t = 0;
          ToIsc(TDateTime{p.FInt}, d, t);
          std::memcpy(at, &t, sizeof t);
          break;
        }
        default:
          // Only NULL keeps a described shape, and NULL was handled above.
          (void)K::Null;
          break;
      }
    }
  }

  Row TakeRow() {
    Row r;
    if (!Spare.empty()) {
      r = std::move(Spare.back());
      Spare.pop_back();
    }
    r.Data.resize(OutputLength);
    return r;
  }

  void Recycle(Row&& r) {
    if (Spare.size() < 4) Spare.push_back(std::move(r));
  }

  void FinishCursor(Status& st) {
    Core->Cursors.erase(&Cursor);
    Exhausted = true;
    if (Cursor.ResultSet) {
      Cursor.ResultSet->close(&st);
      Cursor.ResultSet.Forget();
    }
    if (Cursor.OwnTransaction) {
      Cursor.OwnTransaction->commit(&st);
      Cursor.OwnTransaction.Forget();
    }
    Cursor.Transaction = nullptr;
  }

  // Ends the cursor without caring whether the engine agrees.
  void AbandonCursor() noexcept {
    Core->Cursors.erase(&Cursor);
    if (Cursor.ResultSet || Cursor.OwnTransaction) {
      try {
        Status st(Core->Master);
        if (Cursor.ResultSet) {
          Cursor.ResultSet->close(&st);
          Cursor.ResultSet.Forget();
        }
        if (Cursor.OwnTransaction) {
          Cursor.OwnTransaction->commit(&st);
          Cursor.OwnTransaction.Forget();
        }
      } catch (const FbException&) {
      }
    }
    Cursor.ResultSet.Reset();
    Cursor.OwnTransaction.Reset();
    Cursor.Transaction = nullptr;
    Exhausted = true;
  }

  // Fetches the next batch (everything when `all`); ends the cursor after the last row.
  void Fill(Status& st, bool all) {
    size_t rows = 0, bytes = 0;
    while (!Exhausted && (all || (rows < kBatchRows && bytes < kBatchBytes))) {
      Row r = TakeRow();
      if (Cursor.ResultSet->fetchNext(&st, r.Data.data()) == IStatus::RESULT_NO_DATA) {
        Recycle(std::move(r));
        FinishCursor(st);
        break;
      }
      if (BlobColumns > 0) ReadBlobs(st, Cursor.Transaction, r);
      bytes += r.Data.size();
      for (const std::string& b : r.Blobs) bytes += b.size();
      Ahead.push_back(std::move(r));
      ++rows;
    }
  }

  // Moves to the next row; past the last one the last row stays current, as in the original.
  void Advance() {
    if (Ahead.empty()) {
      AtEof = true;
      return;
    }
    if (HasCurrent) Recycle(std::move(Current));
    Current = std::move(Ahead.front());
    Ahead.pop_front();
    HasCurrent = true;
    AtEof = false;
  }

  [[nodiscard]] Cell CellAt(int index, const std::string& name) const {
    if (!Active) throw EDatabaseError("A consulta está fechada: campo " + name);
    if (!HasCurrent) return Cell{};
    return Decode(Columns[static_cast<size_t>(index)], Current);
  }

  void ResetReading() {
    Active = false;
    AtEof = true;
    HasCurrent = false;
    Ahead.clear();
  }
};

// ---------------------------------------------------------------------------------------------
// Field

bool Field::IsNull() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  return cell.Kind == CellKind::Null;
}

std::string Field::AsString() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  using K = CellKind;
  switch (cell.Kind) {
    case K::Null:
      return {};
    case K::Int:
      return ScaledToText(cell.Int, cell.Scale);
    case K::Float:
      return FloatText(cell.Float);
    case K::Bool:
      return cell.Bool ? "True" : "False";
    case K::Text:
      return std::string(cell.Text);
    case K::Date:
      return FormatDateTime("dd/mm/yyyy", cell.Stamp);
    case K::Time:
      return FormatDateTime("hh:nn:ss", cell.Stamp);
    case K::Stamp:
      return FormatDateTime("dd/mm/yyyy hh:nn:ss", cell.Stamp);
    case K::Unsupported:
      break;
  }
  CannotConvert(FName, "texto");
}

std::int64_t Field::AsLargeInt() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  using K = CellKind;
  switch (cell.Kind) {
    case K::Null:
      return 0;
    case K::Int:
      return cell.Scale < 0 ? cell.Int / kPow10[-cell.Scale] : cell.Int;
    case K::Float: {
      const double r = std::nearbyint(cell.Float);
      if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18)) {
        CannotConvert(FName, "inteiro");
      }
      return static_cast<std::int64_t>(r);
    }
    case K::Bool:
      return cell.Bool ? 1 : 0;
    case K::Text:
      if (FType == FieldType::BinaryBlob) break;
      return ParseInteger(cell.Text);
    default:
      break;
  }
  CannotConvert(FName, "inteiro");
}

std::int32_t Field::AsInteger() const {
  const std::int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX) {
    throw EConvertError("O valor " + std::to_string(v) + " do campo " + FName +
                        " não cabe num inteiro de 32 bits");
  }
  return static_cast<std::int32_t>(v);
}

bool Field::AsBoolean() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  using K = CellKind;
  switch (cell.Kind) {
    case K::Null:
      return false;
    case K::Int:
      return cell.Int != 0;
    case K::Float:
      return cell.Float != 0;
    case K::Bool:
      return cell.Bool;
    case K::Text: {
      const std::string t = UpperAscii(Trim(cell.Text));
      if (t.empty() || t == "F" || t == "FALSE" || t == "N" || t == "0") return false;
      if (t == "T" || t == "TRUE" || t == "S" || t == "Y" || t == "1") return true;
      break;
    }
    default:
      break;
  }
  CannotConvert(FName, "Boolean");
}

Currency Field::AsCurrency() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  using K = CellKind;
  switch (cell.Kind) {
    case K::Null:
      return Currency();
    case K::Int:
      return ScaledToCurrency(cell.Int, cell.Scale);
    case K::Float:
      return Currency::FromDouble(cell.Float);
    case K::Bool:
      return Currency::FromRaw(cell.Bool ? Currency::kScale : 0);
    case K::Text:
      if (FType == FieldType::BinaryBlob) break;
      return Currency::Parse(Trim(cell.Text));
    default:
      break;
  }
  CannotConvert(FName, "valor monetário");
}

double Field::AsFloat() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  using K = CellKind;
  switch (cell.Kind) {
    case K::Null:
      return 0;
    case K::Int:
      return cell.Scale < 0 ? static_cast<double>(static_cast<long double>(cell.Int) /
                                                  static_cast<long double>(kPow10[-cell.Scale]))
                            : static_cast<double>(cell.Int);
    case K::Float:
      return cell.Float;
    case K::Bool:
      return cell.Bool ? 1 : 0;
    case K::Date:
    case K::Time:
    case K::Stamp:
      return cell.Stamp.ToOleDays();
    case K::Text: {
      if (FType == FieldType::BinaryBlob) break;
      const std::string t = Trim(cell.Text);
      char* end = nullptr;
      const double v = std::strtod(t.c_str(), &end);
      if (!t.empty() && end == t.c_str() + t.size()) return v;
      throw EConvertError("'" + t + "' não é um número válido (campo " + FName + ")");
    }
    default:
      break;
  }
  CannotConvert(FName, "número");
}

TDateTime Field::AsDateTime() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  using K = CellKind;
  switch (cell.Kind) {
    case K::Null:
      return TDateTime{};
    case K::Date:
    case K::Time:
    case K::Stamp:
      return cell.Stamp;
    case K::Float:
      return TDateTime::FromOleDays(cell.Float);
    case K::Text: {
      if (FType == FieldType::BinaryBlob) break;
      const std::string t = Trim(cell.Text);
      for (const char* pattern : {"dd/mm/yyyy hh:nn:ss", "dd/mm/yyyy hh:nn", "dd/mm/yyyy",
                                  "yyyy-mm-dd hh:nn:ss", "yyyy-mm-dd"}) {
        try {
          return ParseDateTime(pattern, t);
        } catch (const std::invalid_argument&) {
        }
      }
      throw EConvertError("'" + t + "' não é uma data válida (campo " + FName + ")");
    }
    default:
      break;
  }
  CannotConvert(FName, "data");
}

std::string Field::AsBytes() const {
  const Cell cell = FQuery->FImpl->CellAt(FIndex, FName);
  if (cell.Kind == CellKind::Text) return std::string(cell.Text);
  if (cell.Kind == CellKind::Null) return {};
  return AsString();
}

// ---------------------------------------------------------------------------------------------
// Param

void Param::Clear() {
  FKind = Kind::Null;
  FText.clear();
}
void Param::SetString(std::string_view value) {
  FKind = Kind::Text;
  FText.assign(value);
}
void Param::SetInteger(std::int32_t value) {
  FKind = Kind::Integer;
  FInt = value;
}
void Param::SetLargeInt(std::int64_t value) {
  FKind = Kind::LargeInt;
  FInt = value;
}
void Param::SetBoolean(bool value) {
  FKind = Kind::Boolean;
  FInt = value ? 1 : 0;
}
void Param::SetCurrency(Currency value) {
  FKind = Kind::Currency;
  FInt = value.Raw();
}
void Param::SetFloat(double value) {
  FKind = Kind::Float;
  FFloat = value;
}
void Param::SetDateTime(TDateTime value) {
  FKind = Kind::DateTime;
  FInt = value.Msecs;
}
void Param::SetDate(TDateTime value) {
  FKind = Kind::Date;
  FInt = value.DatePart().Msecs;
}
void Param::SetTime(TDateTime value) {
  FKind = Kind::Time;
  FInt = value.Msecs - value.DatePart().Msecs;
}
void Param::SetBytes(std::string_view value) {
  FKind = Kind::Bytes;
  FText.assign(value);
}
bool Param::IsNull() const { return FKind == Kind::Null || FKind == Kind::Unassigned; }
bool Param::Assigned() const { return FKind != Kind::Unassigned; }

// ---------------------------------------------------------------------------------------------
// Query

Query::Query(Connection& connection) : FImpl(std::make_unique<Impl>(connection)) {}

Query::~Query() {
  Close();
  std::lock_guard lock(FImpl->Core->Mutex);
  FImpl->ReleaseStatementLocked();
}

void Query::SetSQL(std::string text) {
  Close();
  if (text == FImpl->Sql && !FImpl->Parsed.EngineText.empty()) return;
  {
    std::lock_guard lock(FImpl->Core->Mutex);
    FImpl->ReleaseStatementLocked();
  }
  FImpl->Sql = std::move(text);
  FImpl->Parsed = ParseParameters(FImpl->Sql);
  FImpl->Params.clear();
  FImpl->Placeholders.clear();
  FImpl->Columns.clear();
  FImpl->Fields.clear();
  for (const std::string& name : FImpl->Parsed.Names) {
    size_t index = 0;
    while (index < FImpl->Params.size() &&
           !SameNameIgnoringCase(FImpl->Params[index]->FName, name)) {
      ++index;
    }
    if (index == FImpl->Params.size()) {
      FImpl->Params.push_back(std::unique_ptr<Param>(new Param(name)));
    }
    FImpl->Placeholders.push_back(index);
  }
}

const std::string& Query::SQL() const { return FImpl->Sql; }

Param* Query::FindParam(std::string_view name) {
  for (const auto& p : FImpl->Params) {
    if (SameNameIgnoringCase(p->FName, name)) return p.get();
  }
  return nullptr;
}

Param& Query::ParamByName(std::string_view name) {
  if (Param* p = FindParam(name)) return *p;
  throw EDatabaseError("Parâmetro " + std::string(name) + " não encontrado");
}

int Query::ParamCount() const { return static_cast<int>(FImpl->Params.size()); }

void Query::Open() {
  Close();
  Impl& q = *FImpl;
  if (q.Sql.empty()) throw EDatabaseError("A consulta não tem comando SQL");
  ConnectionCore& core = *q.Core;
  std::lock_guard lock(core.Mutex);
  core.EnsureAttached();
  Status st(core.Master);
  try {
    StatementTransaction tra(core, st);
    q.Prepare(st, tra.Get(), this);
    q.Bind(st, tra.Get());
    if (q.IsSelect()) {
      q.Cursor = CursorState{};
      q.Cursor.ResultSet.Reset(q.Statement->openCursor(
          &st, tra.Get(), q.InputMeta.get(), q.InputBuffer.data(), q.OutputMeta.get(), 0));
      q.Cursor.Transaction = tra.Get();
      q.Cursor.OwnTransaction = tra.Release();
      q.Exhausted = false;
      core.Cursors.insert(&q.Cursor);
      try {
        // Inside an explicit transaction the rows are read now: a cursor must not outlive it.
        q.Fill(st, !q.Cursor.OwnTransaction);
      } catch (...) {
        q.AbandonCursor();
        throw;
      }
      q.RowsAffected = 0;
    } else {
      if (q.Columns.empty()) {
        throw EDatabaseError("O comando não retorna registros; use ExecSQL");
      }
      Row r = q.TakeRow();
      q.Statement->execute(&st, tra.Get(), q.InputMeta.get(), q.InputBuffer.data(),
                           q.OutputMeta.get(), r.Data.data());
      if (q.BlobColumns > 0) q.ReadBlobs(st, tra.Get(), r);
      q.RowsAffected = static_cast<std::int64_t>(q.Statement->getAffectedRecords(&st));
      tra.Commit(st);
      q.Ahead.push_back(std::move(r));
    }
    q.Active = true;
    q.Advance();
  } catch (const FbException& e) {
    q.ResetReading();
    core.Fail(e);
  } catch (...) {
    q.ResetReading();
    throw;
  }
}

void Query::ExecSQL() {
  Close();
  Impl& q = *FImpl;
  if (q.Sql.empty()) throw EDatabaseError("A consulta não tem comando SQL");
  ConnectionCore& core = *q.Core;
  std::lock_guard lock(core.Mutex);
  core.EnsureAttached();
  Status st(core.Master);
  try {
    StatementTransaction tra(core, st);
    q.Prepare(st, tra.Get(), this);
    if (q.IsSelect()) throw EDatabaseError("O comando retorna registros; use Open");
    q.Bind(st, tra.Get());
    Row r;
    if (!q.Columns.empty()) r = q.TakeRow();
    q.Statement->execute(&st, tra.Get(), q.InputMeta.get(), q.InputBuffer.data(),
                         q.Columns.empty() ? nullptr : q.OutputMeta.get(),
                         q.Columns.empty() ? nullptr : r.Data.data());
    if (q.BlobColumns > 0) q.ReadBlobs(st, tra.Get(), r);
    q.RowsAffected = static_cast<std::int64_t>(q.Statement->getAffectedRecords(&st));
    tra.Commit(st);
    if (!q.Columns.empty()) {
      // RETURNING values stay readable as the current row.
      q.Ahead.push_back(std::move(r));
      q.Active = true;
      q.Advance();
    }
  } catch (const FbException& e) {
    q.ResetReading();
    core.Fail(e);
  }
}

void Query::Close() {
  Impl& q = *FImpl;
  if (!q.Exhausted) {
    std::lock_guard lock(q.Core->Mutex);
    q.AbandonCursor();
  }
  q.Cursor.Aborted = false;
  q.ResetReading();
}

bool Query::Active() const { return FImpl->Active; }
bool Query::Eof() const { return FImpl->AtEof; }

void Query::Next() {
  Impl& q = *FImpl;
  if (!q.Active) throw EDatabaseError("A consulta não está aberta");
  if (q.AtEof) return;
  if (q.Ahead.empty() && !q.Exhausted) {
    ConnectionCore& core = *q.Core;
    std::lock_guard lock(core.Mutex);
    if (q.Cursor.Aborted) {
      q.Exhausted = true;
      throw EDatabaseError(q.Cursor.AbortReason);
    }
    Status st(core.Master);
    try {
      q.Fill(st, false);
    } catch (const FbException& e) {
      q.AbandonCursor();
      core.Fail(e);
    }
  }
  q.Advance();
}

std::int64_t Query::RowsAffected() const { return FImpl->RowsAffected; }

int Query::FieldCount() const { return static_cast<int>(FImpl->Fields.size()); }

std::vector<std::string> Query::FieldNames() const {
  std::vector<std::string> names;
  names.reserve(FImpl->Fields.size());
  for (const Field& f : FImpl->Fields) names.push_back(f.FieldName());
  return names;
}

const Field* Query::FindField(std::string_view name) const {
  for (const Field& f : FImpl->Fields) {
    if (SameNameIgnoringCase(f.FieldName(), name)) return &f;
  }
  return nullptr;
}

const Field& Query::FieldByName(std::string_view name) const {
  if (const Field* f = FindField(name)) return *f;
  throw EDatabaseError("Campo " + std::string(name) + " não encontrado");
}

const Field& Query::Fields(int index) const {
  if (index < 0 || index >= FieldCount()) {
    throw EDatabaseError("Campo de índice " + std::to_string(index) + " não existe");
  }
  return FImpl->Fields[static_cast<size_t>(index)];
}
