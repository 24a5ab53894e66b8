#include "orders/TSQL.h"

#include <stdexcept>

#include "common/Database.h"
#include "common/DelphiFormat.h"
#include "common/Errors.h"
#include "common/TDM.h"

namespace {

// The sums of a sale's cash movements by fiscal payment kind, as the three sales reports list
// them. CI is the outer query's movement row of the sale; the reports differ only in which
// kinds count as transfer and which as other.
std::string PagamentosDaVenda(std::string_view transferencia, std::string_view outros) {
  auto soma = [](std::string_view condicao, std::string_view coluna) {
    return "(SELECT SUM(VALOR) FROM FORMAPGTO F JOIN CAIXAITEM CI2 ON CI2.ID_FORMAPGTO = F.FOR_001 "
           "WHERE ID_VENDA = CI.ID_VENDA AND F.SFI_CODIGO " +
           std::string(condicao) + ") AS " + std::string(coluna);
  };
  return soma("= 1", "VALORDINHEIRO") + ", " + soma("= 3", "VALORCREDITO") + ", " +
         soma("= 4", "VALORDEBITO") + ", " + soma("= 5", "VALORFIADO") + ", " +
         soma(transferencia, "VALORTRANSFERENCIA") + ", " + soma("= 12", "VALORONLINE") + ", " +
         soma(outros, "VALOROUTROS");
}

constexpr std::string_view kTransferencia = "in (11,17)";
constexpr std::string_view kOutros = "IN (2, 8, 10, 13, 14, 16, 18, 19, 90, 99)";
constexpr std::string_view kTransferenciaEncerradas = "= 11";
constexpr std::string_view kOutrosEncerradas = "IN (2, 8, 10, 13, 14, 16, 17, 18, 19, 90, 99)";

// The select list of BuscarVenda and BuscarVendaEncerradas up to the payment columns. OPERADOR
// comes twice: the operator, then the user who cancelled the sale.
constexpr std::string_view kColunasVenda =
    "SELECT DISTINCT V.CANAL AS CANAL, CAIXA.DATA_ABERTURA AS DATACAIXA, V.SIT_001 AS STATUS, "
    "V.VLR_COMISSAO_VENDEDOR AS VALORCOMISSAO, USUO.USU_002 AS OPERADOR, "
    "USUV.USU_002 AS VENDEDOR, USUE.USU_002 AS ENTREGADOR, USUG.USU_002 AS GARCOM, "
    "V.VEN_025 AS NMESA, V.VEN_001 AS IDVENDALOCAL, V.VEN_004 AS DATAHORA, V.VEN_009 AS TOTAL, "
    "V.DESCONTO_TOTAL AS DESCONTO, V.VEN_008 AS ACRESCIMO, "
    "V.VEN_009 + V.VEN_007 - V.VEN_008 AS subtotal, C.JUSTIFICATIVA, USUC.USU_002 AS OPERADOR, "
    "CASE V.VEN_024 WHEN 'B' THEN 'BALCAO' WHEN 'M' THEN 'MESA' WHEN 'D' THEN 'DELIVERY' "
    "WHEN 'P' THEN 'PDV' END tipoVenda, V.id_caixa_abertura AS idcaixa, ";

// The joins of BuscarVenda from CAIXA on.
constexpr std::string_view kJuncoesVenda =
    "INNER JOIN CAIXA ON CAIXA.ID_CAIXA = V.ID_CAIXA_ABERTURA "
    "LEFT JOIN CAIXAITEM CI ON CI.ID_VENDA = V.VEN_001 "
    "LEFT JOIN USUARIOS USUO ON USUO.USU_001 = V.USU_001_1 "
    "LEFT JOIN USUARIOS USUG ON USUG.USU_001 = V.USU_001_1 "
    "LEFT JOIN USUARIOS USUV ON USUV.USU_001 = V.ID_VENDEDOR "
    "LEFT JOIN USUARIOS USUE ON USUE.USU_001 = V.ID_ENTREGADOR "
    "LEFT JOIN CANCELAMENTOS C ON C.ID_VENDA = V.VEN_001 "
    "LEFT JOIN USUARIOS USUC ON USUC.USU_001 = C.ID_USUARIO";

}  // namespace

