#include <gtest/gtest.h>

#include <string>

#include "common/AsciiText.h"
#include "common/StringList.h"

namespace {

struct TextCase {
  const char* name;
  std::string input;
  std::string expected;
};

TEST(AsciiText, ReducesUtf8TextToPrintableAscii) {
  const TextCase cases[] = {
      {"accented word", "Não", "Nao"},
      {"upper accents", "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß", "AAAAAAACEEEEIIIIDNOOOOOx0UUUUYbB"},
      {"lower accents", "àáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ", "aaaaaaaceeeeiiiionooooo/0uuuuyby"},
      {"euro sign", "R€1", "R 1"},
      {"ordinal indicators", "1º 2ª", "1  2 "},
      {"tab and other controls", "a\tb\x01\x1f\x7f", "a b   "},
      {"kept controls", "a\bb\nc\rd", "a\bb\nc\rd"},
      {"outside the code page", "→ 𝄞", "? ?"},
      {"json escapes pass", R"({"nome":"P\u00e3o"})", R"({"nome":"P\u00e3o"})"},
      {"empty", "", ""},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReduceToPrintableAscii(c.input), c.expected);
  }
}

TEST(AsciiText, InvalidUtf8BecomesQuestionMarks) {
  const TextCase cases[] = {
      {"stray byte",
       "a\xff"
       "b",
       "a?b"},
      {"lone continuation", "\x80x", "?x"},
      {"truncated at the end", "P\xc3", "P?"},
      {"truncated three-byte sequence",
       "\xe2\x82"
       "z",
       "?z"},
      {"overlong slash", "\xc0\xaf", "??"},
      {"surrogate half", "\xed\xa0\x80", "???"},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", "????"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReduceToPrintableAscii(c.input), c.expected);
    EXPECT_EQ(Utf8ToWindows1252(c.input), c.expected);
  }
}

TEST(AsciiText, Windows1252ConversionsRoundTripEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);

  EXPECT_EQ(Windows1252ToUtf8("\x80\xe3\x9c"), "€ãœ");
  EXPECT_EQ(Utf8ToWindows1252("€ãœ"), "\x80\xe3\x9c");
}

TEST(AsciiText, ReducesWindows1252BytesByTheirRanges) {
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const char reduced = ReduceWindows1252ToPrintableAscii(std::string(1, static_cast<char>(b)))[0];
    if (b == 8 || b == 10 || b == 13 || (b >= 32 && b <= 126)) {
      EXPECT_EQ(reduced, static_cast<char>(b));
    } else if (b < 192) {
      EXPECT_EQ(reduced, ' ');
    } else {
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(reduced)) || reduced == '/');
    }
  }
}

TEST(StringList, TextEndsEveryLineWithCrLf) {
  EXPECT_EQ(StringList().Text(), "");
  EXPECT_EQ((StringList{"{\"a\":1}"}).Text(), "{\"a\":1}\r\n");
  EXPECT_EQ((StringList{"a", "", "b"}).Text(), "a\r\n\r\nb\r\n");
}

TEST(StringList, SetTextSplitsAtAnyLineBreak) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc", {"a", "b", "c"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\n", {""}},
      {"a\n\rb", {"a", "", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    StringList list{"velha"};
    list.SetText(c.text);
    EXPECT_EQ(list.Lines(), c.lines);
  }
}

}  // namespace
