#include <gtest/gtest.h>

#include <string>

#include "DatabaseTest.h"
#include "common/DelphiFormat.h"
#include "common/Errors.h"

namespace {

class QueryTest : public DatabaseTest {
 protected:
  void SetUp() override {
    Exec(
        "create table tipos (id integer not null primary key, txt varchar(20), fixo char(5),"
        " peq smallint, inte integer, grande bigint, flag boolean, n2 numeric(18,2),"
        " n4 numeric(18,4), n6 numeric(18,6), n92 numeric(9,2), n41 numeric(4,1),"
        " dbl double precision, dt date, hr time, ts timestamp, memo blob sub_type text,"
        " bin blob sub_type binary)");
  }

  // The engine's message of a statement that must fail.
  std::string ErrorOf(const std::string& sql) {
    Query q(connection);
    q.SetSQL(sql);
    try {
      q.ExecSQL();
    } catch (const EDatabaseError& e) {
      return e.what();
    }
    ADD_FAILURE() << "não falhou: " << sql;
    return {};
  }
};

TEST_P(QueryTest, EveryTypeRoundTripsThroughParametersAndNullReadsEmpty) {
  const TDateTime stamp = TDateTime::FromParts(2026, 3, 9, 14, 5, 7, 250);
  const std::string bytes("\0\x01\x7f\x80\xff", 5);
  Query q(connection);
  q.SetSQL(
      "insert into tipos values (:id, :txt, :fixo, :peq, :inte, :grande, :flag, :n2, :n4, :n6,"
      " :n92, :n41, :dbl, :dt, :hr, :ts, :memo, :bin)");
  q.ParamByName("id").SetInteger(1);
  q.ParamByName("txt").SetString("texto");
  q.ParamByName("fixo").SetString("ab");
  q.ParamByName("peq").SetInteger(-32768);
  q.ParamByName("inte").SetInteger(2147483647);
  q.ParamByName("grande").SetLargeInt(-9223372036854775807LL);
  q.ParamByName("flag").SetBoolean(true);
  q.ParamByName("n2").SetCurrency(Currency::Parse("-1234.56"));
  q.ParamByName("n4").SetCurrency(Currency::Parse("0.0001"));
  q.ParamByName("n6").SetString("1.234567");
  q.ParamByName("n92").SetCurrency(Currency::Parse("9999999.99"));
  q.ParamByName("n41").SetCurrency(Currency::Parse("-99.9"));
  q.ParamByName("dbl").SetFloat(0.1);
  q.ParamByName("dt").SetDate(stamp);
  q.ParamByName("hr").SetTime(stamp);
  q.ParamByName("ts").SetDateTime(stamp);
  q.ParamByName("memo").SetString(std::string(70000, 'x') + "ção");
  q.ParamByName("bin").SetBytes(bytes);
  q.ExecSQL();
  EXPECT_EQ(q.RowsAffected(), 1);

  q.ParamByName("id").SetInteger(2);
  for (const char* name : {"txt", "fixo", "peq", "inte", "grande", "flag", "n2", "n4", "n6", "n92",
                           "n41", "dbl", "dt", "hr", "ts", "memo", "bin"}) {
    q.ParamByName(name).Clear();
  }
  q.ExecSQL();

  q.SetSQL("select * from tipos order by id");
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("TXT").AsString(), "texto");
  EXPECT_EQ(q.FieldByName("fixo").AsString(), "ab");  // CHAR loses its padding
  EXPECT_EQ(q.FieldByName("peq").AsInteger(), -32768);
  EXPECT_EQ(q.FieldByName("inte").AsInteger(), 2147483647);
  EXPECT_EQ(q.FieldByName("grande").AsLargeInt(), -9223372036854775807LL);
  EXPECT_THROW((void)q.FieldByName("grande").AsInteger(), EConvertError);
  EXPECT_TRUE(q.FieldByName("flag").AsBoolean());
  EXPECT_EQ(q.FieldByName("n2").AsCurrency(), Currency::Parse("-1234.56"));
  EXPECT_EQ(q.FieldByName("n4").AsCurrency(), Currency::Parse("0.0001"));
  EXPECT_EQ(q.FieldByName("n6").AsString(), "1.234567");
  EXPECT_EQ(q.FieldByName("n92").AsCurrency(), Currency::Parse("9999999.99"));
  EXPECT_EQ(q.FieldByName("n41").AsString(), "-99.9");
  EXPECT_EQ(q.FieldByName("dbl").AsFloat(), 0.1);
  EXPECT_EQ(q.FieldByName("dt").AsDateTime(), stamp.DatePart());
  EXPECT_EQ(q.FieldByName("hr").AsString(), "14:05:07");
  EXPECT_EQ(q.FieldByName("hr").AsDateTime().Msecs, stamp.Msecs - stamp.DatePart().Msecs);
  EXPECT_EQ(q.FieldByName("ts").AsDateTime(), stamp);
  EXPECT_EQ(q.FieldByName("ts").AsString(), "09/03/2026 14:05:07");
  EXPECT_EQ(q.FieldByName("memo").AsString(), std::string(70000, 'x') + "ção");
  EXPECT_EQ(q.FieldByName("bin").AsBytes(), bytes);
  EXPECT_FALSE(q.FieldByName("bin").IsNull());