// Customers and cities.

std::string TSQL::BuscarCliente() const {
  return "SELECT CLI_001 AS ID, EMP_001 AS ID_EMPRESA, CLI_002 AS NOME_FANTASIA, CLI_003 AS RAZAO, "
         "CLI_012 AS TELEFONE, CLI_004 AS CPF_CNPJ FROM CLIENTES WHERE CLI_012 = :TELEFONE";
}

std::string TSQL::InserirCliente() const {
  return "INSERT INTO clientes (cli_001, emp_001, cli_002, cli_003, cli_012, CLI_004, CLI_009, "
         "CEP_004, BAI_001, CEP_003, CID_001, CEP_002, CIDADE_DESC, UF, CLI_008, ID_IFOOD, "
         "CLI_007) VALUES (:id, :id_empresa, :nome_fantasia, :razao, :telefone, :CPF, "
         ":COMPLEMENTO, :LOGRADOURO, :ID_BAIRRO, :BAIRRO, :ID_CIDADE, :CEP, :CIDADE_DESC, :UF, "
         ":NUMERO, :ID_IFOOD, :REFERENCIA)";
}

std::string TSQL::UpdateClienteCliente() const {
  return "UPDATE clientes SET emp_001 = :id_empresa, cli_002 = :nome_fantasia, cli_003 = :razao, "
         "cli_012 = :telefone, CLI_004 = :CPF, CLI_009 = :COMPLEMENTO, CEP_004 = :LOGRADOURO, "
         "BAI_001 = :ID_BAIRRO, CEP_003 = :BAIRRO, CID_001 = :ID_CIDADE, CEP_002 = :CEP, "
         "CIDADE_DESC = :CIDADE_DESC, UF = :UF, CLI_008 = :NUMERO, ID_IFOOD = :ID_IFOOD, "
         "CLI_007 = :REFERENCIA WHERE cli_001 = :id";
}

std::string TSQL::BuscarCidade() const {
  return "SELECT * FROM CIDADES WHERE CID_003 = :IBGE OR CID_003 = :IBGE2";
}

void TSQL::QtdeCompraCliente(std::int64_t pIdCliente) const {
  if (pIdCliente <= 0) return;
  Query query(DM().conexao);
  query.SetSQL(
      "UPDATE CLIENTES SET QTDE_COMPRA = COALESCE(QTDE_COMPRA, 1) + 1 WHERE CLI_001 = :CLI");
  query.ParamByName("CLI").SetLargeInt(pIdCliente);
  query.ExecSQL();
}

// Products.

std::string TSQL::BuscarProduto() const {
  return "SELECT MAT_001 AS ID, MAT_003 AS DESCRICAO, MAT_004 AS CODIGO, TRABALHA_PACOTE FROM "
         "MATERIAIS WHERE MAT_004 = %S OR MAT_004 = %S";
}

std::string TSQL::InserirMaterial() const {
  return "INSERT INTO MATERIAIS (MAT_001, EMP_001, MAT_003, MAT_004, MAT_008, UNI_001, MTP_001, "
         "MAT_009, ID_SETOR, MAT_021) VALUES (:ID, :ID_EMPRESA, :DESCRICAO, :CODIGO, :PRECO, 1, "
         "1, 0, 2, 2)";
}

std::string TSQL::BuscarProdutos() const {
  return "SELECT DISTINCT M.MAT_001 AS ID, M.MAT_003 AS DESCRICAO, M.CAT_001 AS ID_CATEGORIA, "
         "M.MAT_014 AS ESTOQUEMIN, SEM.QUANTIDADE, M.MAT_012 AS CUSTO, M.MAT_008 AS VALOR FROM "
         "MATERIAIS M INNER JOIN SETOR_ESTOQUE_MATERIAL SEM ON SEM.ID_MATERIAL = M.MAT_001 "
         "ORDER BY M.MAT_001";
}

