#include "common/DelphiFormat.h"

#include <cctype>
#include <stdexcept>

namespace {

std::string Pad(int value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
  return s;
}

// Splits a pattern into tokens: runs of one pattern letter, or literal text.
struct Token {
  char letter;  // 0 for literal text
  int count;
  std::string literal;
};

std::vector<Token> Tokenize(std::string_view pattern) {
  std::vector<Token> tokens;
  char lastLetter = 0;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"' || c == '\'') {
      const size_t end = pattern.find(c, i + 1);
      const size_t stop = end == std::string_view::npos ? pattern.size() : end;
      tokens.push_back({0, 0, std::string(pattern.substr(i + 1, stop - i - 1))});
      i = stop == pattern.size() ? stop : stop + 1;
      continue;
    }
    if (lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 'n' ||
        lower == 's' || lower == 'z') {
      size_t j = i;
      while (j < pattern.size() &&
             std::tolower(static_cast<unsigned char>(pattern[j])) == lower) {
        ++j;
      }
      char letter = lower;
      // "m" right after an hour token is the minute.
      if (letter == 'm' && lastLetter == 'h') letter = 'n';
      tokens.push_back({letter, static_cast<int>(j - i), {}});
      lastLetter = lower;
      i = j;
      continue;
    }
    tokens.push_back({0, 0, std::string(1, c)});
    ++i;
  }
  return tokens;
}

}  // namespace

std::string FormatDateTime(std::string_view pattern, const TDateTime& value) {
  const TDateTime::Parts p = value.Decode();
  std::string out;
  for (const Token& t : Tokenize(pattern)) {
    switch (t.letter) {
      case 0: out += t.literal; break;
      case 'y': out += t.count <= 2 ? Pad(p.Year % 100, 2) : Pad(p.Year, 4); break;
      case 'm': out += Pad(p.Month, t.count >= 2 ? 2 : 1); break;
      case 'd': out += Pad(p.Day, t.count >= 2 ? 2 : 1); break;
      case 'h': out += Pad(p.Hour, t.count >= 2 ? 2 : 1); break;
      case 'n': out += Pad(p.Minute, t.count >= 2 ? 2 : 1); break;
      case 's': out += Pad(p.Second, t.count >= 2 ? 2 : 1); break;
      case 'z': out += Pad(p.Msec, t.count >= 3 ? 3 : 1); break;
      default: break;
    }
  }
  return out;
}

TDateTime ParseDateTime(std::string_view pattern, std::string_view text) {
  TDateTime::Parts p{};
  p.Year = 1899;
  p.Month = 12;
  p.Day = 30;
  size_t pos = 0;
  auto fail = [&] {
    throw std::invalid_argument("'" + std::string(text) + "' não é uma data e hora válida");
  };
  for (const Token& t : Tokenize(pattern)) {
    if (t.letter == 0) {
      if (text.substr(pos, t.literal.size()) != t.literal) fail();
      pos += t.literal.size();
      continue;
    }
    // One-letter tokens take one or two digits; others take exactly their width.
    const size_t maxDigits = t.letter == 'y' ? (t.count <= 2 ? 2 : 4)
                             : t.letter == 'z' ? 3
                                               : 2;
    size_t n = 0;
    int value = 0;
    while (n < maxDigits && pos + n < text.size() &&
           std::isdigit(static_cast<unsigned char>(text[pos + n]))) {
      value = value * 10 + (text[pos + n] - '0');
      ++n;
    }
    const size_t minDigits = t.count >= 2 ? maxDigits : 1;
    if (n < minDigits) fail();
    pos += n;
    switch (t.letter) {
      case 'y': p.Year = t.count <= 2 ? 2000 + value : value; break;
      case 'm': p.Month = value; break;
      case 'd': p.Day = value; break;
      case 'h': p.Hour = value; break;
      case 'n': p.Minute = value; break;
      case 's': p.Second = value; break;
      case 'z': p.Msec = value; break;
      default: break;
    }
  }
  if (pos != text.size()) fail();
  try {
    return TDateTime::FromParts(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Msec);
  } catch (const std::invalid_argument&) {
    fail();
  }
  return {};
}

std::string Format(std::string_view format, const std::vector<FormatArg>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 >= format.size()) throw std::invalid_argument("formato inválido: " + std::string(format));
    const char spec = format[++i];
    if (spec == '%') {
      out += '%';
      continue;
    }
    if (next >= args.size()) throw std::invalid_argument("argumento faltando em: " + std::string(format));
    const FormatArg& arg = args[next++];
    if (spec == 's' || spec == 'S') {
      const auto* s = std::get_if<std::string>(&arg);
      if (!s) throw std::invalid_argument("argumento de texto esperado em: " + std::string(format));
      out += *s;
    } else if (spec == 'd' || spec == 'D') {
      const auto* n = std::get_if<std::int64_t>(&arg);
      if (!n) throw std::invalid_argument("argumento inteiro esperado em: " + std::string(format));
      out += std::to_string(*n);
    } else {
      throw std::invalid_argument("formato inválido: " + std::string(format));
    }
  }
  return out;
}

std::string QuotedStr(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}
