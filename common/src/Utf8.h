#pragma once
// Walking UTF-8 text one character at a time. Malformed input never stops the walk: a byte that
// does not start a well-formed sequence is one character of its own, flagged invalid, so callers
// decide what it becomes (kept, replaced or read as Windows-1252).

#include <cstddef>
#include <string>
#include <string_view>

namespace utf8 {

struct Char {
  char32_t code = 0;     // the code point; for an invalid byte, the byte's value
  std::size_t size = 0;  // bytes taken from the text (1 for an invalid byte)
  bool valid = false;
};

// The character that starts at text[pos]; pos must be inside the text.
Char Next(std::string_view text, std::size_t pos);

// Appends the UTF-8 form of a code point (U+FFFD for values that are not Unicode scalars).
void Append(std::string& out, char32_t code);

// The character a Windows-1252 byte stands for (U+FFFD for the five bytes it leaves undefined).
char32_t FromWindows1252(unsigned char byte);

}  // namespace utf8
