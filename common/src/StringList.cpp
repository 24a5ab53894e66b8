#include "common/StringList.h"

std::string StringList::Text() const {
  std::size_t size = 0;
  for (const std::string& line : FLines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : FLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void StringList::SetText(std::string_view text) {
  FLines.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      FLines.emplace_back(text.substr(start));
      break;
    }
    FLines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}
