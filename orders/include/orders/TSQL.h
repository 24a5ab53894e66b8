#pragma once
// The point-of-sale statement library: every SQL text that more than one component needs.
//
//   TSQL sql;
//   DM().Produto.SetSQL(Format(sql.BuscarProduto(), {QuotedStr(code), QuotedStr(id)}));
//   DM().venda.SetSQL(sql.InserirVenda());  // then bind :ID, :ID_EMPRESA... and ExecSQL
//
// Each method returns one statement; the caller puts it into a query, binds the :NAME
// parameters and opens or executes it. Placeholders %S/%s (text) and %D (integer) are filled
// with the shared Format before that: a value that stands for a text literal goes in through
// QuotedStr, a date through SqlDate, and a "further conditions" placeholder takes an empty text
// or a fragment starting with AND. Only QtdeCompraCliente runs its statement itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/DateTime.h"

class TSQL {
 public:
  // Customers and cities.
  [[nodiscard]] std::string BuscarCliente() const;
  [[nodiscard]] std::string InserirCliente() const;
  [[nodiscard]] std::string UpdateClienteCliente() const;
  [[nodiscard]] std::string BuscarCidade() const;
  // Adds one purchase to the customer (a NULL count becomes 2), on a query of its own on the data
  // module's connection. An id of 0 or less runs nothing. Database errors reach the caller.
  void QtdeCompraCliente(std::int64_t pIdCliente) const;

  // Products.
  [[nodiscard]] std::string BuscarProduto() const;  // two %S: quoted code, quoted id
  [[nodiscard]] std::string InserirMaterial() const;
  [[nodiscard]] std::string BuscarProdutos() const;
  [[nodiscard]] std::string BuscarCategorias() const;
  [[nodiscard]] std::string BuscarProdutoComposicao() const;  // %S: further conditions
  [[nodiscard]] std::string BuscarProdutoComposicaoEstoque() const;

  // Sales written by an order import.
  [[nodiscard]] std::string BuscarSequenciaVenda() const;  // next value of SEQ_VENDA_ID
  [[nodiscard]] std::string InserirVenda() const;
  [[nodiscard]] std::string InserirVendaItem() const;
  [[nodiscard]] std::string InserirVendaPagamento() const;

  // Marketplace order state on a sale; %S is the quoted order reference.
  [[nodiscard]] std::string BuscarPedido() const;
  [[nodiscard]] std::string UpdatePedidoConnfirmado() const;
  [[nodiscard]] std::string UpdateCancelamentoPedido() const;
  [[nodiscard]] std::string BuscarDespacho() const;
  [[nodiscard]] std::string BuscarDespachoSite() const;
  [[nodiscard]] std::string BuscarProntoParaRetirar() const;
  [[nodiscard]] std::string AtualizarBuscarDespacho() const;
  [[nodiscard]] std::string BuscarVendaIFoodCanceladoOperador() const;
  [[nodiscard]] std::string AtualizarVendaIFoodCanceladoOperador() const;

  // Sales dashboard reports.
  [[nodiscard]] std::string BuscarVenda() const;  // %s first day, %s last day, %S conditions
  [[nodiscard]] std::string BuscarVendaEncerradas() const;
  [[nodiscard]] std::string BuscarTotalVendas() const;              // :dataini, :datafim
  [[nodiscard]] std::string BuscarVendaItens() const;               // %D sale id, %S conditions
  [[nodiscard]] std::string BuscarVendaItensNaoIntegrados() const;  // as BuscarVenda
  [[nodiscard]] std::string UpdateVenda() const;
  [[nodiscard]] std::string UpdateVendaItens() const;
  [[nodiscard]] std::string BuscaCortesia() const;  // :dataini, :datafim

  // Cash registers, payment methods and marketplace staging tables (no caller issues these).
  [[nodiscard]] std::string SelectDadosTabelaCaixaAbertura() const;  // %S: the quoted day
  [[nodiscard]] std::string SelectDadosTabelaCaixaFechado() const;   // %S, %S days; %S conditions
  [[nodiscard]] std::string UpdateCaixa() const;
  [[nodiscard]] std::string Buscarformapagamento() const;  // %S: quoted marketplace code
  [[nodiscard]] std::string BuscarformapagamentoDinheiro() const;
  [[nodiscard]] std::string InsertIntegracaoPedido() const;
  [[nodiscard]] std::string InsertIntegracaoPedidoCliente() const;
  [[nodiscard]] std::string InsertIntegracaoPedidoItem() const;
  [[nodiscard]] std::string InsertIntegracaoPedidoSubItem() const;
  [[nodiscard]] std::string InsertIntegracaoPedidoPagamento() const;
};

// The store's database-synchronization switch (EMPRESAS.SICRONIZACAO_DADOS of company 1): the
// select, and the update with the Boolean parameter :SICRONIZACAO_DADOS.
[[nodiscard]] std::string BuscarSincronizacaoDados();
[[nodiscard]] std::string AtualizarSincronizacaoDados();

// A date as an SQL literal for a %s/%S placeholder: '2024-03-02'. Firebird reads a slashed date
// month first, so dates are never pasted in the user's short format.
[[nodiscard]] std::string SqlDate(const TDateTime& date);
// The same from a "YYYY-MM-DD" text; throws EConvertError for anything that is not such a date,
// so a caller's text never reaches the statement unchecked.
[[nodiscard]] std::string SqlDate(std::string_view isoDate);