  q.Next();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("id").AsInteger(), 2);
  for (int i = 1; i < q.FieldCount(); ++i) {
    const Field& f = q.Fields(i);
    SCOPED_TRACE(f.FieldName());
    EXPECT_TRUE(f.IsNull());
    EXPECT_EQ(f.AsString(), "");
    EXPECT_EQ(f.AsLargeInt(), 0);
    EXPECT_FALSE(f.AsBoolean());
    EXPECT_EQ(f.AsCurrency(), Currency());
    EXPECT_TRUE(f.AsDateTime().IsEmpty());
  }
  q.Next();
  EXPECT_TRUE(q.Eof());
}

TEST_P(QueryTest, FieldsDescribeTheirColumns) {
  Query q(connection);
  q.SetSQL("select t.*, 1 as id from tipos t");
  q.Open();
  EXPECT_TRUE(q.Eof());
  const std::vector<std::string> expected{"ID", "TXT", "FIXO", "PEQ", "INTE", "GRANDE", "FLAG",
                                          "N2", "N4",  "N6",   "N92", "N41",  "DBL",    "DT",
                                          "HR", "TS",  "MEMO", "BIN", "ID_1"};
  EXPECT_EQ(q.FieldNames(), expected);
  struct Case {
    const char* name;
    FieldType type;
    int size;
    int scale;
  };
  const Case cases[] = {
      {"txt", FieldType::Text, 20, 0},       {"fixo", FieldType::Text, 5, 0},
      {"peq", FieldType::SmallInt, 0, 0},    {"inte", FieldType::Integer, 0, 0},
      {"grande", FieldType::LargeInt, 0, 0}, {"flag", FieldType::Boolean, 0, 0},
      {"n2", FieldType::Numeric, 0, 2},      {"n41", FieldType::Numeric, 0, 1},
      {"dbl", FieldType::Float, 0, 0},       {"dt", FieldType::Date, 0, 0},
      {"hr", FieldType::Time, 0, 0},         {"ts", FieldType::TimeStamp, 0, 0},
      {"memo", FieldType::TextBlob, 0, 0},   {"bin", FieldType::BinaryBlob, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Field& f = q.FieldByName(c.name);
    EXPECT_EQ(f.DataType(), c.type);
    EXPECT_EQ(f.Size(), c.size);
    EXPECT_EQ(f.Scale(), c.scale);
  }
  EXPECT_EQ(q.FindField("nao_existe"), nullptr);
  EXPECT_THROW((void)q.FieldByName("nao_existe"), EDatabaseError);
  EXPECT_THROW((void)q.Fields(19), EDatabaseError);
}

// Money never passes through a double: each scale keeps every digit it can hold, and more than
// four decimals round half to even when read as Currency.
TEST_P(QueryTest, MoneyIsExactAtEveryScale) {
  struct Case {
    const char* column;
    const char* stored;    // SQL literal
    const char* text;      // AsString
    const char* currency;  // AsCurrency, or "" when it does not fit
  };
  const Case cases[] = {
      {"n4", "922337203685477.5807", "922337203685477.5807", "922337203685477.5807"},
      {"n4", "-922337203685477.5808", "-922337203685477.5808", "-922337203685477.5808"},
      {"n4", "0.0001", "0.0001", "0.0001"},
      {"n2", "-0.01", "-0.01", "-0.01"},
      {"n2", "92233720368547758.07", "92233720368547758.07", ""},
      {"n6", "1.234565", "1.234565", "1.2346"},
      {"n6", "1.234550", "1.23455", "1.2346"},  // tie, odd last digit: up
      {"n6", "1.234450", "1.23445", "1.2344"},  // tie, even last digit: stays
      {"n6", "-1.234450", "-1.23445", "-1.2344"},
      {"n6", "-9223372036854.775808", "-9223372036854.775808", "-9223372036854.7758"},
      {"n92", "-21474836.48", "-21474836.48", "-21474836.48"},
      {"n41", "-3276.8", "-3276.8", "-3276.8"},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.column) + " " + c.stored);
    ++id;
    Exec("insert into tipos (id, " + std::string(c.column) + ") values (" + std::to_string(id) +
         ", " + c.stored + ")");
    Query q(connection);
    q.SetSQL("select " + std::string(c.column) + " from tipos where id = :id");
    q.ParamByName("id").SetInteger(id);
    q.Open();
    EXPECT_EQ(q.Fields(0).AsString(), c.text);
    if (!*c.currency) {
      EXPECT_THROW((void)q.Fields(0).AsCurrency(), ECurrencyOverflow);
      continue;
    }
    EXPECT_EQ(q.Fields(0).AsCurrency(), Currency::Parse(c.currency));
    // And back: written as Currency, read as Currency, unchanged.
    Query w(connection);
    w.SetSQL("update tipos set " + std::string(c.column) + " = :v where id = :id");
    w.ParamByName("v").SetCurrency(Currency::Parse(c.currency));
    w.ParamByName("id").SetInteger(id);
    w.ExecSQL();
    q.Open();
    EXPECT_EQ(q.Fields(0).AsCurrency(), Currency::Parse(c.currency));
  }

  // Written as Currency, the engine fits the value to the column's scale.
  Query w(connection);
  w.SetSQL("update tipos set n2 = :v, n6 = :v where id = 1 returning n2, n6");
  w.ParamByName("v").SetCurrency(Currency::Parse("-12.3455"));
  w.ExecSQL();
  EXPECT_EQ(w.FieldByName("n2").AsString(), "-12.35");
  EXPECT_EQ(w.FieldByName("n6").AsString(), "-12.3455");
}

