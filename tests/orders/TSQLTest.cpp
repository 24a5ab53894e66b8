#include "orders/TSQL.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "PointOfSaleTest.h"
#include "common/Currency.h"
#include "common/DelphiFormat.h"
#include "common/Errors.h"

namespace {

using Names = std::vector<std::string>;

// The :NAME parameters of a statement text, as the caller binds them.
std::set<std::string> ParameterNames(const std::string& sql) {
  std::set<std::string> names;
  const std::regex pattern(":([A-Za-z_][A-Za-z0-9_]*)");
  for (auto it = std::sregex_iterator(sql.begin(), sql.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    names.insert((*it)[1]);
  }
  return names;
}

// Binds a value written as an SQL literal: TRUE/FALSE, 'text' (dates too; the engine converts
// them to the column's type), a decimal as money, or a whole number.
void BindLiteral(Param& param, const std::string& literal) {
  if (literal == "TRUE" || literal == "FALSE") {
    param.SetBoolean(literal == "TRUE");
  } else if (literal.front() == '\'') {
    std::string text;
    for (size_t i = 1; i + 1 < literal.size(); ++i) {
      text += literal[i];
      if (literal[i] == '\'') ++i;  // a doubled quote is one quote
    }
    param.SetString(text);
  } else if (literal.find('.') != std::string::npos) {
    param.SetCurrency(Currency::Parse(literal));
  } else {
    param.SetLargeInt(std::stoll(literal));
  }
}

class TSQLTest : public PointOfSaleTest {
 protected:
  TSQL sql;

  static std::string Today() { return "DATEADD(12 HOUR TO CAST(CURRENT_DATE AS TIMESTAMP))"; }
  static std::string DaysAgo(int days) {
    return "DATEADD(12 HOUR TO CAST(CURRENT_DATE - " + std::to_string(days) + " AS TIMESTAMP))";
  }
  static TDateTime ServerToday() {
    Query q(DM().conexao);
    q.SetSQL("SELECT CURRENT_DATE FROM RDB$DATABASE");
    q.Open();
    return q.Fields(0).AsDateTime();
  }

  // A marketplace sale as the status pushes see it.
  static void Order(std::int64_t id, const std::string& reference, int canal, int situacao,
                    const std::string& when, const std::string& retorno,
                    const std::string& taxaEntrega) {
    Exec(
        "INSERT INTO VENDA (VEN_001, EMP_001, VEN_004, SIT_001, CANAL, PEDIDO_IFOOD, "
        "RETORNO_DESPACHAR, B_TAXA_ENTREGA, IFOOD_STATUS, ID_CAIXA_ABERTURA) VALUES (" +
        std::to_string(id) + ", 1, " + when + ", " + std::to_string(situacao) + ", " +
        std::to_string(canal) + ", " + QuotedStr(reference) + ", " + retorno + ", " + taxaEntrega +
        ", 0, 2)");
  }

  // A sale of a register opening, for the reports.
  static void Sale(std::int64_t id, std::int64_t caixa, const std::string& when,
                   const std::string& total, int situacao = 1) {
    Exec(
        "INSERT INTO VENDA (VEN_001, EMP_001, VEN_004, VEN_007, VEN_008, VEN_009, VEN_024, "
        "SIT_001, CANAL, USU_001_1, ID_CAIXA_ABERTURA, DESCONTO_TOTAL) VALUES (" +
        std::to_string(id) + ", 1, " + when + ", 0, 0, " + total + ", 'B', " +
        std::to_string(situacao) + ", 0, 1, " + std::to_string(caixa) + ", 0)");
  }
  static void Movement(std::int64_t venda, int forma, const std::string& valor,
                       const std::string& when = Today(), const std::string& tipo = "E",
                       const std::string& classificacao = "V") {
    Exec(
        "INSERT INTO CAIXAITEM (ID_CAIXA, ID_VENDA, ID_FORMAPGTO, VALOR, DATA, TIPO_MOVIMENTO, "
        "CLASSIFICACAO) VALUES (2, " +
        std::to_string(venda) + ", " + std::to_string(forma) + ", " + valor + ", " + when + ", " +
        QuotedStr(tipo) + ", " + QuotedStr(classificacao) + ")");
  }
  static void Opening(std::int64_t id, int sincronizado) {
    Exec(
        "INSERT INTO CAIXA (ID_CAIXA, ID_EMPRESA, ID_USUARIO, DATA_ABERTURA, ID_SITUACAO, "
        "SINCRONIZADOINTEGRACAO) VALUES (" +
        std::to_string(id) + ", 1, 1, " + DaysAgo(3) + ", 5, " + std::to_string(sincronizado) +
        ")");
  }

  // Runs a statement with its parameters bound from SQL literals, then checks that each
  // parameter's value is now in its column of the row that `where` selects.
  struct Pair {
    const char* param;
    const char* column;
    const char* literal;
  };
  static void ExpectEachParameterInItsColumn(const std::string& statement, const std::string& table,
                                             const std::string& where,
                                             const std::vector<Pair>& pairs) {
    Query q(DM().conexao);
    q.SetSQL(statement);
    ASSERT_EQ(q.ParamCount(), static_cast<int>(pairs.size()));
    for (const Pair& p : pairs) BindLiteral(q.ParamByName(p.param), p.literal);
    q.ExecSQL();
    ASSERT_EQ(q.RowsAffected(), 1);
    const std::string row = "SELECT COUNT(*) FROM " + table + " WHERE " + where + " AND ";
    for (const Pair& p : pairs) {
      SCOPED_TRACE(std::string(p.param) + " -> " + p.column);
      std::string check = row;
      check.append(p.column).append(" = ").append(p.literal);
      EXPECT_EQ(Scalar(check), 1);
    }
  }
};

const Names kColunasVenda = {"CANAL",        "DATACAIXA",    "STATUS",     "VALORCOMISSAO",
                             "OPERADOR",     "VENDEDOR",     "ENTREGADOR", "GARCOM",
                             "NMESA",        "IDVENDALOCAL", "DATAHORA",   "TOTAL",
                             "DESCONTO",     "ACRESCIMO",    "SUBTOTAL",   "JUSTIFICATIVA",
                             "OPERADOR_1",   "TIPOVENDA",    "IDCAIXA",    "VALORDINHEIRO",
                             "VALORCREDITO", "VALORDEBITO",  "VALORFIADO", "VALORTRANSFERENCIA",
                             "VALORONLINE",  "VALOROUTROS"};

const Names kColunasTotalVendas = {"CANAL",         "ID_VENDA",
                                   "DATACAIXA",     "STATUS",
                                   "TOTAL",         "VALORCOMISSAO",
                                   "NMESA",         "IDVENDALOCAL",
                                   "DATAHORA",      "TOTAL_1",
                                   "DESCONTO",      "ACRESCIMO",
                                   "TOTALBALCAO",   "TOTALMESAS",
                                   "TOTALDELIVERY", "IDCAIXA",
                                   "QTDEITENS",     "VALORDINHEIRO",
                                   "VALORCREDITO",  "VALORDEBITO",
                                   "VALORFIADO",    "VALORTRANSFERENCIA",
                                   "VALORONLINE",   "VALOROUTROS"};

// Every statement of the library runs on the point-of-sale schema: selects yield the columns
// their callers read (all of them, in order, where the statement lists them), and the others
// execute. Parameters are NULL unless a key column needs a value.
TEST_F(TSQLTest, EveryStatementRunsOnThePointOfSaleSchema) {
  struct Case {
    const char* name;
    std::string text;
    Names columns;  // empty: a statement without a result set
    bool exact = true;
    std::map<std::string, std::int64_t> values = {};
  };
  const std::string hoje = "current_date";
  const Case cases[] = {
      {"BuscarCliente",
       sql.BuscarCliente(),
       {"ID", "ID_EMPRESA", "NOME_FANTASIA", "RAZAO", "TELEFONE", "CPF_CNPJ"}},
      {"InserirCliente", sql.InserirCliente(), {}, true, {{"id", 1}}},
      {"UpdateClienteCliente", sql.UpdateClienteCliente(), {}, true, {{"id", 1}}},
      {"BuscarCidade", sql.BuscarCidade(), {"CID_001", "CID_003"}, false},
      {"BuscarProduto",
       Format(sql.BuscarProduto(), {QuotedStr("1"), QuotedStr("2")}),
       {"ID", "DESCRICAO", "CODIGO", "TRABALHA_PACOTE"}},
      {"InserirMaterial", sql.InserirMaterial(), {}, true, {{"ID", 1}}},
      {"BuscarProdutos",
       sql.BuscarProdutos(),
       {"ID", "DESCRICAO", "ID_CATEGORIA", "ESTOQUEMIN", "QUANTIDADE", "CUSTO", "VALOR"}},
      {"BuscarCategorias", sql.BuscarCategorias(), {"ID", "DESCRICAO"}},
      {"BuscarProdutoComposicao",
       Format(sql.BuscarProdutoComposicao(), {" AND ID_SETOR = 2"}),
       {"ID_COMPOSICAO", "DESCRICAO", "VALOR_CUSTO", "ESTOQUE_MINIMO", "ID_SITUACAO", "ID_EMPRESA",
        "ID_UNIDADE", "RENDIMENTO", "CODIGO_REF", "ID_SETOR"}},
      {"BuscarProdutoComposicaoEstoque",
       sql.BuscarProdutoComposicaoEstoque(),
       {"ID", "ID_SETOR", "ID_COMPOSICAO", "QUANTIDADE", "DESCRICAO"}},
      {"BuscarSequenciaVenda", sql.BuscarSequenciaVenda(), {"SEQUENCIA"}},
      {"InserirVenda", sql.InserirVenda(), {}, true, {{"ID", 1}}},
      {"InserirVendaItem", sql.InserirVendaItem(), {}, true, {{"ID_VENDA", 1}, {"SEQUENCIA", 1}}},
      {"InserirVendaPagamento", sql.InserirVendaPagamento(), {}},
      {"BuscarPedido",
       Format(sql.BuscarPedido(), {QuotedStr("x")}),
       {"VEN_001", "PEDIDO_IFOOD", "SIT_001"},
       false},
      {"UpdatePedidoConnfirmado", Format(sql.UpdatePedidoConnfirmado(), {QuotedStr("x")}), {}},
      {"UpdateCancelamentoPedido", Format(sql.UpdateCancelamentoPedido(), {QuotedStr("x")}), {}},
      {"BuscarDespacho", sql.BuscarDespacho(), {"PEDIDO_IFOOD"}},
      {"BuscarDespachoSite", sql.BuscarDespachoSite(), {"PEDIDO_IFOOD"}},
      {"BuscarProntoParaRetirar", sql.BuscarProntoParaRetirar(), {"PEDIDO_IFOOD"}},
      {"AtualizarBuscarDespacho", sql.AtualizarBuscarDespacho(), {}},
      {"BuscarVendaIFoodCanceladoOperador",
       sql.BuscarVendaIFoodCanceladoOperador(),
       {"VEN_027", "PEDIDO_IFOOD"}},
      {"AtualizarVendaIFoodCanceladoOperador", sql.AtualizarVendaIFoodCanceladoOperador(), {}},
      {"BuscarVenda", Format(sql.BuscarVenda(), {hoje, hoje, std::string(" AND V.CANAL = 1")}),
       kColunasVenda},
      {"BuscarVendaEncerradas", sql.BuscarVendaEncerradas(), kColunasVenda},
      {"BuscarTotalVendas", sql.BuscarTotalVendas(), kColunasTotalVendas},
      {"BuscarVendaItens",
       Format(sql.BuscarVendaItens(), {std::int64_t{1}, std::string()}),
       {"IDVENDALOCAL", "IDITEMLOCAL", "VALORITEM", "QTDE"}},
      {"BuscarVendaItensNaoIntegrados",
       Format(sql.BuscarVendaItensNaoIntegrados(), {hoje, hoje, std::string()}),
       {"IDVENDALOCAL"}},
      {"UpdateVenda", sql.UpdateVenda(), {}},
      {"UpdateVendaItens", sql.UpdateVendaItens(), {}},
      {"BuscaCortesia", sql.BuscaCortesia(), {"TOTAL"}},
      {"SelectDadosTabelaCaixaAbertura",
       Format(sql.SelectDadosTabelaCaixaAbertura(), {hoje}),
       {"USU_002", "ID_CAIXA", "DATA_ABERTURA"},
       false},
      {"SelectDadosTabelaCaixaFechado",
       Format(sql.SelectDadosTabelaCaixaFechado(), {hoje, hoje, std::string()}),
       {"USU_002", "ID_CAIXA", "DATA_FECHAMENTO"},
       false},
      {"UpdateCaixa", sql.UpdateCaixa(), {}},
      {"Buscarformapagamento",
       Format(sql.Buscarformapagamento(), {QuotedStr("DIN")}),
       {"ID_FORMA"}},
      {"BuscarformapagamentoDinheiro", sql.BuscarformapagamentoDinheiro(), {"ID_FORMA"}},
      {"InsertIntegracaoPedido", sql.InsertIntegracaoPedido(), {}, true, {{"ID", 1}}},
      {"InsertIntegracaoPedidoCliente", sql.InsertIntegracaoPedidoCliente(), {}, true, {{"ID", 1}}},
      {"InsertIntegracaoPedidoItem", sql.InsertIntegracaoPedidoItem(), {}, true, {{"ID", 1}}},
      {"InsertIntegracaoPedidoSubItem", sql.InsertIntegracaoPedidoSubItem(), {}, true, {{"ID", 1}}},
      {"InsertIntegracaoPedidoPagamento",
       sql.InsertIntegracaoPedidoPagamento(),
       {},
       true,
       {{"ID", 1}}},
      {"BuscarSincronizacaoDados", BuscarSincronizacaoDados(), {"SICRONIZACAO_DADOS"}},
      {"AtualizarSincronizacaoDados", AtualizarSincronizacaoDados(), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Query q(DM().conexao);
      q.SetSQL(c.text);
      const std::set<std::string> names = ParameterNames(c.text);
      EXPECT_EQ(q.ParamCount(), static_cast<int>(names.size()));
      for (const std::string& name : names) {
        auto value = c.values.find(name);
        if (value == c.values.end()) {
          q.ParamByName(name).Clear();
        } else {
          q.ParamByName(name).SetLargeInt(value->second);
        }
      }
      if (c.columns.empty()) {
        q.ExecSQL();
        continue;
      }
      q.Open();
      const Names actual = q.FieldNames();
      if (c.exact) {
        EXPECT_EQ(actual, c.columns);
      } else {
        for (const std::string& column : c.columns) {
          EXPECT_NE(std::find(actual.begin(), actual.end(), column), actual.end()) << column;
        }
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
}

// The statements that write rows pair each parameter with its own column.
TEST_F(TSQLTest, InsertsAndUpdatesPutEachParameterIntoItsColumn) {
  ExpectEachParameterInItsColumn(
      sql.InserirVenda(), "VENDA", "VEN_001 = 1",
      {{"ID", "VEN_001", "1"},
       {"ID_EMPRESA", "EMP_001", "11"},
       {"ID_CLIENTE", "CLI_001", "4294967307"},
       {"ID_USUARIO", "USU_001_1", "13"},
       {"ENTREGA", "VEN_008", "5.99"},
       {"TOTAL", "VEN_009", "90.5"},
       {"TIPO", "VEN_024", "'D'"},
       {"SEQUENCIA", "VEN_029", "14"},
       {"STATUS", "SIT_001", "8"},
       {"DATA_HORA", "VEN_004", "'2024-03-02 10:20:30'"},
       {"DATA_HORA2", "DAT_001_1", "'2024-03-02 10:20:31'"},
       {"VEN_023", "VEN_023", "'N'"},
       {"CPF_CLIENTE", "CPF_CLIENTE", "'12345678909'"},
       {"ID_CAIXA_ABERTURA", "ID_CAIXA_ABERTURA", "15"},
       {"PEDIDO_IFOOD", "PEDIDO_IFOOD", "'pedido-1'"},
       {"DESCONTO", "VEN_007", "1.25"},
       {"DESCONTO_IFOOD", "DESCONTO_IFOOD", "'1'"},
       {"OBSERVACAO_IFOOD", "OBSERVACAO_IFOOD", "'SEM CEBOLA'"},
       {"DATA_AGENDAMENTO", "DATA_AGENDAMENTO", "'2024-03-05'"},
       {"HORA_AGENDAMENTO", "HORA_AGENDAMENTO", "'19:30:00'"},
       {"B_TAXA_ENTREGA", "B_TAXA_ENTREGA", "TRUE"},
       {"IFOOD_STATUS", "IFOOD_STATUS", "16"},
       {"CANAL", "CANAL", "17"},
       {"ID_IFOOD_NOVO", "ID_IFOOD_NOVO", "'novo-1'"},
       {"RETIRADA_BALCAO", "RETIRADA_BALCAO", "FALSE"},
       {"TOTAL_DESCONTO_IFOOD", "TOTAL_DESCONTO_IFOOD", "2.5"},
       {"TAXA_ADICIONAL_IFOOD", "TAXA_ADICIONAL_IFOOD", "0.99"},
       {"TROCO_IFOOD", "TROCO_IFOOD", "10.75"},
       {"TROCO_NOVO", "TROCO_NOVO", "10.5"},
       {"CONFIRMOU_IFOOD", "CONFIRMOU_IFOOD", "TRUE"},
       {"DELIVERYDATETIME", "DELIVERYDATETIME", "'2024-03-02T11:00:00Z'"},
       {"MERCHANT_ID", "MERCHANT_ID", "'merchant-1'"},
       {"NOME_LOJA", "NOME_LOJA", "'Loja'"},
       {"DESCONTO_TOTAL", "DESCONTO_TOTAL", "3.75"}});

  ExpectEachParameterInItsColumn(sql.InserirVendaItem(), "VENDAITEM",
                                 "VEN_001 = 1 AND ITE_001 = 22",
                                 {{"ID_EMPRESA", "EMP_001", "23"},
                                  {"ID_VENDA", "VEN_001", "1"},
                                  {"SEQUENCIA", "ITE_001", "22"},
                                  {"ID_PRODUTO", "MAT_001", "24"},
                                  {"QUANTIDADE", "ITE_002", "2.5"},
                                  {"VALOR_UNITARIO", "ITE_003", "7.5"},
                                  {"VALOR_TOTAL", "ITE_005", "18.75"},
                                  {"OBS", "ITE_006", "'sem sal'"},
                                  {"ITE_008", "ITE_008", "'A'"},
                                  {"ITE_011", "ITE_011", "'B'"},
                                  {"ITE_012", "ITE_012", "'C'"},
                                  {"ITE_013", "ITE_013", "25"},
                                  {"SIT_001", "SIT_001", "4"},
                                  {"DESCONTO", "DESCONTO", "0.5"},
                                  {"ITEM_NAO_VINCULADO", "ITEM_NAO_VINCULADO", "TRUE"},
                                  {"TOUCH_PAI", "TOUCH_PAI", "26"},
                                  {"ITEM_FRACIONADO", "ITEM_FRACIONADO", "27"},
                                  {"TIPO_PRODUTO", "TIPO_PRODUTO", "28"}});

  ExpectEachParameterInItsColumn(sql.InserirVendaPagamento(), "VENDA_PAG_ANTECIPADO",
                                 "ID_VENDA = 1",
                                 {{"ID_VENDA", "ID_VENDA", "1"},
                                  {"ID_EMPRESA", "ID_EMPRESA", "32"},
                                  {"ID_FORMAPGTO", "ID_FORMAPGTO", "33"},
                                  {"VALOR", "VALOR", "40.5"},
                                  {"DATA_HORA", "DATA_HORA", "'2024-03-02 10:20:30'"},
                                  {"ID_SITUACAO", "ID_SITUACAO", "4"},
                                  {"CODE", "CODE_IFOOD", "'DIN'"},
                                  {"VINCULADA", "FORMA_VINCULADA", "TRUE"},
                                  {"VALOR_ADICIONAL", "VALOR_ADICIONAL", "1.5"}});

  ExpectEachParameterInItsColumn(sql.InserirCliente(), "CLIENTES", "CLI_001 = 4294967307",
                                 {{"id", "CLI_001", "4294967307"},
                                  {"id_empresa", "EMP_001", "42"},
                                  {"nome_fantasia", "CLI_002", "'FANTASIA'"},
                                  {"razao", "CLI_003", "'RAZAO'"},
                                  {"telefone", "CLI_012", "'11999990000'"},
                                  {"CPF", "CLI_004", "'12345678909'"},
                                  {"COMPLEMENTO", "CLI_009", "'APTO 1'"},
                                  {"LOGRADOURO", "CEP_004", "'RUA A'"},
                                  {"ID_BAIRRO", "BAI_001", "43"},
                                  {"BAIRRO", "CEP_003", "'CENTRO'"},
                                  {"ID_CIDADE", "CID_001", "44"},
                                  {"CEP", "CEP_002", "'01001000'"},
                                  {"CIDADE_DESC", "CIDADE_DESC", "'SAO PAULO'"},
                                  {"UF", "UF", "'SP'"},
                                  {"NUMERO", "CLI_008", "'100'"},
                                  {"ID_IFOOD", "ID_IFOOD", "45"},
                                  {"REFERENCIA", "CLI_007", "'PERTO DA PRACA'"}});

  ExpectEachParameterInItsColumn(sql.UpdateClienteCliente(), "CLIENTES", "CLI_001 = 4294967307",
                                 {{"id", "CLI_001", "4294967307"},
                                  {"id_empresa", "EMP_001", "52"},
                                  {"nome_fantasia", "CLI_002", "'O''HARA'"},
                                  {"razao", "CLI_003", "'O''HARA LTDA'"},
                                  {"telefone", "CLI_012", "'11888880000'"},
                                  {"CPF", "CLI_004", "''"},
                                  {"COMPLEMENTO", "CLI_009", "'CASA 2'"},
                                  {"LOGRADOURO", "CEP_004", "'RUA B'"},
                                  {"ID_BAIRRO", "BAI_001", "53"},
                                  {"BAIRRO", "CEP_003", "'MOOCA'"},
                                  {"ID_CIDADE", "CID_001", "54"},
                                  {"CEP", "CEP_002", "'03101000'"},
                                  {"CIDADE_DESC", "CIDADE_DESC", "'SANTOS'"},
                                  {"UF", "UF", "'RJ'"},
                                  {"NUMERO", "CLI_008", "'200'"},
                                  {"ID_IFOOD", "ID_IFOOD", "55"},
                                  {"REFERENCIA", "CLI_007", "'ESQUINA'"}});
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM CLIENTES"), 1);

  ExpectEachParameterInItsColumn(sql.InserirMaterial(), "MATERIAIS", "MAT_001 = 61",
                                 {{"ID", "MAT_001", "61"},
                                  {"ID_EMPRESA", "EMP_001", "62"},
                                  {"DESCRICAO", "MAT_003", "'PIZZA DE O''HARA'"},
                                  {"CODIGO", "MAT_004", "'ext-63'"},
                                  {"PRECO", "MAT_008", "39.9"}});
  // A product made by an import: unit, material type, stock sector and settings fixed.
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM MATERIAIS WHERE MAT_001 = 61 AND UNI_001 = 1 AND "
                   "MTP_001 = 1 AND MAT_009 = 0 AND ID_SETOR = 2 AND MAT_021 = 2"),
            1);
}

// A reference with a quote goes in through QuotedStr and finds (or changes) its own row only.
TEST_F(TSQLTest, QuotedValuesFindTheirRows) {
  Order(1, "O'Hara-1", 1, 8, Today(), "NULL", "TRUE");
  Order(2, "OHara-1", 1, 8, Today(), "NULL", "TRUE");
  EXPECT_EQ(Column(Format(sql.BuscarPedido(), {QuotedStr("O'Hara-1")}), "VEN_001"), Names{"1"});

  Exec(Format(sql.UpdatePedidoConnfirmado(), {QuotedStr("O'Hara-1")}));
  Exec(Format(sql.UpdateCancelamentoPedido(), {QuotedStr("O'Hara-1")}));
  EXPECT_EQ(Column("SELECT VEN_001 FROM VENDA WHERE CONFIRMOU_IFOOD AND NOT CANCELOU_SISTEMA AND "
                   "IFOOD_CANCELADO_AUTOMATICO",
                   "VEN_001"),
            Names{"1"});

  Exec(
      "INSERT INTO MATERIAIS (MAT_001, MAT_003, MAT_004, TRABALHA_PACOTE) VALUES "
      "(1, 'PIZZA', 'O''Hara', TRUE)");
  Exec("INSERT INTO MATERIAIS (MAT_001, MAT_003, MAT_004) VALUES (2, 'SEM CODIGO', '')");
  Exec("INSERT INTO MATERIAIS (MAT_001, MAT_003, MAT_004) VALUES (3, 'CODIGO NULO', NULL)");
  struct Case {
    const char* name;
    std::string code;
    std::string id;
    Names found;
  };
  const Case cases[] = {
      {"pelo código", "O'Hara", "x", {"1"}},
      {"pelo id externo", "x", "O'Hara", {"1"}},
      {"vazios acham o código vazio", "", "", {"2"}},
      {"nenhum", "x", "y", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Column(Format(sql.BuscarProduto(), {QuotedStr(c.code), QuotedStr(c.id)}), "ID"),
              c.found);
  }
  EXPECT_EQ(
      Column(Format(sql.BuscarProduto(), {QuotedStr("O'Hara"), QuotedStr("x")}), "TRABALHA_PACOTE"),
      Names{"True"});

  Exec("INSERT INTO PGTOS_IFOOD (ID, CODE, ID_FORMA) VALUES (9, 'VALE O''HARA', 5)");
  Exec("INSERT INTO PGTOS_IFOOD_LIGACAO (ID_IFOOD, ID_FORMA) VALUES (9, 5)");
  EXPECT_EQ(Column(Format(sql.Buscarformapagamento(), {QuotedStr("VALE O'Hara")}), "ID_FORMA"),
            Names{});
  EXPECT_EQ(Column(Format(sql.Buscarformapagamento(), {QuotedStr("VALE O'HARA")}), "ID_FORMA"),
            Names{"5"});
}

// Dispatch and pickup pushes see today's ready orders of their channel whose answer is not yet
// recorded; dispatch takes only a NULL answer, pickup also an empty one, and only orders
// without a delivery fee.
TEST_F(TSQLTest, DispatchAndPickupSelectTodaysReadyOrdersOfTheirChannel) {
  Order(1, "entrega", 1, 6, Today(), "NULL", "TRUE");
  Order(2, "entrega-vazia", 1, 6, Today(), "''", "TRUE");
  Order(3, "entrega-avisada", 1, 6, Today(), "'HTTP/1.1 202 Accepted'", "TRUE");
  Order(4, "entrega-ontem", 1, 6, DaysAgo(1), "NULL", "TRUE");
  Order(5, "entrega-nova", 1, 8, Today(), "NULL", "TRUE");
  Order(6, "site", 2, 6, Today(), "NULL", "TRUE");
  Order(7, "retirada", 1, 6, Today(), "NULL", "FALSE");
  Order(8, "retirada-vazia", 1, 6, Today(), "''", "FALSE");
  Order(9, "retirada-avisada", 1, 6, Today(), "'HTTP/1.1 202 Accepted'", "FALSE");
  Order(10, "retirada-site", 2, 6, Today(), "NULL", "FALSE");
  Order(11, "retirada-ontem", 1, 6, DaysAgo(1), "''", "FALSE");
  Order(12, "balcao", 0, 6, Today(), "NULL", "FALSE");

  auto selected = [](const std::string& statement) {
    Names refs = Column(statement, "PEDIDO_IFOOD");
    std::sort(refs.begin(), refs.end());
    return refs;
  };
  EXPECT_EQ(selected(sql.BuscarDespacho()), (Names{"entrega", "retirada"}));
  EXPECT_EQ(selected(sql.BuscarDespachoSite()), (Names{"retirada-site", "site"}));
  EXPECT_EQ(selected(sql.BuscarProntoParaRetirar()), (Names{"retirada", "retirada-vazia"}));

  // Recording the answer takes the order out of both selections.
  Query q(DM().conexao);
  q.SetSQL(sql.AtualizarBuscarDespacho());
  q.ParamByName("RETORNO").SetString("HTTP/1.1 202 Accepted");
  q.ParamByName("REFERENCE").SetString("retirada");
  q.ExecSQL();
  EXPECT_EQ(q.RowsAffected(), 1);
  EXPECT_EQ(selected(sql.BuscarDespacho()), Names{"entrega"});
  EXPECT_EQ(selected(sql.BuscarProntoParaRetirar()), Names{"retirada-vazia"});
}

// Operator cancellations: today's iFood sales in status 2 not yet reported, whose cancellation
// was not automatic; a flag no import wrote (NULL) counts as not automatic.
TEST_F(TSQLTest, OperatorCancellationsIncludeSalesWithoutTheAutomaticFlag) {
  struct Row {
    std::int64_t id;
    const char* ref;
    int canal;
    int situacao;
    std::string when;
    const char* automatico;
    int ifoodStatus;
  };
  const Row rows[] = {
      {1, "nulo", 1, 2, Today(), "NULL", 0},       {2, "falso", 1, 2, Today(), "FALSE", 0},
      {3, "automatico", 1, 2, Today(), "TRUE", 0}, {4, "avisado", 1, 2, Today(), "NULL", 1},
      {5, "ontem", 1, 2, DaysAgo(1), "NULL", 0},   {6, "site", 2, 2, Today(), "NULL", 0},
      {7, "pronto", 1, 6, Today(), "NULL", 0},
  };
  for (const Row& r : rows) {
    Exec(
        "INSERT INTO VENDA (VEN_001, VEN_004, SIT_001, CANAL, PEDIDO_IFOOD, VEN_027, "
        "IFOOD_CANCELADO_AUTOMATICO, IFOOD_STATUS) VALUES (" +
        std::to_string(r.id) + ", " + r.when + ", " + std::to_string(r.situacao) + ", " +
        std::to_string(r.canal) + ", " + QuotedStr(r.ref) + ", 'motivo " + r.ref + "', " +
        r.automatico + ", " + std::to_string(r.ifoodStatus) + ")");
  }
  auto cancelled = [&] {
    Names refs = Column(sql.BuscarVendaIFoodCanceladoOperador(), "PEDIDO_IFOOD");
    std::sort(refs.begin(), refs.end());
    return refs;
  };
  EXPECT_EQ(cancelled(), (Names{"falso", "nulo"}));
  EXPECT_EQ(
      Column(sql.BuscarVendaIFoodCanceladoOperador() + " AND PEDIDO_IFOOD = 'nulo'", "VEN_027"),
      Names{"motivo nulo"});

  // Reported to iFood, or cancelled by iFood itself: no longer listed.
  Query q(DM().conexao);
  q.SetSQL(sql.AtualizarVendaIFoodCanceladoOperador());
  q.ParamByName("pedido_ifood").SetString("nulo");
  q.ExecSQL();
  Exec(Format(sql.UpdateCancelamentoPedido(), {QuotedStr("falso")}));
  EXPECT_EQ(cancelled(), Names{});
}

TEST_F(TSQLTest, BuscarVendaNamesTheOperatorBeforeTheUserWhoCancelled) {
  Exec("INSERT INTO USUARIOS (USU_001, USU_002) VALUES (7, 'GERENTE')");
  Exec("INSERT INTO USUARIOS (USU_001, USU_002) VALUES (8, 'VENDEDORA')");
  Exec("INSERT INTO USUARIOS (USU_001, USU_002) VALUES (9, 'MOTOBOY')");
  Exec(
      "INSERT INTO VENDA (VEN_001, VEN_004, VEN_007, VEN_008, VEN_009, VEN_024, SIT_001, CANAL, "
      "USU_001_1, ID_VENDEDOR, ID_ENTREGADOR, ID_CAIXA_ABERTURA, DESCONTO_TOTAL, "
      "VLR_COMISSAO_VENDEDOR) VALUES (1, " +
      Today() + ", 5, 6, 100, 'D', 2, 1, 3, 8, 9, 2, 5, 2.5)");
  Exec(
      "INSERT INTO CANCELAMENTOS (ID_VENDA, JUSTIFICATIVA, ID_USUARIO) VALUES (1, "
      "'CLIENTE DESISTIU', 7)");
  // Status 0 is never reported.
  Sale(2, 2, Today(), "10", 0);

  Query q(DM().conexao);
  q.SetSQL(Format(sql.BuscarVenda(), {"current_date", "current_date", ""}));
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldNames(), kColunasVenda);
  EXPECT_EQ(q.Fields(4).AsString(), "INTEGRACAO");
  EXPECT_EQ(q.Fields(16).AsString(), "GERENTE");
  EXPECT_EQ(q.FieldByName("OPERADOR").AsString(), "INTEGRACAO");
  EXPECT_EQ(q.FieldByName("GARCOM").AsString(), "INTEGRACAO");
  EXPECT_EQ(q.FieldByName("VENDEDOR").AsString(), "VENDEDORA");
  EXPECT_EQ(q.FieldByName("ENTREGADOR").AsString(), "MOTOBOY");
  EXPECT_EQ(q.FieldByName("JUSTIFICATIVA").AsString(), "CLIENTE DESISTIU");
  EXPECT_EQ(q.FieldByName("TIPOVENDA").AsString(), "DELIVERY");
  EXPECT_EQ(q.FieldByName("IDCAIXA").AsLargeInt(), 2);
  EXPECT_EQ(q.FieldByName("SUBTOTAL").AsCurrency(), Currency::FromInt(99));  // 100 + 5 - 6
  EXPECT_EQ(q.FieldByName("VALORCOMISSAO").AsCurrency(), Currency::Parse("2.5"));
  q.Next();
  EXPECT_TRUE(q.Eof());
}

// One row per sale, whatever number of cash movements it has; each payment column sums the
// sale's movements of its fiscal kinds, which differ for transfers between the reports.
TEST_F(TSQLTest, PaymentColumnsSumEachSalesMovementsByKind) {
  Sale(1, 2, Today(), "165");
  Exec("INSERT INTO ENCERRAVENDA (VEN_001) VALUES (1)");
  Exec("INSERT INTO VENDAITEM (VEN_001, ITE_001, ITE_002, SIT_001) VALUES (1, 1, 3, 4)");
  // Payment methods of the seed: 1 cash, 3 credit, 4 debit, 5 store credit, 9 transfer (11),
  // 6 pix (17), 7 online (12), 8 courtesy (19), 2 unidentified (99).
  Movement(1, 1, "10");
  Movement(1, 1, "0.5");
  Movement(1, 3, "20");
  Movement(1, 4, "30");
  Movement(1, 5, "40");
  Movement(1, 9, "1");
  Movement(1, 6, "2");
  Movement(1, 7, "50");
  Movement(1, 8, "4");
  Movement(1, 2, "8");

  struct Case {
    const char* name;
    std::string text;
    const char* transferencia;
    const char* outros;
  };
  const Case cases[] = {
      {"BuscarVenda", Format(sql.BuscarVenda(), {"current_date", "current_date", ""}), "3", "12"},
      {"BuscarVendaEncerradas", sql.BuscarVendaEncerradas(), "1", "14"},
      {"BuscarTotalVendas", sql.BuscarTotalVendas(), "3", "12"},
  };
  const TDateTime today = ServerToday();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Query q(DM().conexao);
    q.SetSQL(c.text);
    if (Param* p = q.FindParam("dataini")) p->SetDate(today);
    if (Param* p = q.FindParam("datafim")) p->SetDate(today);
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("VALORDINHEIRO").AsCurrency(), Currency::Parse("10.5"));
    EXPECT_EQ(q.FieldByName("VALORCREDITO").AsCurrency(), Currency::FromInt(20));
    EXPECT_EQ(q.FieldByName("VALORDEBITO").AsCurrency(), Currency::FromInt(30));
    EXPECT_EQ(q.FieldByName("VALORFIADO").AsCurrency(), Currency::FromInt(40));
    EXPECT_EQ(q.FieldByName("VALORTRANSFERENCIA").AsCurrency(), Currency::Parse(c.transferencia));
    EXPECT_EQ(q.FieldByName("VALORONLINE").AsCurrency(), Currency::FromInt(50));
    EXPECT_EQ(q.FieldByName("VALOROUTROS").AsCurrency(), Currency::Parse(c.outros));
    q.Next();
    EXPECT_TRUE(q.Eof());
  }
}

