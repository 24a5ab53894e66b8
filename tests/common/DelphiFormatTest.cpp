#include "common/DelphiFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatDateTime, WritesThePatternsTheSystemUses) {
  const TDateTime late = TDateTime::FromParts(2026, 12, 10, 14, 5, 9, 45);
  const TDateTime early = TDateTime::FromParts(2026, 3, 4, 7, 8, 9, 5);
  struct Case {
    const char* pattern;
    TDateTime value;
    const char* text;
  } cases[] = {
      // "mm" right after the hour is the minute, even with a separator between them.
      {"dd_mm_yyyy_hh_mm", late, "10_12_2026_14_05"},
      {"dd_mm_yyyy_hh_mm", early, "04_03_2026_07_08"},
      {"yyyy-mm-dd", late, "2026-12-10"},
      {"hh", early, "07"},
      {"h", early, "7"},
      {"dd/mm/yyyy hh:mm:ss", late, "10/12/2026 14:05:09"},
      {"dd/mm/yyyy hh:nn:ss", early, "04/03/2026 07:08:09"},
      {"d/m/yy h:n:s", early, "4/3/26 7:8:9"},
      {"hh:nn:ss.zzz", late, "14:05:09.045"},
      {"yyyy-mm-dd\"T\"hh:nn", early, "2026-03-04T07:08"},
      {"'mm' mm", early, "mm 03"},
      {"dd/mm/yyyy", TDateTime{}, "30/12/1899"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(FormatDateTime(c.pattern, c.value), c.text);
  }
}

TEST(ParseDateTime, ReadsTextWrittenWithAPatternAndRefusesTheRest) {
  EXPECT_EQ(ParseDateTime("dd/mm/yyyy", "10/12/2026"), TDateTime::FromParts(2026, 12, 10));
  EXPECT_EQ(ParseDateTime("dd/mm/yyyy hh:nn:ss", "04/03/2026 07:08:09"),
            TDateTime::FromParts(2026, 3, 4, 7, 8, 9));
  EXPECT_EQ(ParseDateTime("d/m/yyyy", "4/3/2026"), TDateTime::FromParts(2026, 3, 4));
  for (const char* text :
       {"31/02/2026", "10-12-2026", "10/12/26", "10/12/2026 ", "", "aa/bb/cccc"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(ParseDateTime("dd/mm/yyyy", text), std::invalid_argument);
  }
}

TEST(Format, FillsPlaceholdersInOrder) {
  EXPECT_EQ(
      Format("SELECT * FROM VENDAS WHERE VEN_001 = %D AND NOME = %S", {std::int64_t{42}, "'x'"}),
      "SELECT * FROM VENDAS WHERE VEN_001 = 42 AND NOME = 'x'");
  EXPECT_EQ(Format("%s-%d-%%-%s", {"a", std::int64_t{-7}, ""}), "a--7-%-");
  EXPECT_EQ(Format("sem marcas", {}), "sem marcas");
  for (const auto& [format, args] : std::vector<std::pair<const char*, std::vector<FormatArg>>>{
           {"%s %s", {"só um"}},
           {"%d", {"texto"}},
           {"%s", {std::int64_t{1}}},
           {"%x", {"a"}},
           {"fim %", {}},
       }) {
    SCOPED_TRACE(format);
    EXPECT_THROW(Format(format, args), std::invalid_argument);
  }
}

TEST(QuotedStr, QuotesAndDoublesInnerQuotes) {
  EXPECT_EQ(QuotedStr("O'Brien"), "'O''Brien'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(QuotedStr("''"), "''''''");
  EXPECT_EQ(QuotedStr("João"), "'João'");
}

}  // namespace