TEST_P(QueryTest, ParametersAreNamedOnceWhateverTheirCaseAndOnlyOutsideLiterals) {
  Exec("insert into tipos (id, txt) values (7, ':id')");
  Query q(connection);
  q.SetSQL(
      "select id, txt, q'{:q}' as lit from tipos\n"
      "where (id = :ID or id = :id) /* :comentario */\n"
      "  and txt = ':id' and \":naoeparam\" is null -- :linha\n"
      "   or id = :Outro");
  EXPECT_EQ(q.ParamCount(), 2);
  EXPECT_EQ(q.FindParam("comentario"), nullptr);
  EXPECT_EQ(q.FindParam("linha"), nullptr);
  EXPECT_EQ(q.FindParam("q"), nullptr);
  try {
    (void)q.ParamByName("naoeparam");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("naoeparam"), std::string::npos) << e.what();
  }
  q.ParamByName("iD").SetInteger(7);
  q.ParamByName("OUTRO").SetInteger(-1);
  EXPECT_THROW(q.Open(), EDatabaseError);  // column "":naoeparam"" does not exist
  q.SetSQL(
      "select id, txt, q'{:q}' as lit from tipos where (id = :ID or id = :id) and txt = ':id'");
  q.ParamByName("id").SetInteger(7);
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("txt").AsString(), ":id");
  EXPECT_EQ(q.FieldByName("lit").AsString(), ":q");

  // A parameter left without a value is an error, not a silent NULL.
  q.SetSQL("select id from tipos where id = :id");
  try {
    q.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("id"), std::string::npos) << e.what();
  }

  // PSQL variables are not parameters.
  q.SetSQL(
      "execute block (inicio integer = :inicio) returns (total integer) as\n"
      "declare i integer = 0;\n"
      "begin total = 0; while (:i < 4) do begin total = :total + :inicio; i = :i + 1; end"
      " suspend; end");
  EXPECT_EQ(q.ParamCount(), 1);
  q.ParamByName("INICIO").SetInteger(5);
  q.Open();
  EXPECT_EQ(q.FieldByName("total").AsInteger(), 20);
  q.SetSQL(
      "create or alter procedure dobro (a integer) returns (b integer) as\n"
      "begin b = :a * 2; suspend; end");
  EXPECT_EQ(q.ParamCount(), 0);
  q.ExecSQL();
  q.SetSQL("select b from dobro(:valor)");
  q.ParamByName("valor").SetInteger(21);
  q.Open();
  EXPECT_EQ(q.FieldByName("b").AsInteger(), 42);
}

