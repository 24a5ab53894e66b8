#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "PointOfSaleTest.h"
#include "common/Errors.h"
#include "orders/TSQL.h"

namespace {

class QtdeCompraClienteTest : public PointOfSaleTest {
 protected:
  static void Customer(std::int64_t id, const std::string& count) {
    Exec("INSERT INTO CLIENTES (CLI_001, EMP_001, CLI_002, QTDE_COMPRA) VALUES (" +
         std::to_string(id) + ", 1, 'CLIENTE " + std::to_string(id) + "', " + count + ")");
  }
  static std::string Count(std::int64_t id) {
    const auto values = Column(
        "SELECT QTDE_COMPRA FROM CLIENTES WHERE CLI_001 = " + std::to_string(id), "QTDE_COMPRA");
    return values.empty() ? "(sem cliente)" : values.front();
  }
};

TEST_F(QtdeCompraClienteTest, AddsOnePurchaseCountingANullCountAsOne) {
  struct Case {
    const char* name;
    std::int64_t id;
    const char* before;
    const char* after;
  };
  // Ids above 2^31 are real: customer ids are 64-bit.
  const Case cases[] = {
      {"contagem nula vira 2", 7, "NULL", "2"},
      {"5 vira 6", 8, "5", "6"},
      {"zero vira 1", 9, "0", "1"},
      {"id acima de 2^31", 3'000'000'007, "5", "6"},
      {"id acima de 2^32", (1LL << 32) + 5, "10", "11"},
  };
  for (const Case& c : cases) Customer(c.id, c.before);
  // 2^32 + 5 cut to 32 bits is 5: a truncated id would count this customer instead.
  Customer(5, "40");

  TSQL sql;
  for (const Case& c : cases) sql.QtdeCompraCliente(c.id);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Count(c.id), c.after);
  }
  EXPECT_EQ(Count(5), "40");
}

TEST_F(QtdeCompraClienteTest, IdsOfZeroOrLessRunNothing) {
  Customer(0, "5");
  Customer(-1, "5");
  TSQL sql;
  sql.QtdeCompraCliente(0);
  sql.QtdeCompraCliente(-1);
  EXPECT_EQ(Count(0), "5");
  EXPECT_EQ(Count(-1), "5");

  // Not even the data module is asked for.
  DestroyDM();
  EXPECT_NO_THROW(sql.QtdeCompraCliente(0));
  EXPECT_NO_THROW(sql.QtdeCompraCliente(-5));
  EXPECT_THROW(sql.QtdeCompraCliente(1), std::runtime_error);
  CreateDM();
}

TEST_F(QtdeCompraClienteTest, ADatabaseErrorReachesTheCaller) {
  Customer(1, "5");
  Exec("ALTER TABLE CLIENTES DROP QTDE_COMPRA");
  TSQL sql;
  EXPECT_THROW(sql.QtdeCompraCliente(1), EDatabaseError);
}

}  // namespace
