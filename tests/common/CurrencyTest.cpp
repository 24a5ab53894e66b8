#include "common/Currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/Errors.h"

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

Currency C(std::string_view text) { return Currency::Parse(text); }

TEST(Currency, ParsesDecimalTextExactlyAndRoundsHalfToEven) {
  struct Case {
    const char* text;
    std::int64_t raw;
  } cases[] = {
      {"12.5", 125000},
      {"12,5", 125000},
      {"-3", -30000},
      {"+1", 10000},
      {"  7 ", 70000},
      {".5", 5000},
      {"5.", 50000},
      {"0.0001", 1},
      {"-0", 0},
      {"1e2", 1000000},
      {"1.25E-2", 125},
      {"1E+3", 10000000},
      {"0e999999999999", 0},
      {"1e-999999999999", 0},
      {"1000000000000000000000000000000e-30", 10000},
      {"0.123456789", 1235},
      // Beyond four places: halves go to the even neighbour, anything above half goes up.
      {"0.00005", 0},
      {"0.00015", 2},
      {"0.00025", 2},
      {"0.000250000000000000001", 3},
      {"0.00024999", 2},
      {"-0.00015", -2},
      {"-0.00025", -2},
      {"2.5e-4", 2},
      {"1.00005", 10000},
      {"1.00015", 10002},
      // The ends of the range, which no double can carry.
      {"922337203685477.5807", kMax},
      {"-922337203685477.5808", kMin},
      {"922337203685477.58074", kMax},
      {"922337203685477580.7e-3", kMax},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(C(c.text).Raw(), c.raw);
  }
}

TEST(Currency, ParseRaisesOverflowOutsideTheRangeAndConvertErrorForOtherText) {
  for (const char* text : {"922337203685477.5808", "-922337203685477.5809", "922337203685477.58075",
                           "1e15", "1e30", "-1e30", "99999999999999999999", "1e999999999999"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(C(text), ECurrencyOverflow);
  }
  for (const char* text : {"", " ", "abc", ".", "-", "e5", "1e", "1e+", "1.2.3", "1,2,3", "--1",
                           "12a", "1 2", "0x10", "nan", "inf", "1.5€"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(C(text), EConvertError);
  }
}

TEST(Currency, WritesPlainAndFixedText) {
  struct Case {
    std::int64_t raw;
    const char* plain;
    const char* twoPlacesComma;
  } cases[] = {
      {125000, "12.5", "12,50"},
      {1, "0.0001", "0,00"},
      {10000000, "1000", "1000,00"},
      {-30000, "-3", "-3,00"},
      {0, "0", "0,00"},
      {-1, "-0.0001", "0,00"},
      {123450, "12.345", "12,34"},
      {123550, "12.355", "12,36"},
      {-123450, "-12.345", "-12,34"},
      {kMin, "-922337203685477.5808", "-922337203685477,58"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plain);
    const Currency v = Currency::FromRaw(c.raw);
    EXPECT_EQ(v.ToString(), c.plain);
    EXPECT_EQ(v.ToFixed(2, ","), c.twoPlacesComma);
    EXPECT_EQ(C(v.ToString()), v);
  }
  EXPECT_EQ(C("2.5").ToFixed(0), "2");
  EXPECT_EQ(C("3.5").ToFixed(0), "4");
  EXPECT_EQ(C("1").ToFixed(4), "1.0000");
  EXPECT_THROW((void)C("1").ToFixed(5), std::invalid_argument);
  EXPECT_THROW((void)Currency::FromRaw(kMax).Round(0), ECurrencyOverflow);
}

TEST(Currency, ProductsAndQuotientsRoundToFourPlacesHalfToEven) {
  struct Case {
    const char* a;
    const char* b;
    const char* product;
    const char* quotient;
  } cases[] = {
      {"1.5", "1.5", "2.25", "1"},
      {"0.0001", "0.5", "0", "0.0002"},
      {"0.0003", "0.5", "0.0002", "0.0006"},
      {"0.0005", "0.5", "0.0002", "0.001"},
      {"-0.0003", "0.5", "-0.0002", "-0.0006"},
      {"2.0001", "3.3333", "6.6669", "0.6"},
      {"1", "3", "3", "0.3333"},
      {"2", "3", "6", "0.6667"},
      {"0.0001", "2", "0.0002", "0"},
      {"0.0003", "2", "0.0006", "0.0002"},
      {"-0.0005", "2", "-0.001", "-0.0002"},
      // Operands near the limit: the intermediate value needs more than 64 bits.
      {"900000000000000", "0.9999", "899910000000000", "900090009000900.09"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " and " + c.b);
    EXPECT_EQ((C(c.a) * C(c.b)).ToString(), c.product);
    EXPECT_EQ((C(c.a) / C(c.b)).ToString(), c.quotient);
  }
  EXPECT_EQ((C("12.5") * std::int64_t{3}).ToString(), "37.5");
  EXPECT_EQ((C("1.1") + C("2.2")).ToString(), "3.3");
  EXPECT_EQ((C("1.1") - C("2.2")).ToString(), "-1.1");
  EXPECT_THROW((void)(C("1") / C("0")), std::domain_error);
}

TEST(Currency, ArithmeticRaisesOverflowInsteadOfWrapping) {
  const Currency max = Currency::FromRaw(kMax);
  const Currency min = Currency::FromRaw(kMin);
  const Currency tiny = Currency::FromRaw(1);
  EXPECT_THROW((void)(max + tiny), ECurrencyOverflow);
  EXPECT_THROW((void)(min - tiny), ECurrencyOverflow);
  EXPECT_THROW((void)(-min), ECurrencyOverflow);
  EXPECT_THROW((void)(max * C("2")), ECurrencyOverflow);
  EXPECT_THROW((void)(max * std::int64_t{2}), ECurrencyOverflow);
  EXPECT_THROW((void)(max / C("0.5")), ECurrencyOverflow);
  EXPECT_THROW((void)Currency::FromInt(922337203685478), ECurrencyOverflow);
  EXPECT_EQ(Currency::FromInt(922337203685477).Raw(), 9223372036854770000);
  EXPECT_EQ((-max).Raw(), -kMax);
}

TEST(Currency, FromDoubleTakesTheNearestAmountToTheBinaryValue) {
  struct Case {
    double value;
    std::int64_t raw;
  } cases[] = {
      {0.1, 1000},
      {12.5, 125000},
      {-2.675, -26750},
      {123.4567, 1234567},
      // The binary value sits just below or above the half; multiplying in double would hide it.
      {0.00035, 3},
      {0.00025, 3},
      {1e-300, 0},
      {0.0, 0},
      {922337203685477.5, 9223372036854775000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Currency::FromDouble(c.value).Raw(), c.raw);
  }
  EXPECT_THROW(Currency::FromDouble(1e300), ECurrencyOverflow);
  EXPECT_THROW(Currency::FromDouble(-HUGE_VAL), ECurrencyOverflow);
  EXPECT_THROW(Currency::FromDouble(std::nan("")), EConvertError);
}

}  // namespace
