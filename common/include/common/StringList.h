#pragma once
// A list of text lines with the "text" view the system's code relies on: Text() gives every line
// followed by CR LF (no lines give an empty text), SetText() splits at CR LF, LF or CR, a final
// line break adding no empty line. A caller puts a whole JSON text in with SetText().

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class StringList {
 public:
  StringList() = default;
  StringList(std::initializer_list<std::string> lines) : FLines(lines) {}

  void Add(std::string line) { FLines.push_back(std::move(line)); }
  void Clear() { FLines.clear(); }
  [[nodiscard]] bool Empty() const { return FLines.empty(); }
  [[nodiscard]] std::size_t Count() const { return FLines.size(); }
  [[nodiscard]] const std::string& operator[](std::size_t i) const { return FLines.at(i); }
  [[nodiscard]] const std::vector<std::string>& Lines() const { return FLines; }
  [[nodiscard]] auto begin() const { return FLines.begin(); }
  [[nodiscard]] auto end() const { return FLines.end(); }

  [[nodiscard]] std::string Text() const;
  void SetText(std::string_view text);

 private:
  std::vector<std::string> FLines;
};