std::string TSQL::BuscarCategorias() const {
  return "SELECT C.CAT_001 AS ID, C.CAT_002 AS DESCRICAO FROM CATEGORIA C WHERE (1=1) ORDER BY ID";
}

std::string TSQL::BuscarProdutoComposicao() const {
  return "SELECT ID_COMPOSICAO, DESCRICAO, VALOR_CUSTO, ESTOQUE_MINIMO, ID_SITUACAO, ID_EMPRESA, "
         "ID_UNIDADE, RENDIMENTO, CODIGO_REF, ID_SETOR FROM COMPOSICAO WHERE (1=1) %S";
}

std::string TSQL::BuscarProdutoComposicaoEstoque() const {
  // Firebird takes a bare * only alone in the select list; the sector rows are qualified.
  return "Select SEM.*, C.DESCRICAO From SETOR_ESTOQUE_COMPOSICAO SEM INNER JOIN COMPOSICAO C ON "
         "C.ID_COMPOSICAO = SEM.ID_COMPOSICAO";
}

// Sales written by an order import.

std::string TSQL::BuscarSequenciaVenda() const {
  return "SELECT NEXT VALUE FOR seq_venda_id AS sequencia FROM RDB$DATABASE";
}

std::string TSQL::InserirVenda() const {
  return "INSERT INTO VENDA (VEN_001, EMP_001, CLI_001, USU_001_1, VEN_008, VEN_009, VEN_024, "
         "VEN_029, SIT_001, VEN_004, DAT_001_1, VEN_023, CPF_CLIENTE, ID_CAIXA_ABERTURA, "
         "PEDIDO_IFOOD, VEN_007, DESCONTO_IFOOD, OBSERVACAO_IFOOD, DATA_AGENDAMENTO, "
         "HORA_AGENDAMENTO, B_TAXA_ENTREGA, IFOOD_STATUS, CANAL, ID_IFOOD_NOVO, RETIRADA_BALCAO, "
         "TOTAL_DESCONTO_IFOOD, TAXA_ADICIONAL_IFOOD, TROCO_IFOOD, TROCO_NOVO, CONFIRMOU_IFOOD, "
         "DELIVERYDATETIME, MERCHANT_ID, NOME_LOJA, DESCONTO_TOTAL) VALUES (:ID, :ID_EMPRESA, "
         ":ID_CLIENTE, :ID_USUARIO, :ENTREGA, :TOTAL, :TIPO, :SEQUENCIA, :STATUS, :DATA_HORA, "
         ":DATA_HORA2, :VEN_023, :CPF_CLIENTE, :ID_CAIXA_ABERTURA, :PEDIDO_IFOOD, :DESCONTO, "
         ":DESCONTO_IFOOD, :OBSERVACAO_IFOOD, :DATA_AGENDAMENTO, :HORA_AGENDAMENTO, "
         ":B_TAXA_ENTREGA, :IFOOD_STATUS, :CANAL, :ID_IFOOD_NOVO, :RETIRADA_BALCAO, "
         ":TOTAL_DESCONTO_IFOOD, :TAXA_ADICIONAL_IFOOD, :TROCO_IFOOD, :TROCO_NOVO, "
         ":CONFIRMOU_IFOOD, :DELIVERYDATETIME, :MERCHANT_ID, :NOME_LOJA, :DESCONTO_TOTAL)";
}

