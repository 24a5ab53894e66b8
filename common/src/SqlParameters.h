#pragma once
// Named parameters of a statement text: ":NAME" becomes the engine's "?".

#include <string>
#include <string_view>
#include <vector>

struct ParsedStatement {
  std::string EngineText;          // the text with every parameter replaced by "?"
  std::vector<std::string> Names;  // the name at each "?", as written
};

// Parameters are ":" followed by a letter or "_" and then letters, digits, "_" or "$". Text
// inside string literals ('...', q'{...}'), quoted identifiers and comments is left alone. The
// bodies of procedures, triggers and functions being defined hold variables, not parameters:
// such statements have none, and EXECUTE BLOCK has them only in its header.
ParsedStatement ParseParameters(std::string_view text);