TEST_F(TSQLTest, BuscarTotalVendasReturnsNothingForARangeWithoutSales) {
  Sale(1, 2, Today(), "30");
  Exec("UPDATE VENDA SET VEN_024 = 'M' WHERE VEN_001 = 1");
  Sale(2, 2, Today(), "12", 2);  // cancelled: left out
  Exec("INSERT INTO VENDAITEM (VEN_001, ITE_001, ITE_002, SIT_001) VALUES (1, 1, 2, 4)");
  Exec("INSERT INTO VENDAITEM (VEN_001, ITE_001, ITE_002, SIT_001) VALUES (1, 2, 1.5, 4)");

  Query q(DM().conexao);
  q.SetSQL(sql.BuscarTotalVendas());
  q.ParamByName("dataini").SetDate(TDateTime::FromParts(2001, 1, 1));
  q.ParamByName("datafim").SetDate(TDateTime::FromParts(2001, 1, 31));
  q.Open();
  EXPECT_TRUE(q.Eof());

  // The day with the sale: no cash movement, so every payment column is NULL.
  const TDateTime today = ServerToday();
  q.ParamByName("dataini").SetDate(today);
  q.ParamByName("datafim").SetDate(today);
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("IDVENDALOCAL").AsLargeInt(), 1);
  EXPECT_EQ(q.FieldByName("TOTALMESAS").AsCurrency(), Currency::FromInt(30));
  EXPECT_EQ(q.FieldByName("TOTALBALCAO").AsCurrency(), Currency());
  EXPECT_EQ(q.FieldByName("QTDEITENS").AsCurrency(), Currency::Parse("3.5"));
  for (const char* column : {"VALORDINHEIRO", "VALORCREDITO", "VALORDEBITO", "VALORFIADO",
                             "VALORTRANSFERENCIA", "VALORONLINE", "VALOROUTROS"}) {
    EXPECT_TRUE(q.FieldByName(column).IsNull()) << column;
  }
  q.Next();
  EXPECT_TRUE(q.Eof());
}

