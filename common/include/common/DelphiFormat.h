#pragma once
// The formatting rules the system's texts are written with: date/time patterns such as
// "yyyy-mm-dd", "dd/mm/yyyy hh:mm:ss", "hh" and "dd_mm_yyyy_hh_mm", the printf-style statement
// placeholders %S, %s and %D, and SQL text literals.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/DateTime.h"

// Pattern letters: yyyy yy mm m dd d hh h nn n ss s zzz; "mm" right after an hour token means
// minutes. Any other character is copied; text in double or single quotes is copied literally.
std::string FormatDateTime(std::string_view pattern, const TDateTime& value);

// Reads text written with a pattern of the same letters (digits only; separators must match).
// Throws std::invalid_argument when the text does not fit the pattern or names no real date.
TDateTime ParseDateTime(std::string_view pattern, std::string_view text);

using FormatArg = std::variant<std::string, std::int64_t>;

// Fills %s/%S (text) and %d/%D (integer) in order, "%%" gives "%". Throws std::invalid_argument
// when an argument is missing or of the wrong kind.
std::string Format(std::string_view format, const std::vector<FormatArg>& args);

// An SQL text literal: single quotes around, inner single quotes doubled (O'Hara -> 'O''Hara').
std::string QuotedStr(std::string_view text);
