#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DatabaseTest.h"
#include "common/Errors.h"
#include "common/Persistent.h"
#include "common/TFuncoesIFood.h"

namespace {

class TFilho : public Persistent {
 public:
  std::string Nome;
  static const ClassInfo& Class() {
    static const ClassInfo info =
        ClassBuilder<TFilho>("TFilho").Property("Nome", &TFilho::Nome).Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

class TLinha : public Persistent {
 public:
  bool Ativo = false;
  std::int32_t Codigo = 0;
  TDateTime Cadastro;
  TDateTime Hora;
  double Aliquota = 0;
  Currency Preco;
  std::string Descricao;
  std::int64_t Grande = -1;       // 64-bit: not copied
  std::unique_ptr<TFilho> Filho;  // objects: not copied

  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TLinha>("TLinha")
                                      .Property("Ativo", &TLinha::Ativo)
                                      .Property("Codigo", &TLinha::Codigo)
                                      .Property("Cadastro", &TLinha::Cadastro, "TDate")
                                      .Property("Hora", &TLinha::Hora, "TTime")
                                      .Property("Aliquota", &TLinha::Aliquota)
                                      .Property("Preco", &TLinha::Preco)
                                      .Property("Descricao", &TLinha::Descricao)
                                      .Property("Grande", &TLinha::Grande)
                                      .Property("Filho", &TLinha::Filho)
                                      .Build();
    return info;
  }
  const ClassInfo& GetClassInfo() const override { return Class(); }
};

class SerializarObjetoTest : public DatabaseTest {
 protected:
  void Open(const std::string& sql) {
    query.SetSQL(sql);
    query.Open();
    ASSERT_FALSE(query.Eof());
  }
  Query query{connection};
};

TEST_P(SerializarObjetoTest, FillsEachPropertyFromTheColumnOfItsName) {
  Open(
      "select true as ativo, 41 as CODIGO, date '2026-03-09' as cadastro,"
      " time '14:05:07' as hora, cast(1.23456789 as double precision) as aliquota,"
      " cast(-12.3456 as numeric(18,4)) as preco, 'Pão' as descricao from rdb$database");
  TLinha linha;
  EXPECT_EQ(&TFuncoesIFood::SerializarObjeto(query, linha), &linha);
  EXPECT_TRUE(linha.Ativo);
  EXPECT_EQ(linha.Codigo, 41);
  EXPECT_EQ(linha.Cadastro, TDateTime::FromParts(2026, 3, 9));
  EXPECT_EQ(linha.Hora, TDateTime::FromParts(1899, 12, 30, 14, 5, 7));
  EXPECT_EQ(linha.Aliquota, 1.2346);  // floating point passes through four decimals
  EXPECT_EQ(linha.Preco, Currency::Parse("-12.3456"));
  EXPECT_EQ(linha.Descricao, "Pão");
  EXPECT_EQ(linha.Grande, -1);
  EXPECT_EQ(linha.Filho, nullptr);
}

TEST_P(SerializarObjetoTest, NullColumnsGiveEmptyValues) {
  Open(
      "select cast(null as boolean) ativo, cast(null as integer) codigo, cast(null as date)"
      " cadastro, cast(null as time) hora, cast(null as double precision) aliquota,"
      " cast(null as numeric(18,2)) preco, cast(null as varchar(5)) descricao from rdb$database");
  TLinha linha;
  linha.Codigo = 9;
  linha.Descricao = "antes";
  TFuncoesIFood::SerializarObjeto(query, linha);
  EXPECT_FALSE(linha.Ativo);
  EXPECT_EQ(linha.Codigo, 0);
  EXPECT_TRUE(linha.Cadastro.IsEmpty());
  EXPECT_EQ(linha.Descricao, "");
}

TEST_P(SerializarObjetoTest, AMissingColumnOrAValueThatDoesNotFitRaises) {
  Open("select true as ativo, 1 as codigo from rdb$database");
  TLinha linha;
  try {
    TFuncoesIFood::SerializarObjeto(query, linha);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("Cadastro"), std::string::npos) << e.what();
  }

  Open(
      "select true as ativo, 'quarenta' as codigo, current_date as cadastro, current_time as"
      " hora, 0e0 as aliquota, 0 as preco, '' as descricao from rdb$database");
  EXPECT_THROW(TFuncoesIFood::SerializarObjeto(query, linha), EConvertError);
  Open(
      "select true as ativo, 3000000000 as codigo, current_date as cadastro, current_time as"
      " hora, 0e0 as aliquota, 0 as preco, '' as descricao from rdb$database");
  EXPECT_THROW(TFuncoesIFood::SerializarObjeto(query, linha), EConvertError);
}

INSTANTIATE_FOR_BOTH_MODES(SerializarObjetoTest);

}  // namespace
