#include "SqlParameters.h"

#include <cctype>

namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNamePart(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

char ClosingDelimiter(char open) {
  switch (open) {
    case '(':
      return ')';
    case '[':
      return ']';
    case '{':
      return '}';
    case '<':
      return '>';
    default:
      return open;
  }
}

// The first words of the statement (outside comments), upper-cased.
std::vector<std::string> LeadingWords(std::string_view text, size_t count) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size() && words.size() < count) {
    const char c = text[i];
    if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      const size_t end = text.find("*/", i + 2);
      i = end == std::string_view::npos ? text.size() : end + 2;
    } else if (IsNameStart(c)) {
      const size_t start = i;
      while (i < text.size() && IsNamePart(text[i])) ++i;
      words.push_back(Upper(text.substr(start, i - start)));
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else {
      break;
    }
  }
  return words;
}

enum class Scope { Everywhere, UntilAs, Nowhere };

Scope ParameterScope(std::string_view text) {
  const std::vector<std::string> w = LeadingWords(text, 5);
  auto at = [&](size_t i) { return i < w.size() ? w[i] : std::string(); };
  if (at(0) == "EXECUTE" && at(1) == "BLOCK") return Scope::UntilAs;
  size_t k = 0;
  if (at(0) == "CREATE" && at(1) == "OR" && at(2) == "ALTER") {
    k = 3;
  } else if (at(0) == "CREATE" || at(0) == "ALTER" || at(0) == "RECREATE") {
    k = 1;
  } else {
    return Scope::Everywhere;
  }
  const std::string kind = at(k);
  if (kind == "PROCEDURE" || kind == "TRIGGER" || kind == "FUNCTION" || kind == "PACKAGE") {
    return Scope::Nowhere;
  }
  return Scope::Everywhere;
}

}  // namespace

ParsedStatement ParseParameters(std::string_view text) {
  ParsedStatement result;
  const Scope scope = ParameterScope(text);
  bool collecting = scope != Scope::Nowhere;
  std::string& out = result.EngineText;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const bool wordBoundary = i == 0 || !IsNamePart(text[i - 1]);
    if ((c == 'q' || c == 'Q') && next == '\'' && wordBoundary && i + 2 < text.size()) {
      // q'<delimiter>...<closing delimiter>'
      const char close = ClosingDelimiter(text[i + 2]);
      size_t j = i + 3;
      while (j + 1 < text.size() && !(text[j] == close && text[j + 1] == '\'')) ++j;
      const size_t end = j + 1 < text.size() ? j + 2 : text.size();
      out.append(text.substr(i, end - i));
      i = end;
    } else if (c == '\'' || c == '"') {
      // Doubled quotes inside are just two steps of this loop.
      size_t j = i + 1;
      while (j < text.size() && text[j] != c) ++j;
      const size_t end = j < text.size() ? j + 1 : text.size();
      out.append(text.substr(i, end - i));
      i = end;
    } else if (c == '-' && next == '-') {
      size_t j = i;
      while (j < text.size() && text[j] != '\n') ++j;
      out.append(text.substr(i, j - i));
      i = j;
    } else if (c == '/' && next == '*') {
      const size_t found = text.find("*/", i + 2);
      const size_t end = found == std::string_view::npos ? text.size() : found + 2;
      out.append(text.substr(i, end - i));
      i = end;
    } else if (c == ':' && collecting && IsNameStart(next)) {
      size_t j = i + 1;
      while (j < text.size() && IsNamePart(text[j])) ++j;
      result.Names.emplace_back(text.substr(i + 1, j - i - 1));
      out.push_back('?');
      i = j;
    } else if (scope == Scope::UntilAs && collecting && IsNameStart(c) && wordBoundary) {
      size_t j = i;
      while (j < text.size() && IsNamePart(text[j])) ++j;
      const std::string_view word = text.substr(i, j - i);
      if (Upper(word) == "AS") collecting = false;
      out.append(word);
      i = j;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return result;
}