// Courtesy sales of a range: entries classified as sales, paid with a method of kind 19.
TEST_F(TSQLTest, BuscaCortesiaSumsTheCourtesySalesOfTheRange) {
  const TDateTime today = ServerToday();
  auto total = [&] {
    Query q(DM().conexao);
    q.SetSQL(sql.BuscaCortesia());
    q.ParamByName("dataini").SetDate(today);
    q.ParamByName("datafim").SetDate(today);
    q.Open();
    EXPECT_EQ(q.FieldNames(), Names{"TOTAL"});
    return q.FieldByName("TOTAL").AsCurrency();
  };
  Sale(1, 2, Today(), "100");
  Movement(1, 1, "100");
  EXPECT_EQ(total(), Currency());

  Movement(1, 8, "4.5");
  Movement(1, 8, "6");
  Movement(1, 8, "20", DaysAgo(3));         // outside the range
  Movement(1, 8, "30", Today(), "S");       // not an entry
  Movement(1, 8, "40", Today(), "E", "C");  // store credit received, not a sale
  EXPECT_EQ(total(), Currency::Parse("10.5"));
}

// Closed sales of every opening not yet synchronized, whatever its number.
TEST_F(TSQLTest, BuscarVendaEncerradasListsEveryUnsynchronizedOpening) {
  Opening(682, 0);
  Opening(900, 0);
  Opening(901, 1);
  Sale(61, 682, DaysAgo(3), "10");
  Sale(62, 900, DaysAgo(3), "20");
  Sale(63, 901, DaysAgo(3), "30");
  Sale(64, 900, DaysAgo(3), "40");  // not closed
  for (int id : {61, 62, 63}) {
    Exec("INSERT INTO ENCERRAVENDA (VEN_001) VALUES (" + std::to_string(id) + ")");
  }
  Names ids = Column(sql.BuscarVendaEncerradas(), "IDVENDALOCAL");
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (Names{"61", "62"}));
}

