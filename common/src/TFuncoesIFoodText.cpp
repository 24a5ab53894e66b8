// Text padding and cleaning, the proportional discount and the MD5 digest of TFuncoesIFood.
#include <openssl/evp.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "Utf8.h"
#include "common/TFuncoesIFood.h"

namespace {

// Byte offsets where each character of the text starts. A malformed byte counts as one
// character, so cutting never splits a well-formed sequence and never fails.
std::vector<size_t> CharacterStarts(std::string_view text) {
  std::vector<size_t> starts;
  for (size_t pos = 0; pos < text.size(); pos += utf8::Next(text, pos).size) starts.push_back(pos);
  return starts;
}

// A pad of `count` characters. The null character pads with spaces; a byte above 127 is taken as
// the Latin-1 character of that value, so the result stays UTF-8.
std::string Pad(char ch, size_t count) {
  std::string one;
  utf8::Append(one, ch == '\0' ? U' ' : static_cast<char32_t>(static_cast<unsigned char>(ch)));
  std::string out;
  out.reserve(one.size() * count);
  for (size_t i = 0; i < count; ++i) out += one;
  return out;
}

// preparaString's character table, in the order it is applied (each source is replaced by one
// target character; the ordering cannot change the outcome, as no target is also a source).
struct Replacement {
  char32_t from;
  char32_t to;
};
constexpr Replacement kReplacements[] = {
    {U'á', U'a'}, {U'à', U'a'}, {U'ã', U'a'}, {U'â', U'a'}, {U'ä', U'a'}, {U'Á', U'A'},
    {U'À', U'A'}, {U'Ã', U'A'}, {U'Â', U'A'}, {U'Ä', U'A'}, {U'é', U'e'}, {U'è', U'e'},
    {U'É', U'E'}, {U'È', U'E'}, {U'í', U'i'}, {U'ì', U'i'}, {U'Í', U'I'}, {U'Ì', U'I'},
    {U'ó', U'o'}, {U'ò', U'o'}, {U'ö', U'o'}, {U'õ', U'o'}, {U'ô', U'o'}, {U'Ó', U'O'},
    {U'Ò', U'O'}, {U'Ö', U'O'}, {U'Õ', U'O'}, {U'Ô', U'O'}, {U'ú', U'u'}, {U'ù', U'u'},
    {U'ü', U'u'}, {U'Ú', U'u'}, {U'Ù', U'u'}, {U'Ü', U'u'},  // capitals become lower case, as
                                                             // always
    {U'ç', U'c'}, {U'Ç', U'C'}, {U'ñ', U'n'}, {U'Ñ', U'N'},
};

// preparaString's removal list (51 entries; "*" and "¨" appear twice).
constexpr char32_t kRemovals[] = {U'<', U'>', U'!', U'@', U'#', U'$', U'%', U'¨', U'&', U'*', U'(',
                                  U')', U'_', U'+', U'=', U'{', U'}', U'[', U']', U'?', U';', U':',
                                  U',', U'|', U'*', U'"', U'~', U'^', U'´', U'`', U'¨', U'æ', U'Æ',
                                  U'ø', U'£', U'Ø', U'ƒ', U'ª', U'º', U'¿', U'®', U'½', U'¼', U'ß',
                                  U'µ', U'þ', U'ý', U'Ý', U'/', U'.', U'-'};
static_assert(std::size(kRemovals) == 51);

bool Removed(char32_t c) {
  for (char32_t r : kRemovals) {
    if (r == c) return true;
  }
  return false;
}

}  // namespace

std::string TFuncoesIFood::ColocaTextoDireita(const std::string& Texto, int Qtd, char Ch) const {
  if (Qtd <= 0) return {};
  const std::vector<size_t> starts = CharacterStarts(Texto);
  const auto want = static_cast<size_t>(Qtd);
  if (starts.size() > want) return Texto.substr(starts[starts.size() - want]);
  return Pad(Ch, want - starts.size()) + Texto;
}

std::string TFuncoesIFood::ColocaTextoEsquerda(const std::string& Texto, int Qtd, char Ch) const {
  if (Qtd <= 0) return {};
  const std::vector<size_t> starts = CharacterStarts(Texto);
  const auto want = static_cast<size_t>(Qtd);
  if (starts.size() > want) return Texto.substr(0, starts[want]);
  return Texto + Pad(Ch, want - starts.size());
}

std::string TFuncoesIFood::preparaString(const std::string& value, bool aLimExt) {
  std::string out;
  out.reserve(value.size());
  for (size_t pos = 0; pos < value.size();) {
    const utf8::Char c = utf8::Next(value, pos);
    pos += c.size;
    // A stray byte is most likely Windows-1252 text from the point-of-sale database; reading it
    // so lets "Ação" in that code page clean up like its UTF-8 form, and keeps the result UTF-8.
    char32_t code = c.valid ? c.code : utf8::FromWindows1252(static_cast<unsigned char>(c.code));
    for (const Replacement& r : kReplacements) {
      if (r.from == code) {
        code = r.to;
        break;
      }
    }
    if (aLimExt && Removed(code)) continue;
    utf8::Append(out, code);
  }
  return out;
}

Currency TFuncoesIFood::CalcularDescontoProporcional(Currency valorItem, Currency totalDesconto,
                                                     Currency totalConta) const {
  if (totalConta.Raw() == 0) {
    throw std::runtime_error("Desconto proporcional: divisão por zero (total da conta igual a 0)");
  }
  const double v = valorItem.ToDouble() * totalDesconto.ToDouble() / totalConta.ToDouble();

  // Two decimals by ABNT NBR 5891, on the absolute value, with the tolerance 0.00001.
  const double a = std::fabs(v);
  const double tens = std::trunc(a / 10);
  const double rest = a - tens * 10;
  const double p = std::nearbyint(rest * 100 * 1e9) / 1e9;  // r x 100 to 9 decimal places
  double k = std::trunc(p);
  const double f = std::trunc((p - k) * 100);  // first two digits of p's fraction
  if (f > 50) {
    k += 1;
  } else if (f == 50) {
    const bool odd = std::fmod(k, 2) != 0;
    const double tail = p * 10 - std::trunc(p * 10);
    if (odd || tail > 0.00001) k += 1;
  }
  const double rounded = tens * 10 + k / 100;
  return Currency::FromDouble(v < 0 ? -rounded : rounded);
}

std::string TFuncoesIFood::MD5(const std::string& texto) const {
  // Hashed as 7-bit ASCII: each character outside it becomes one "?".
  std::string ascii;
  ascii.reserve(texto.size());
  for (size_t pos = 0; pos < texto.size();) {
    const utf8::Char c = utf8::Next(texto, pos);
    pos += c.size;
    ascii += (c.valid && c.code < 0x80) ? static_cast<char>(c.code) : '?';
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(ascii.data(), ascii.size(), digest, &length, EVP_md5(), nullptr) != 1) {
    throw std::runtime_error("Falha ao calcular o MD5");
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}