std::string TSQL::InserirVendaItem() const {
  return "INSERT INTO VENDAITEM (EMP_001, VEN_001, ITE_001, MAT_001, ITE_002, ITE_003, ITE_005, "
         "ITE_006, ITE_008, ITE_011, ITE_012, ITE_013, SIT_001, DESCONTO, ITEM_NAO_VINCULADO, "
         "TOUCH_PAI, ITEM_FRACIONADO, TIPO_PRODUTO) VALUES (:ID_EMPRESA, :ID_VENDA, :SEQUENCIA, "
         ":ID_PRODUTO, :QUANTIDADE, :VALOR_UNITARIO, :VALOR_TOTAL, :OBS, :ITE_008, :ITE_011, "
         ":ITE_012, :ITE_013, :SIT_001, :DESCONTO, :ITEM_NAO_VINCULADO, :TOUCH_PAI, "
         ":ITEM_FRACIONADO, :TIPO_PRODUTO)";
}

std::string TSQL::InserirVendaPagamento() const {
  return "INSERT INTO venda_pag_antecipado (ID_VENDA, ID_EMPRESA, ID_FORMAPGTO, VALOR, DATA_HORA, "
         "ID_SITUACAO, CODE_IFOOD, FORMA_VINCULADA, VALOR_ADICIONAL) VALUES (:ID_VENDA, "
         ":ID_EMPRESA, :ID_FORMAPGTO, :VALOR, :DATA_HORA, :ID_SITUACAO, :CODE, :VINCULADA, "
         ":VALOR_ADICIONAL)";
}

// Marketplace order state on a sale.

std::string TSQL::BuscarPedido() const { return "SELECT * FROM VENDA WHERE PEDIDO_IFOOD = %S"; }

std::string TSQL::UpdatePedidoConnfirmado() const {
  return "UPDATE VENDA SET CONFIRMOU_IFOOD = True WHERE PEDIDO_IFOOD = %S";
}

std::string TSQL::UpdateCancelamentoPedido() const {
  return "UPDATE VENDA SET cancelou_sistema = false, IFOOD_CANCELADO_AUTOMATICO = TRUE WHERE "
         "PEDIDO_IFOOD = %S";
}

std::string TSQL::BuscarDespacho() const {
  return "select pedido_ifood from venda where cast(ven_004 as date) = CURRENT_DATE AND SIT_001 = "
         "6 AND retorno_despachar IS NULL AND CANAL=1";
}

std::string TSQL::BuscarDespachoSite() const {
  return "select pedido_ifood from venda where cast(ven_004 as date) = CURRENT_DATE AND SIT_001 = "
         "6 AND retorno_despachar IS NULL AND CANAL=2";
}

std::string TSQL::BuscarProntoParaRetirar() const {
  return "select pedido_ifood from venda where cast(ven_004 as date) = CURRENT_DATE AND SIT_001 = "
         "6 AND (retorno_despachar IS NULL OR retorno_despachar = '') AND CANAL=1 AND "
         "B_TAXA_ENTREGA = FALSE";
}

std::string TSQL::AtualizarBuscarDespacho() const {
  return "UPDATE venda SET retorno_despachar = :RETORNO WHERE pedido_ifood = :REFERENCE";
}

std::string TSQL::BuscarVendaIFoodCanceladoOperador() const {
  // No import writes IFOOD_CANCELADO_AUTOMATICO, and "= FALSE" never matches its NULL: a sale
  // not cancelled automatically is one whose flag is not TRUE.
  return "select ven_027, pedido_ifood from venda where SIT_001 = 2 and cast(ven_004 as date) = "
         "CURRENT_DATE AND IFOOD_STATUS = 0 AND CANAL = 1 AND (IFOOD_CANCELADO_AUTOMATICO = FALSE "
         "OR IFOOD_CANCELADO_AUTOMATICO IS NULL)";
}

std::string TSQL::AtualizarVendaIFoodCanceladoOperador() const {
  return "UPDATE venda SET IFOOD_STATUS = 1 WHERE pedido_ifood = :pedido_ifood";
}

// Sales dashboard reports.

std::string TSQL::BuscarVenda() const {
  return std::string(kColunasVenda) + PagamentosDaVenda(kTransferencia, kOutros) +
         " FROM VENDA V " + std::string(kJuncoesVenda) +
         " WHERE CAST(V.VEN_004 as date) >= %s AND CAST(V.VEN_004 as date) <= %s AND "
         "V.SIT_001 > 0 %S";
}

