#include "common/JsonMapping.h"

#include <gtest/gtest.h>

#include <limits>

#include "common/Errors.h"

namespace {

// A small document in the shape of the order documents: a root with scalars of every kind, a
// nested object that holds an array, and an array at the root.
class TCartaoTeste : public Persistent {
 public:
  std::string Brand;
  static const ClassInfo& Class() {
    static const ClassInfo info =
        ClassBuilder<TCartaoTeste>("TCartaoTeste").Property("Brand", &TCartaoTeste::Brand).Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

class TMetodoTeste : public Persistent {
 public:
  std::string Method;
  Currency Value;
  std::unique_ptr<TCartaoTeste> Card;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TMetodoTeste>("TMetodoTeste")
                                      .Property("Method", &TMetodoTeste::Method)
                                      .Property("Value", &TMetodoTeste::Value)
                                      .Property("Card", &TMetodoTeste::Card)
                                      .Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

class TPagamentosTeste : public Persistent {
 public:
  Currency pending;
  std::vector<std::unique_ptr<TMetodoTeste>> Methods;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TPagamentosTeste>("TPagamentosTeste")
                                      .Property("pending", &TPagamentosTeste::pending)
                                      .Property("Methods", &TPagamentosTeste::Methods)
                                      .Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

class TPedidoTeste : public Persistent {
 public:
  std::unique_ptr<TPagamentosTeste> Payments;
  std::string Id;
  std::string MERCHANT;
  std::int32_t Quantity = 0;
  std::int64_t Codigo = 0;
  double Latitude = 0;
  Currency Total;
  bool IsTest = false;
  TDateTime CreatedAt;
  std::vector<std::unique_ptr<TMetodoTeste>> Items;
  std::int32_t Ativo = -1;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TPedidoTeste>("TPedidoTeste")
                                      .Property("Payments", &TPedidoTeste::Payments)
                                      .Property("Id", &TPedidoTeste::Id)
                                      .Property("MERCHANT", &TPedidoTeste::MERCHANT)
                                      .Property("Quantity", &TPedidoTeste::Quantity)
                                      .Property("Codigo", &TPedidoTeste::Codigo)
                                      .Property("Latitude", &TPedidoTeste::Latitude)
                                      .Property("Total", &TPedidoTeste::Total)
                                      .Property("IsTest", &TPedidoTeste::IsTest)
                                      .Property("CreatedAt", &TPedidoTeste::CreatedAt)
                                      .Property("Items", &TPedidoTeste::Items)
                                      .Property("Ativo", &TPedidoTeste::Ativo)
                                      .Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

// A flag whose key may carry an amount, kept by a second member.
class TPagoTeste : public Persistent {
 public:
  bool Pago = false;
  Currency Valor;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TPagoTeste>("TPagoTeste")
                                      .Property("Pago", &TPagoTeste::Pago)
                                      .Property("Valor", &TPagoTeste::Valor)
                                      .AlsoReads("pago")
                                      .Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

std::unique_ptr<TPedidoTeste> Ler(std::string_view text) {
  auto pedido = FromJsonString<TPedidoTeste>(text);
  if (!pedido) throw std::logic_error("no object read");
  return pedido;
}

std::string ConvertErrorOf(std::string_view text) {
  try {
    (void)FromJsonString<TPedidoTeste>(text);
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(JsonMapping, WritesCompactlyInDeclarationOrderWithFirstLetterLowered) {
  TPedidoTeste p;
  p.Id = "A1";
  p.MERCHANT = "loja";
  p.Quantity = -2;
  p.Codigo = 9007199254740993;
  p.Latitude = -23.5;
  p.Total = Currency::Parse("12.5");
  p.IsTest = true;
  p.CreatedAt = TDateTime::FromParts(2026, 12, 10, 14, 5, 0);
  for (const char* value : {"0.0001", "1000"}) {
    auto m = std::make_unique<TMetodoTeste>();
    m->Method = "CASH";
    m->Value = Currency::Parse(value);
    p.Items.push_back(std::move(m));
  }
  p.Items[1]->Card = std::make_unique<TCartaoTeste>();
  EXPECT_EQ(ToJsonString(p),
            R"({"payments":null,"id":"A1","mERCHANT":"loja","quantity":-2,)"
            R"("codigo":9007199254740993,"latitude":-23.5,"total":12.5,"isTest":true,)"
            R"("createdAt":"2026-12-10T14:05:00.000Z","items":[)"
            R"({"method":"CASH","value":0.0001,"card":null},)"
            R"({"method":"CASH","value":1000,"card":{"brand":""}}],"ativo":-1})");

  TPedidoTeste vazio;
  vazio.Payments = std::make_unique<TPagamentosTeste>();
  EXPECT_EQ(ToJsonString(vazio),
            R"({"payments":{"pending":0,"methods":[]},"id":"","mERCHANT":"","quantity":0,)"
            R"("codigo":0,"latitude":0,"total":0,"isTest":false,)"
            R"("createdAt":"1899-12-30T00:00:00.000Z","items":[],"ativo":-1})");
}

TEST(JsonMapping, EscapesEveryCharacterOutsidePrintableAscii) {
  struct Case {
    const char* name;
    std::string text;
    const char* json;
  } cases[] = {
      {"accents", "Ação é", R"("A\u00e7\u00e3o \u00e9")"},
      {"quotes and backslash", R"(a"b\c/d)", R"("a\"b\\c/d")"},
      {"control characters", "l1\r\nl2\tx\x01\x1f\x7f",
       R"("l1\u000d\u000al2\u0009x\u0001\u001f)"
       "\x7f\""},
      {"beyond the BMP", "pizza \xF0\x9F\x8D\x95", R"("pizza \ud83c\udf55")"},
      {"euro sign", "\xE2\x82\xAC", R"("\u20ac")"},
      {"stray byte",
       "a\xFF"
       "b",
       R"("a\ufffdb")"},
      {"cut sequence", "fim\xC3", R"("fim\ufffd")"},
      {"overlong slash", "\xC0\xAF", R"("\ufffd\ufffd")"},
      {"encoded surrogate", "\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCartaoTeste cartao;
    cartao.Brand = c.text;
    EXPECT_EQ(ToJsonString(cartao), std::string(R"({"brand":)") + c.json + "}");
  }
}

TEST(JsonMapping, ReadsBackWhatItWrites) {
  auto p =
      Ler(R"({"payments":{"pending":0.5,"methods":[{"method":"CREDIT","value":22.9,)"
          R"("card":{"brand":"VISA"}}]},"id":"ção 😀","mERCHANT":"m","quantity":3,)"
          R"("codigo":-9223372036854775808,"latitude":-46.633308,"total":922337203685477.5807,)"
          R"("isTest":true,"createdAt":"2026-12-10T14:05:00.123Z","items":[],"ativo":0})");
  const std::string written = ToJsonString(*p);
  EXPECT_EQ(ToJsonString(*Ler(written)), written);
  // A negative zero would read back as the integer 0.
  EXPECT_NE(ToJsonString(*Ler(R"({"latitude":-0.0})")).find(R"("latitude":0,)"), std::string::npos);
  EXPECT_EQ(p->Payments->Methods.at(0)->Card->Brand, "VISA");
  EXPECT_EQ(p->Id, "ção 😀");
  EXPECT_EQ(p->Codigo, std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(p->Total.Raw(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(p->CreatedAt, TDateTime::FromParts(2026, 12, 10, 14, 5, 0, 123));
  EXPECT_EQ(p->Ativo, 0);
}

TEST(JsonMapping, FromJsonStringGivesNothingAnObjectOrAConversionError) {
  EXPECT_EQ(FromJsonString<TPedidoTeste>(""), nullptr);
  EXPECT_EQ(FromJsonString<TPedidoTeste>("null"), nullptr);
  EXPECT_EQ(FromJsonString<TPedidoTeste>(" null \r\n"), nullptr);
  ASSERT_NE(FromJsonString<TPedidoTeste>("{}"), nullptr);
  EXPECT_EQ(FromJsonString<TPedidoTeste>("{}")->Ativo, -1);

  for (const char* text : {"[]", "[{\"id\":\"1\"}]", "1", "\"{}\"", "true", "   "}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ConvertErrorOf(text), "The input value is not a valid Object");
  }
  for (const char* text : {"{", "{\"id\":}", "nada", "{} {}", "{\"id\":\"1\",}", "{'id':1}"}) {
    SCOPED_TRACE(text);
    const std::string error = ConvertErrorOf(text);
    EXPECT_NE(error, "(no error)");
    EXPECT_NE(error, "The input value is not a valid Object");
  }
}

TEST(JsonMapping, KeysBindIgnoringCaseAndTheFieldPrefixAtAnyDepth) {
  auto p = Ler(R"({"PAYMENTS":{"Methods":[{"METHOD":"PIX","fValue":3,"card":{"FBRAND":"ELO"}}]},)"
               R"("FId":"x","merchant":"M1","Items":[{"method":"a"},{"Method":"b"}],)"
               R"("desconhecida":{"qualquer":[1,{"coisa":null}]},"fQuantity":4})");
  ASSERT_NE(p->Payments, nullptr);
  const TMetodoTeste& m = *p->Payments->Methods.at(0);
  EXPECT_EQ(m.Method, "PIX");
  EXPECT_EQ(m.Value.ToString(), "3");
  EXPECT_EQ(m.Card->Brand, "ELO");
  EXPECT_EQ(p->Id, "x");
  EXPECT_EQ(p->MERCHANT, "M1");
  EXPECT_EQ(p->Quantity, 4);
  ASSERT_EQ(p->Items.size(), 2u);
  EXPECT_EQ(p->Items[1]->Method, "b");
  // Members without a key keep their initial values.
  EXPECT_EQ(p->Ativo, -1);
  EXPECT_EQ(p->Total, Currency{});
}

TEST(JsonMapping, ScalarsTakeNumbersAlsoAsTextAndFlagsTakeAmounts) {
  auto p =
      Ler(R"({"quantity":"3","codigo":"9007199254740993","latitude":" -23.5 ","total":"12.50",)"
          R"("isTest":2,"id":12345678901234567890,"mERCHANT":true})");
  EXPECT_EQ(p->Quantity, 3);
  EXPECT_EQ(p->Codigo, 9007199254740993);  // beyond a double's exact range
  EXPECT_EQ(p->Latitude, -23.5);
  EXPECT_EQ(p->Total.Raw(), 125000);
  EXPECT_TRUE(p->IsTest);
  EXPECT_EQ(p->Id, "12345678901234567890");
  EXPECT_EQ(p->MERCHANT, "true");

  struct Flag {
    const char* json;
    bool value;
  } flags[] = {{"true", true},  {"false", false}, {"1", true},        {"0", false},
               {"0.0", false},  {"-0", false},    {"0.01", true},     {"1e-9", true},
               {"\"1\"", true}, {"\"0\"", false}, {"\"TRUE\"", true}, {"\"false\"", false}};
  for (const Flag& f : flags) {
    SCOPED_TRACE(f.json);
    EXPECT_EQ(Ler(std::string(R"({"isTest":)") + f.json + "}")->IsTest, f.value);
  }

  // Whole members round a fraction (a weighed quantity) to the nearest, halves away from zero.
  struct Whole {
    const char* json;
    std::int32_t value;
  } wholes[] = {{"1.4", 1}, {"1.5", 2}, {"2.5", 3}, {"-1.5", -2}, {"1e2", 100}, {"\"7.0\"", 7}};
  for (const Whole& w : wholes) {
    SCOPED_TRACE(w.json);
    EXPECT_EQ(Ler(std::string(R"({"quantity":)") + w.json + "}")->Quantity, w.value);
  }
}

TEST(JsonMapping, MoneyIsReadFromTheNumbersOwnText) {
  struct Case {
    const char* json;
    std::int64_t raw;
  } cases[] = {
      {"0.1", 1000},
      {"123456789012.3456", 1234567890123456},
      {"922337203685477.5807", std::numeric_limits<std::int64_t>::max()},
      {"1e2", 1000000},
      {"1.00005", 10000},
      {"0.00015", 2},
      {"-7", -70000},
      {"\"3,25\"", 32500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    EXPECT_EQ(Ler(std::string(R"({"total":)") + c.json + "}")->Total.Raw(), c.raw);
  }
}

TEST(JsonMapping, ValuesThatDoNotFitTheirMemberFailTheRoot) {
  for (const char* text : {
           R"({"quantity":"abc"})", R"({"quantity":3000000000})",
           R"({"quantity":true})",  R"({"codigo":9223372036854775808})",
           R"({"latitude":"1,5"})", R"({"total":1e30})",
           R"({"total":"doze"})",   R"({"total":[]})",
           R"({"isTest":"sim"})",   R"({"isTest":{}})",
           R"({"id":{}})",          R"({"id":[]})",
           R"({"createdAt":12})",   R"({"createdAt":"10/12/2026"})",
           R"({"payments":"x"})",   R"({"payments":[]})",
           R"({"items":{}})",       R"({"items":[1]})",
           R"({"items":["x"]})",
       }) {
    SCOPED_TRACE(text);
    EXPECT_THROW((void)FromJsonString<TPedidoTeste>(text), EConvertError);
  }
  EXPECT_EQ(ConvertErrorOf(R"({"items":[{},{"value":"x"}]})"),
            "Membro JSON \"items[1].value\" (Currency): não é um valor monetário");
}

TEST(JsonMapping, ANestedObjectThatCannotBeReadIsDroppedAndTheRestIsRead) {
  // Two levels down: only the card goes; the payment, its list and the root stay.
  auto p = Ler(R"({"payments":{"pending":1,"methods":[{"method":"CREDIT","card":{"brand":{}}}]},)"
               R"("id":"7"})");
  ASSERT_NE(p->Payments, nullptr);
  ASSERT_EQ(p->Payments->Methods.size(), 1u);
  EXPECT_EQ(p->Payments->Methods[0]->Method, "CREDIT");
  EXPECT_EQ(p->Payments->Methods[0]->Card, nullptr);
  EXPECT_EQ(p->Id, "7");

  // A failing array element fails the object that holds the array: here the nested payments.
  struct Case {
    const char* name;
    const char* json;
  } cases[] = {
      {"bad element value", R"({"methods":[{"method":"A"},{"value":"x"}]})"},
      {"element not an object", R"({"methods":[7]})"},
      {"array given an object", R"({"methods":{}})"},
      {"own value", R"({"pending":"muito"})"},
      {"money out of range", R"({"pending":1e300})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto q = Ler(std::string(R"({"id":"antes","payments":)") + c.json + R"(,"mERCHANT":"depois"})");
    EXPECT_EQ(q->Payments, nullptr);
    EXPECT_EQ(q->Id, "antes");
    EXPECT_EQ(q->MERCHANT, "depois");
  }
}

TEST(JsonMapping, NullGivesEachKindItsEmptyValue) {
  TPedidoTeste p;
  ASSERT_TRUE(ReadJsonObject(
      R"({"payments":{"methods":[{}]},"id":"1","mERCHANT":"m","quantity":2,"codigo":3,)"
      R"("latitude":4,"total":5,"isTest":true,"createdAt":"2026-01-01","items":[{}],"ativo":6})",
      p));
  ASSERT_TRUE(ReadJsonObject(
      R"({"payments":null,"id":null,"mERCHANT":null,"quantity":null,"codigo":null,)"
      R"("latitude":null,"total":null,"isTest":null,"createdAt":null,"items":null,"ativo":null})",
      p));
  EXPECT_EQ(p.Payments, nullptr);
  EXPECT_EQ(p.Id, "");
  EXPECT_EQ(p.MERCHANT, "");
  EXPECT_EQ(p.Quantity, 0);
  EXPECT_EQ(p.Codigo, 0);
  EXPECT_EQ(p.Latitude, 0.0);
  EXPECT_EQ(p.Total, Currency{});
  EXPECT_FALSE(p.IsTest);
  EXPECT_TRUE(p.CreatedAt.IsEmpty());
  EXPECT_TRUE(p.Items.empty());
  EXPECT_EQ(p.Ativo, 0);

  // A null entry of an array carries nothing and leaves no empty slot.
  EXPECT_EQ(Ler(R"({"items":[null,{"method":"A"},null]})")->Items.size(), 1u);
  // "" and "null" leave an object untouched.
  p.Id = "mantido";
  EXPECT_FALSE(ReadJsonObject("null", p));
  EXPECT_EQ(p.Id, "mantido");
}

TEST(JsonMapping, DatesWithAnOffsetAreBroughtToUtcOthersAreKept) {
  struct Case {
    const char* text;
    TDateTime value;
  } cases[] = {
      {"2024-05-01T10:00:00-03:00", TDateTime::FromParts(2024, 5, 1, 13, 0)},
      {"2024-05-01T10:00:00Z", TDateTime::FromParts(2024, 5, 1, 10, 0)},
      {"2024-05-01T10:00:00", TDateTime::FromParts(2024, 5, 1, 10, 0)},
      {"2024-05-01T23:30:00.5-03:00", TDateTime::FromParts(2024, 5, 2, 2, 30, 0, 500)},
      {"2024-05-01T10:00:00.123+0530", TDateTime::FromParts(2024, 5, 1, 4, 30, 0, 123)},
      {"2024-05-01T10:00+01", TDateTime::FromParts(2024, 5, 1, 9, 0)},
      {"2024-05-01T10:00:00.1239999Z", TDateTime::FromParts(2024, 5, 1, 10, 0, 0, 123)},
      {"2024-05-01 10:00:00", TDateTime::FromParts(2024, 5, 1, 10, 0)},
      {"2024-05-01", TDateTime::FromParts(2024, 5, 1)},
      {"1899-12-30T00:00:00.000Z", TDateTime{}},
      {"9999-12-31T22:59:59-01:00", TDateTime::FromParts(9999, 12, 31, 23, 59, 59)},
      {"0001-01-01T01:00:00+01:00", TDateTime::FromParts(1, 1, 1)},
      {"", TDateTime{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Ler(std::string(R"({"createdAt":")") + c.text + "\"}")->CreatedAt, c.value);
  }
  for (const char* text :
       {"2024-13-01T00:00:00Z", "2024-02-30", "2024-05-01T24:00:00", "2024-05-01T10:00:00+25:00",
        "2024-05-01T10:00:00+03:", "2024-05-01T10", "2024-05-01T10:00:00Zx", "2024-5-1", "hoje",
        // An offset that carries the time out of years 1..9999, where it could not be written.
        "9999-12-31T23:59:59-01:00", "0001-01-01T00:00:00+01:00"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(
        (void)FromJsonString<TPedidoTeste>(std::string(R"({"createdAt":")") + text + "\"}"),
        EConvertError);
  }
}

TEST(JsonMapping, HostileInputNeitherThrowsOutsideTheContractNorCrashes) {
  // A stray byte inside a text is replaced, not a reason to lose the document.
  EXPECT_EQ(Ler("{\"id\":\"a\xFF"
                "b\"}")
                ->Id,
            "a\xEF\xBF\xBD"
            "b");
  // Nesting deep enough to exhaust the stack is refused.
  const std::string deep = "{\"x\":" + std::string(200000, '[') + std::string(200000, ']') + "}";
  EXPECT_THROW((void)FromJsonString<TPedidoTeste>(deep), EConvertError);
  // Duplicate keys: read in document order, the last one stands.
  EXPECT_EQ(Ler(R"({"id":"1","ID":"2"})")->Id, "2");
}

TEST(JsonMapping, ASecondKeyFillsAScalarOnlyWhenItsValueFits) {
  struct Case {
    const char* json;
    bool pago;
    std::int64_t valor;
  } cases[] = {
      {R"({"pago":19.89})", true, 198900},
      {R"({"PAGO":"0.00"})", false, 0},
      {R"({"fPago":2})", true, 20000},  // the field-prefix rule holds for the second key too
      {R"({"pago":true})", true, 0},    // no amount in a flag, and no error
      {R"({"pago":1e30})", true, 0},    // an amount that does not fit is left out
      {R"({"valor":5,"pago":true})", true, 50000},
      {R"({"pago":3,"valor":null})", true, 0},
      {R"({"pago":null})", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    auto p = FromJsonString<TPagoTeste>(c.json);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Pago, c.pago);
    EXPECT_EQ(p->Valor.Raw(), c.valor);
  }
  // The key's own member still decides whether the value is an error.
  EXPECT_THROW((void)FromJsonString<TPagoTeste>(R"({"pago":"sim"})"), EConvertError);
  // Writing knows only each member's own key.
  TPagoTeste p;
  p.Pago = true;
  p.Valor = Currency::Parse("19.89");
  EXPECT_EQ(ToJsonString(p), R"({"pago":true,"valor":19.89})");
  // Objects and lists have no second key.
  EXPECT_THROW(ClassBuilder<TPagamentosTeste>("x")
                   .Property("Methods", &TPagamentosTeste::Methods)
                   .AlsoReads("metodos"),
               std::logic_error);
}

}  // namespace