TEST_P(QueryTest, APreparedStatementRunsManyTimesWithChangingValues) {
  Query q(connection);
  q.SetSQL("insert into tipos (id, txt, n2) values (:id, :txt, :n2)");
  const char* texts[] = {"a", "abcdefghijklmnopqrst", "", "b"};
  for (int i = 0; i < 4; ++i) {
    q.ParamByName("id").SetInteger(i);
    q.ParamByName("txt").SetString(texts[i]);
    if (i == 2) {
      q.ParamByName("n2").Clear();
    } else {
      q.ParamByName("n2").SetInteger(i);
    }
    q.ExecSQL();
  }
  q.SetSQL("select txt, n2 from tipos order by id");
  q.Open();
  for (int i = 0; i < 4; ++i, q.Next()) {
    SCOPED_TRACE(i);
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("txt").AsString(), texts[i]);
    EXPECT_EQ(q.FieldByName("n2").IsNull(), i == 2);
  }
  EXPECT_TRUE(q.Eof());
}

TEST_P(QueryTest, ReturningValuesAreReadableAfterExecSQL) {
  Exec("create sequence seq_tipos");
  Query q(connection);
  q.SetSQL("insert into tipos (id, txt) values (next value for seq_tipos, :txt) returning id, txt");
  q.ParamByName("txt").SetString("primeiro");
  q.ExecSQL();
  EXPECT_EQ(q.RowsAffected(), 1);
  ASSERT_TRUE(q.Active());
  EXPECT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("id").AsInteger(), 1);
  EXPECT_EQ(q.FieldByName("TXT").AsString(), "primeiro");
  q.ParamByName("txt").SetString("segundo");
  q.Open();  // Open serves a RETURNING statement too
  EXPECT_EQ(q.FieldByName("id").AsInteger(), 2);

  q.SetSQL("update tipos set txt = 'x' where id <= 2");
  q.ExecSQL();
  EXPECT_EQ(q.RowsAffected(), 2);
  EXPECT_FALSE(q.Active());
}