// Dates fill the placeholders as 'YYYY-MM-DD': 2 March is not read as 3 February.
TEST_F(TSQLTest, DatesFillThePlaceholdersYearFirst) {
  Sale(71, 2, "'2024-03-02 10:00:00'", "10");
  Sale(72, 2, "'2024-02-03 10:00:00'", "20");
  Exec("UPDATE VENDA SET CANAL = 1 WHERE VEN_001 = 71");
  const std::int64_t grande = (1LL << 32) + 71;
  Sale(grande, 2, "'2024-03-02 11:00:00'", "30");
  Exec("INSERT INTO VENDAITEM (VEN_001, ITE_001, MAT_001, ITE_003, ITE_002, SIT_001) VALUES (" +
       std::to_string(grande) + ", 1, 5, 7.5, 2, 4)");
  Exec("INSERT INTO VENDAITEM (VEN_001, ITE_001, MAT_001, ITE_002, SIT_001) VALUES (" +
       std::to_string(grande) + ", 2, 6, 1, 2)");

  const std::string marco = SqlDate(TDateTime::FromParts(2024, 3, 2, 23, 59));
  EXPECT_EQ(marco, "'2024-03-02'");
  auto sales = [&](const std::string& from, const std::string& to, const std::string& more) {
    Names ids = Column(Format(sql.BuscarVenda(), {from, to, more}), "IDVENDALOCAL");
    std::sort(ids.begin(), ids.end());
    return ids;
  };
  EXPECT_EQ(sales(marco, marco, ""), (Names{"4294967367", "71"}));
  EXPECT_EQ(sales(SqlDate("2024-02-03"), SqlDate("2024-02-03"), ""), Names{"72"});
  EXPECT_EQ(sales(SqlDate("2024-02-01"), marco, " AND V.CANAL = 1"), Names{"71"});

  EXPECT_EQ(Column(Format(sql.BuscarVendaItensNaoIntegrados(), {marco, marco, ""}), "IDVENDALOCAL"),
            Names{"4294967367"});
  Query q(DM().conexao);
  q.SetSQL(Format(sql.BuscarVendaItens(), {grande, std::string()}));
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("IDITEMLOCAL").AsInteger(), 5);  // the valid item only
  EXPECT_EQ(q.FieldByName("VALORITEM").AsCurrency(), Currency::Parse("7.5"));
  q.Next();
  EXPECT_TRUE(q.Eof());
}

