// The generic mapping over a small described class holding every kind of member: scalars of each
// type, a second key read leniently, a nested object and a list of objects.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RoundTrip.h"
#include "common/JsonMapping.h"

namespace {

class TNeto : public JsonDocument<TNeto> {
 public:
  bool Marcado = false;
  std::int32_t Quantidade = 0;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TNeto>("TNeto")
                                      .Property("Marcado", &TNeto::Marcado)
                                      .Property("Quantidade", &TNeto::Quantidade)
                                      .Build();
    return info;
  }
};

class TFilho : public JsonDocument<TFilho> {
 public:
  std::string Nome;
  Currency Valor;
  TDateTime Quando;
  std::vector<std::unique_ptr<TNeto>> Netos;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TFilho>("TFilho")
                                      .Property("Nome", &TFilho::Nome)
                                      .Property("Valor", &TFilho::Valor)
                                      .Property("Quando", &TFilho::Quando, "TDate")
                                      .Property("Netos", &TFilho::Netos)
                                      .Build();
    return info;
  }
};

class TDocumento : public JsonDocument<TDocumento> {
 public:
  bool Ativo = false;
  std::int32_t Inteiro = 0;
  std::int64_t Longo = 0;
  double Real = 0;
  Currency Dinheiro;
  TDateTime DataHora;
  std::string Texto;
  std::string MERCHANT;
  std::unique_ptr<TFilho> Filho;
  std::vector<std::unique_ptr<TFilho>> Filhos;
  Currency ValorAtivo;
  static const ClassInfo& Class() {
    static const ClassInfo info = ClassBuilder<TDocumento>("TDocumento")
                                      .Property("Ativo", &TDocumento::Ativo)
                                      .Property("Inteiro", &TDocumento::Inteiro)
                                      .Property("Longo", &TDocumento::Longo)
                                      .Property("Real", &TDocumento::Real)
                                      .Property("Dinheiro", &TDocumento::Dinheiro)
                                      .Property("DataHora", &TDocumento::DataHora)
                                      .Property("Texto", &TDocumento::Texto)
                                      .Property("MERCHANT", &TDocumento::MERCHANT)
                                      .Property("Filho", &TDocumento::Filho)
                                      .Property("Filhos", &TDocumento::Filhos)
                                      .Property("ValorAtivo", &TDocumento::ValorAtivo)
                                      .AlsoReads("ativo")
                                      .Build();
    return info;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckRoundTrip<TDocumento>(data, size);
  return 0;
}
