#include <gtest/gtest.h>

#include <stdexcept>

#include "DatabaseTest.h"
#include "common/TDM.h"

namespace {

class NumeradorTest : public DatabaseTest {
 protected:
  void SetUp() override {
    SetDeployment(settings);
    dm.DataModuleCreate();
  }
  void TearDown() override { SetDeployment(DeploymentSettings{}); }

  void AddProduct(int codigo, int empresa) {
    Exec("insert into produto (codigo, unidade, empresa) values (" + std::to_string(codigo) +
         ", 'UN', " + std::to_string(empresa) + ")");
  }

  TDM dm;
};

TEST_P(NumeradorTest, GivesTheLargestCodePlusOne) {
  EXPECT_EQ(dm.Numerador("PRODUTO", "CODIGO", "N", "", ""), 1);  // empty table
  AddProduct(7, 1);
  AddProduct(41, 1);
  EXPECT_EQ(dm.Numerador("PRODUTO", "CODIGO", "N", "", ""), 42);
  EXPECT_EQ(dm.qryNumerador.SQL(), "SELECT MAX(CODIGO)MAIOR FROM PRODUTO");
}

TEST_P(NumeradorTest, FilteredCountsOnlyTheMatchingRows) {
  AddProduct(41, 1);
  AddProduct(5, 2);
  EXPECT_EQ(dm.Numerador("PRODUTO", "CODIGO", "S", "EMPRESA", "2"), 6);
  EXPECT_EQ(dm.qryNumerador.SQL(), "SELECT MAX(CODIGO)MAIOR FROM PRODUTO WHERE EMPRESA=2");
  EXPECT_EQ(dm.qryNumerador.FieldByName("MAIOR").AsInteger(), 5);
  EXPECT_EQ(dm.Numerador("PRODUTO", "CODIGO", "S", "EMPRESA", "3"), 1);  // no matching row
}

// The original read whatever the query held last; here a wrong flag runs nothing and fails.
TEST_P(NumeradorTest, AnyOtherFilterIsRefused) {
  AddProduct(41, 1);
  EXPECT_EQ(dm.Numerador("PRODUTO", "CODIGO", "N", "", ""), 42);
  EXPECT_THROW((void)dm.Numerador("PRODUTO", "CODIGO", "s", "EMPRESA", "1"), std::runtime_error);
  EXPECT_THROW((void)dm.Numerador("PRODUTO", "CODIGO", "", "", ""), std::runtime_error);
  EXPECT_EQ(dm.qryNumerador.SQL(), "SELECT MAX(CODIGO)MAIOR FROM PRODUTO");
}

INSTANTIATE_FOR_BOTH_MODES(NumeradorTest);

}  // namespace