TEST(SqlDate, AcceptsOnlyRealYearFirstDates) {
  EXPECT_EQ(SqlDate("2024-03-02"), "'2024-03-02'");
  EXPECT_EQ(SqlDate(TDateTime::FromParts(1999, 12, 31, 8, 30)), "'1999-12-31'");
  for (const char* text : {"", "02/03/2024", "2024-3-2", "2024-02-30", "2024-03-02 10:00",
                           "2024-03-02' OR '1'='1", "current_date"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW((void)SqlDate(std::string_view(text)), EConvertError);
  }
}

TEST_F(TSQLTest, TheSynchronizationSwitchIsReadAndWritten) {
  auto read = [] {
    Query q(DM().conexao);
    q.SetSQL(BuscarSincronizacaoDados());
    q.Open();
    return q.FieldByName("SICRONIZACAO_DADOS").AsBoolean();
  };
  EXPECT_FALSE(read());
  for (bool value : {true, false}) {
    Query q(DM().conexao);
    q.SetSQL(AtualizarSincronizacaoDados());
    q.ParamByName("SICRONIZACAO_DADOS").SetBoolean(value);
    q.ExecSQL();
    EXPECT_EQ(read(), value);
  }
}

TEST_F(TSQLTest, TheSaleSequenceGivesANewNumberEachTime) {
  const std::int64_t first = Scalar(sql.BuscarSequenciaVenda());
  EXPECT_EQ(Scalar(sql.BuscarSequenciaVenda()), first + 1);
}

}  // namespace
