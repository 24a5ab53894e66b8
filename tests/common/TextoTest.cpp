#include <gtest/gtest.h>

#include "common/TFuncoesIFood.h"

namespace {

TEST(preparaString, AppliesTheCharacterTableAndOptionallyTheRemovalList) {
  struct Case {
    const char* name;
    std::string in;
    std::string limpo;      // aLimExt true
    std::string semLimpar;  // aLimExt false
  } cases[] = {
      {"exemplo", "Ação Ú-Ü #1", "Acao uu 1", "Acao u-u #1"},
      {"tabela", "áàãâä ÁÀÃÂÄ éè ÉÈ íì ÍÌ óòöõô ÓÒÖÕÔ úùü ÚÙÜ ç Ç ñ Ñ",
       "aaaaa AAAAA ee EE ii II ooooo OOOOO uuu uuu c C n N",
       "aaaaa AAAAA ee EE ii II ooooo OOOOO uuu uuu c C n N"},
      {"circunflexos ficam", "êîû ÊÎÛ", "êîû ÊÎÛ", "êîû ÊÎÛ"},
      {"lista de remoção", "<>!@#$%¨&*()_+={}[]?;:,|*\"~^´`¨æÆøØ£ƒªº¿®½¼ßµþýÝ/.-a1 2", "a1 2",
       "<>!@#$%¨&*()_+={}[]?;:,|*\"~^´`¨æÆøØ£ƒªº¿®½¼ßµþýÝ/.-a1 2"},
      {"CNPJ", "12.345.678/0001-90", "12345678000190", "12.345.678/0001-90"},
      {"vazio", "", "", ""},
      // Bytes that are no UTF-8 are read as Windows-1252 and come out as UTF-8.
      {"Windows-1252", "A\xE7\xE3o \x80", "Acao €", "Acao €"},
      {"sequência cortada", "ab\xC3", "abA", "abA"},
      {"forma longa", "x\xC0\xAF", "xA¯", "xA¯"},
      {"continuação solta", "\x83\x95", "•", "ƒ•"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TFuncoesIFood::preparaString(c.in, true), c.limpo);
    EXPECT_EQ(TFuncoesIFood::preparaString(c.in, false), c.semLimpar);
  }
}

TEST(ColocaTexto, AlignsByCharactersCuttingOrPadding) {
  const TFuncoesIFood f;
  struct Case {
    const char* name;
    std::string texto;
    int qtd;
    char ch;
    std::string direita;
    std::string esquerda;
  } cases[] = {
      {"preenche com 0", "abc", 5, '0', "00abc", "abc00"},
      {"corta", "abcdef", 4, '0', "cdef", "abcd"},
      {"nulo vira espaço", "abc", 5, '\0', "  abc", "abc  "},
      {"tamanho exato", "abc", 3, '*', "abc", "abc"},
      {"vazio", "", 2, '-', "--", "--"},
      {"zero", "abc", 0, ' ', "", ""},
      {"negativo", "abc", -2, ' ', "", ""},
      {"UTF-8 conta caracteres", "Ação", 6, '*', "**Ação", "Ação**"},
      {"UTF-8 corta entre caracteres", "Ação€", 2, ' ', "o€", "Aç"},
      {"byte inválido é um caractere",
       "a\xFF"
       "b",
       2, ' ',
       "\xFF"
       "b",
       "a\xFF"},
      {"preenchimento Latin-1", "x", 3, '\xE7', "ççx", "xçç"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(f.ColocaTextoDireita(c.texto, c.qtd, c.ch), c.direita);
    EXPECT_EQ(f.ColocaTextoEsquerda(c.texto, c.qtd, c.ch), c.esquerda);
  }
}

TEST(CalcularDescontoProporcional, RoundsTheShareByAbntNbr5891) {
  const TFuncoesIFood f;
  struct Case {
    const char* item;
    const char* desconto;
    const char* conta;
    const char* esperado;
  } cases[] = {
      {"10", "5", "30", "1.67"},
      {"1.235", "1", "1", "1.24"},    // 5 after an odd digit: up
      {"1.245", "1", "1", "1.24"},    // 5 after an even digit and nothing more: stays
      {"1.2451", "1", "1", "1.25"},   // anything after the 5: up
      {"12.345", "1", "1", "12.34"},  // the tens are split off first
      {"123.455", "1", "1", "123.46"},
      {"0.125", "1", "1", "0.12"},
      {"1.015", "1", "1", "1.02"},  // 101.4999... in binary, still a 5 after an odd digit
      {"2.5", "1", "3", "0.83"},
      {"-1.235", "1", "1", "-1.24"},  // sign restored after rounding the magnitude
      {"-10", "5", "30", "-1.67"},
      {"0", "5", "30", "0"},
      {"99999.99", "100", "99999.99", "100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + " x " + c.desconto + " / " + c.conta);
    EXPECT_EQ(f.CalcularDescontoProporcional(Currency::Parse(c.item), Currency::Parse(c.desconto),
                                             Currency::Parse(c.conta)),
              Currency::Parse(c.esperado));
  }
}

TEST(CalcularDescontoProporcional, AZeroBillRaises) {
  const TFuncoesIFood f;
  EXPECT_THROW(
      (void)f.CalcularDescontoProporcional(Currency::FromInt(10), Currency::FromInt(5), Currency()),
      std::runtime_error);
}

TEST(MD5, UpperCaseHexOfTheSevenBitAsciiText) {
  const TFuncoesIFood f;
  struct Case {
    const char* name;
    std::string texto;
    std::string digest;
  } cases[] = {
      {"vazio", "", "D41D8CD98F00B204E9800998ECF8427E"},
      {"abc", "abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"frase", "The quick brown fox jumps over the lazy dog", "9E107D9D372BB6826BD81D3542A419D6"},
      {"acentos viram ?", "ação", "B4A84869C331443BCBBB49FF63DCA3AA"},        // MD5 of "a??o"
      {"byte inválido vira ?", "a\xFF", "771D1F0F5E79495265522D3392FFBADB"},  // MD5 of "a?"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(f.MD5(c.texto), c.digest);
  }
}

}  // namespace