std::string TSQL::BuscarVendaEncerradas() const {
  // Every opening not yet synchronized; no fixed opening is singled out.
  return std::string(kColunasVenda) +
         PagamentosDaVenda(kTransferenciaEncerradas, kOutrosEncerradas) +
         " FROM ENCERRAVENDA E INNER JOIN VENDA V ON E.VEN_001 = V.VEN_001 " +
         std::string(kJuncoesVenda) + " WHERE CAIXA.SINCRONIZADOINTEGRACAO = 0";
}

std::string TSQL::BuscarTotalVendas() const {
  return "SELECT DISTINCT V.CANAL AS CANAL, V.ven_001 AS id_venda, CAIXA.DATA_ABERTURA AS "
         "DATACAIXA, V.SIT_001 AS STATUS, V.VEN_009 AS TOTAL, V.VLR_COMISSAO_VENDEDOR AS "
         "VALORCOMISSAO, V.VEN_025 AS NMESA, V.VEN_001 AS IDVENDALOCAL, V.VEN_004 AS DATAHORA, "
         "V.VEN_009 AS TOTAL, V.DESCONTO_TOTAL AS DESCONTO, V.VEN_008 AS ACRESCIMO, "
         "CASE V.VEN_024 WHEN 'B' THEN V.ven_009 ELSE 0 END AS TotalBalcao, "
         "CASE V.VEN_024 WHEN 'M' THEN V.ven_009 ELSE 0 END AS TotalMesas, "
         "CASE V.VEN_024 WHEN 'D' THEN V.ven_009 ELSE 0 END AS TotalDelivery, "
         "V.id_caixa_abertura AS idcaixa, (SELECT SUM(vi.ITE_002) FROM venda v INNER JOIN "
         "vendaitem vi ON v.ven_001 = vi.ven_001 WHERE CAST(v.VEN_004 AS DATE) >= :dataini AND "
         "CAST(v.VEN_004 AS DATE) <= :datafim) AS qtdeItens, " +
         PagamentosDaVenda(kTransferencia, kOutros) +
         " FROM VENDA V INNER JOIN CAIXA ON CAIXA.ID_CAIXA = V.ID_CAIXA_ABERTURA LEFT JOIN "
         "CAIXAITEM CI ON CI.ID_VENDA = V.VEN_001 WHERE CAST(V.VEN_004 AS DATE) >= :dataini AND "
         "CAST(V.VEN_004 AS DATE) <= :datafim AND V.SIT_001 NOT IN (0, 2)";
}

std::string TSQL::BuscarVendaItens() const {
  return "SELECT VEN_001 AS IDVENDALOCAL, MAT_001 AS IDITEMLOCAL, ITE_003 AS VALORITEM, ITE_002 AS "
         "QTDE FROM VENDAITEM WHERE VEN_001 = %D %S AND SIT_001 = 4";
}

std::string TSQL::BuscarVendaItensNaoIntegrados() const {
  return "SELECT DISTINCT V.VEN_001 AS IDVENDALOCAL FROM VENDA V INNER JOIN VENDAITEM VI ON "
         "V.VEN_001 = VI.VEN_001 WHERE CAST(V.VEN_004 as date) >= %s AND CAST(V.VEN_004 as date) "
         "<= %s AND (VI.STATUS_INTEGRACAO IS NULL OR VI.STATUS_INTEGRACAO = 0) %S";
}

std::string TSQL::UpdateVenda() const {
  return "UPDATE VENDA SET STATUS_INTEGRACAO = :STATUS_INTEGRACAO WHERE VEN_001 = :VEN_001";
}

std::string TSQL::UpdateVendaItens() const {
  return "UPDATE VENDAITEM SET STATUS_INTEGRACAO = :STATUS_INTEGRACAO WHERE VEN_001 = :VEN_001";
}

