#include "common/AsciiText.h"

#include <array>
#include <cstdint>

namespace {

// Code points of the Windows-1252 bytes 0x80-0x9F. The five bytes the code page leaves undefined
// hold the control character of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr char32_t kReplacement = 0xFFFD;

// Base letters of the bytes 192-255 (À to ÿ), in byte order.
constexpr std::string_view kBaseLetters =
    "AAAAAAACEEEEIIII"   // À Á Â Ã Ä Å Æ Ç È É Ê Ë Ì Í Î Ï
    "DNOOOOOx0UUUUYbB"   // Ð Ñ Ò Ó Ô Õ Ö × Ø Ù Ú Û Ü Ý Þ ß
    "aaaaaaaceeeeiiii"   // à á â ã ä å æ ç è é ê ë ì í î ï
    "onooooo/0uuuuyby";  // ð ñ ò ó ô õ ö ÷ ø ù ú û ü ý þ ÿ
static_assert(kBaseLetters.size() == 64);

constexpr std::array<char, 256> MakeReductionTable() {
  std::array<char, 256> table{};
  for (int b = 0; b < 256; ++b) {
    if (b >= 192) {
      table[b] = kBaseLetters[b - 192];
    } else if (b == 8 || b == 10 || b == 13 || (b >= 32 && b <= 126)) {
      table[b] = static_cast<char>(b);
    } else {
      table[b] = ' ';
    }
  }
  return table;
}

constexpr std::array<char, 256> kReduction = MakeReductionTable();

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes the code point at text[pos] and advances pos. An invalid sequence gives U+FFFD and
// advances past its longest valid prefix (at least one byte), so decoding always moves on.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int length = 0;
  char32_t cp = 0;
  unsigned char low = 0x80;  // allowed range of the second byte (rules out overlongs, surrogates)
  unsigned char high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    cp = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    ++pos;
    return kReplacement;
  }
  std::size_t next = pos + 1;
  for (int i = 1; i < length; ++i, ++next) {
    if (next >= text.size()) {
      pos = next;
      return kReplacement;
    }
    const auto b = static_cast<unsigned char>(text[next]);
    const bool inRange = i == 1 ? (b >= low && b <= high) : IsContinuation(b);
    if (!inRange) {
      pos = next;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  pos = next;
  return cp;
}

char EncodeWindows1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    // Windows-1252 holds nothing beyond the basic plane.
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string Utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) out += EncodeWindows1252(DecodeUtf8(utf8, pos));
  return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : char32_t{b});
  }
  return out;
}

std::string ReduceWindows1252ToPrintableAscii(std::string_view bytes) {
  std::string out(bytes.size(), ' ');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out[i] = kReduction[static_cast<unsigned char>(bytes[i])];
  }
  return out;
}

std::string ReduceToPrintableAscii(std::string_view utf8) {
  std::string bytes = Utf8ToWindows1252(utf8);
  for (char& c : bytes) c = kReduction[static_cast<unsigned char>(c)];
  return bytes;
}