// The database is WIN1252: our UTF-8 text is converted both ways by the engine, one byte per
// character in the column, whatever quotes it holds.
TEST_P(QueryTest, TextWithQuotesAndAccentsRoundTripsInWin1252Columns) {
  const std::string text = "O'Hara \"SÃO\" ção ü € – ‘x’ ¼";
  const std::string shortText = "D'Ávila '' “€”";
  Query q(connection);
  q.SetSQL("insert into empresa (fantasia, cnpj) values (:f, " + QuotedStr(shortText) + ")");
  q.ParamByName("f").SetString(text);
  q.ExecSQL();
  q.SetSQL(
      "select fantasia, cnpj, char_length(fantasia) c, octet_length(fantasia) o from empresa"
      " where fantasia = :f");
  q.ParamByName("f").SetString(text);
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("fantasia").AsString(), text);
  EXPECT_EQ(q.FieldByName("cnpj").AsString(), shortText);
  int characters = 0;
  for (unsigned char c : text) characters += (c & 0xC0) != 0x80 ? 1 : 0;
  EXPECT_EQ(q.FieldByName("c").AsInteger(), characters);
  EXPECT_EQ(q.FieldByName("o").AsInteger(), characters);

  // A character WIN1252 does not have is refused by the engine, not mangled.
  const std::string message = ErrorOf("insert into empresa (fantasia, cnpj) values ('日本', '1')");
  EXPECT_NE(message.find("transliterate"), std::string::npos) << message;
}

TEST_P(QueryTest, EngineErrorsCarryTheEnginesMessageAndLeaveTheConnectionUsable) {
  struct Case {
    const char* name;
    std::string sql;
    const char* expected;
  };
  const Case cases[] = {
      {"sintaxe", "selec * from empresa", "Token unknown"},
      {"tabela", "select * from nao_existe", "Table unknown"},
      {"longo demais", "insert into tipos (id, txt) values (1, '" + std::string(21, 'x') + "')",
       "string right truncation"},
      {"obrigatório", "insert into empresa (fantasia) values ('x')", "CNPJ"},
      {"chave", "insert into empresas (emp_001) values (1)", "PRIMARY"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string message = ErrorOf(c.sql);
    EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    Query q(connection);
    q.SetSQL("select count(*) from empresa");
    q.Open();
    EXPECT_EQ(q.Fields(0).AsInteger(), 1);
  }

  // A parameter's value too long for its column is the engine's error too.
  Query q(connection);
  q.SetSQL("insert into tipos (id, txt) values (1, :txt)");
  q.ParamByName("txt").SetString(std::string(20, 'x') + "ç");
  try {
    q.ExecSQL();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("string right truncation"), std::string::npos) << e.what();
  }
}

TEST_P(QueryTest, ReadingFollowsTheDatasetModel) {
  Query q(connection);
  q.SetSQL("select id from tipos");
  q.Open();
  EXPECT_TRUE(q.Active());
  EXPECT_TRUE(q.Eof());
  EXPECT_TRUE(q.FieldByName("id").IsNull());
  q.Next();  // at the end: nothing happens
  EXPECT_TRUE(q.Eof());

  for (int i = 1; i <= 3; ++i) Exec("insert into tipos (id) values (" + std::to_string(i) + ")");
  q.Open();
  std::string seen;
  for (; !q.Eof(); q.Next()) seen += q.FieldByName("id").AsString();
  EXPECT_EQ(seen, "123");
  EXPECT_EQ(q.FieldByName("id").AsInteger(), 3);  // past the end the last row stays current

  q.Close();
  EXPECT_FALSE(q.Active());
  EXPECT_THROW((void)q.FieldByName("id").AsInteger(), EDatabaseError);
  EXPECT_THROW(q.Next(), EDatabaseError);

  q.SetSQL("update tipos set txt = 'x'");
  EXPECT_THROW(q.Open(), EDatabaseError);
  q.SetSQL("select id from tipos");
  EXPECT_THROW(q.ExecSQL(), EDatabaseError);
  q.SetSQL("");
  EXPECT_THROW(q.Open(), EDatabaseError);
}

INSTANTIATE_FOR_BOTH_MODES(QueryTest);

}  // namespace