std::string TSQL::BuscaCortesia() const {
  return "select coalesce(sum(coalesce(ci.valor, 0.00)), 0.00) as Total from caixaitem ci left "
         "outer join formapgto f on f.for_001 = ci.id_formapgto where cast(ci.data as DATE) "
         "between :dataini and :datafim and f.sfi_codigo = 19 and ci.tipo_movimento = 'E' and "
         "ci.classificacao = 'V'";
}

// Cash registers, payment methods and marketplace staging tables.

std::string TSQL::SelectDadosTabelaCaixaAbertura() const {
  return "SELECT U.usu_002, C.* FROM CAIXA C JOIN USUARIOS U ON U.usu_001 = C.id_usuario WHERE "
         "(CAST(C.DATA_ABERTURA as date) = %S) AND (C.DATA_FECHAMENTO IS NULL) AND "
         "((INTEGRADO = FALSE) OR (INTEGRADO IS NULL))";
}

std::string TSQL::SelectDadosTabelaCaixaFechado() const {
  return "SELECT U.usu_002, C.* FROM CAIXA C JOIN USUARIOS U ON U.usu_001 = C.id_usuario WHERE "
         "(CAST(C.DATA_ABERTURA as date) >= %S) AND (CAST(C.DATA_FECHAMENTO as date) <= %S) %S";
}

std::string TSQL::UpdateCaixa() const {
  return "UPDATE CAIXA SET INTEGRADO = :INTEGRADO WHERE ID_CAIXA = :ID_CAIXA";
}

std::string TSQL::Buscarformapagamento() const {
  return "SELECT PIL.ID_FORMA FROM pgtos_ifood_ligacao pil join pgtos_ifood pi on pi.id = "
         "pil.id_ifood WHERE PI.CODE = %S";
}

std::string TSQL::BuscarformapagamentoDinheiro() const {
  return "SELECT FOR_001 AS ID_FORMA FROM FORMAPGTO WHERE FOR_002 = 'DINHEIRO'";
}

std::string TSQL::InsertIntegracaoPedido() const {
  return "INSERT INTO INTEGRACAO_PEDIDO (ID, ID_IFOOD, ORIGEM_PEDIDO, REFERENCE, SHORTREFERENCE, "
         "SCHEDULED, ISTEST, PREPARATIONTIMEINSECONDS, CREATEDAT, PREPARATIONSTARTDATETIME, "
         "DELIVERYDATETIME, SUBTOTAL, TOTALPRICE, DELIVERYFEE, DELIVERYMETHOD_ID, "
         "DELIVERYMETHOD_VALUE, DELIVERYMETHOD_MINTIME, DELIVERYMETHOD_MAXTIME, "
         "DELIVERYMETHOD_MODE, DELIVERYMETHOD_DELIVEREDBY) VALUES (:ID, :ID_IFOOD, "
         ":ORIGEM_PEDIDO, :REFERENCE, :SHORTREFERENCE, :SCHEDULED, :ISTEST, "
         ":PREPARATIONTIMEINSECONDS, :CREATEDAT, :PREPARATIONSTARTDATETIME, :DELIVERYDATETIME, "
         ":SUBTOTAL, :TOTALPRICE, :DELIVERYFEE, :DELIVERYMETHOD_ID, :DELIVERYMETHOD_VALUE, "
         ":DELIVERYMETHOD_MINTIME, :DELIVERYMETHOD_MAXTIME, :DELIVERYMETHOD_MODE, "
         ":DELIVERYMETHOD_DELIVEREDBY)";
}

