#pragma once
// Text conversions for the places where the system depends on Windows ANSI bytes: UTF-8 to and
// from Windows-1252, and the reduction to printable ASCII that every HTTP result and the FTP
// folder name go through. None of them fails: an invalid UTF-8 sequence counts as one character
// that the code page lacks and becomes "?".

#include <string>
#include <string_view>

// UTF-8 to Windows-1252 bytes; characters without a byte in the code page become "?".
[[nodiscard]] std::string Utf8ToWindows1252(std::string_view utf8);

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the control characters of the same number, so the round trip keeps them.
[[nodiscard]] std::string Windows1252ToUtf8(std::string_view bytes);

// Reduces Windows-1252 bytes to printable ASCII: 192-255 become their base letter (Ç to C, Ø to
// the digit 0, × to x, ÷ to /...), backspace, line feed, carriage return and 32-126 stay, every
// other byte becomes a space.
[[nodiscard]] std::string ReduceWindows1252ToPrintableAscii(std::string_view bytes);

// The whole reduction of a UTF-8 text: to Windows-1252, then to printable ASCII. "Não" gives
// "Nao"; a euro sign, an ordinal indicator or a tab give a space; "→" gives "?".
[[nodiscard]] std::string ReduceToPrintableAscii(std::string_view utf8);