std::string TSQL::InsertIntegracaoPedidoCliente() const {
  // Firebird names hold at most 31 characters: the formatted-address column drops its last
  // letter; the parameter keeps the full name.
  return "INSERT INTO INTEGRACAO_CLIENTE (ID, ID_INTEGRACAO_PEDIDO, ID_CLIENTE, NAME, "
         "TAXPAYERIDENTIFICATIONNUMBER, PHONE, DELIVERYADDRESS_FORMATTEDADDRES, "
         "DELIVERYADDRESS_COUNTRY, DELIVERYADDRESS_STATE, DELIVERYADDRESS_CITY, "
         "DELIVERYADDRESS_NEIGHBORHOOD, DELIVERYADDRESS_STREETNAME, DELIVERYADDRESS_STREETNUMBER, "
         "DELIVERYADDRESS_POSTALCODE, DELIVERYADDRESS_REFERENCE) VALUES (:ID, "
         ":ID_INTEGRACAO_PEDIDO, :ID_CLIENTE, :NAME, :TAXPAYERIDENTIFICATIONNUMBER, :PHONE, "
         ":DELIVERYADDRESS_FORMATTEDADDRESS, :DELIVERYADDRESS_COUNTRY, :DELIVERYADDRESS_STATE, "
         ":DELIVERYADDRESS_CITY, :DELIVERYADDRESS_NEIGHBORHOOD, :DELIVERYADDRESS_STREETNAME, "
         ":DELIVERYADDRESS_STREETNUMBER, :DELIVERYADDRESS_POSTALCODE, :DELIVERYADDRESS_REFERENCE)";
}

std::string TSQL::InsertIntegracaoPedidoItem() const {
  return "INSERT INTO INTEGRACAO_PEDIDO_ITEM (ID, ID_INTEGRACAO_PEDIDO, NAME, QUANTITY, PRICE, "
         "SUBITEMSPRICE, TOTALPRICE, DISCOUNT, ADDITION, EXTERNALCODE) VALUES (:ID, "
         ":ID_INTEGRACAO_PEDIDO, :NAME, :QUANTITY, :PRICE, :SUBITEMSPRICE, :TOTALPRICE, "
         ":DISCOUNT, :ADDITION, :EXTERNALCODE)";
}

std::string TSQL::InsertIntegracaoPedidoSubItem() const {
  return "INSERT INTO INTEGRACAO_PEDIDO_SUBITEM (ID, ID_INTEGRACAO_PEDIDO_ITEM, NAME, QUANTITY, "
         "PRICE, TOTALPRICE, DISCOUNT, ADDITION, EXTERNALCODE) VALUES (:ID, "
         ":ID_INTEGRACAO_PEDIDO_ITEM, :NAME, :QUANTITY, :PRICE, :TOTALPRICE, :DISCOUNT, "
         ":ADDITION, :EXTERNALCODE)";
}

std::string TSQL::InsertIntegracaoPedidoPagamento() const {
  // VALUE is a reserved word in Firebird: the column is named in quotes.
  return "INSERT INTO INTEGRACAO_PEDIDO_PAGAMENTO (ID, ID_INTEGRACAO_PEDIDO, NAME, CODE, "
         "\"VALUE\", "
         "PREPAID, CHANGEFOR) VALUES (:ID, :ID_INTEGRACAO_PEDIDO, :NAME, :CODE, :VALUE, :PREPAID, "
         ":CHANGEFOR)";
}

// The synchronization switch.

std::string BuscarSincronizacaoDados() {
  return "SELECT\r\n  SICRONIZACAO_DADOS\r\nFROM\r\n  EMPRESAS\r\nWHERE\r\n  (EMP_001 = 1)";
}

std::string AtualizarSincronizacaoDados() {
  return "UPDATE EMPRESAS SET\r\n  SICRONIZACAO_DADOS = :SICRONIZACAO_DADOS\r\nWHERE\r\n  "
         "(EMP_001 = 1)";
}

// Dates as literals.

std::string SqlDate(const TDateTime& date) { return QuotedStr(FormatDateTime("yyyy-mm-dd", date)); }

std::string SqlDate(std::string_view isoDate) {
  try {
    return SqlDate(ParseDateTime("yyyy-mm-dd", isoDate));
  } catch (const std::invalid_argument&) {
    throw EConvertError("data inválida (esperado AAAA-MM-DD): " + std::string(isoDate));
  }
}
