#pragma once
// Money as the system keeps it: a signed 64-bit count of ten-thousandths (four decimal places).
// Text is parsed and written digit by digit, never through binary floating point. Results that
// do not fit raise ECurrencyOverflow instead of wrapping.

#include <compare>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class ECurrencyOverflow : public std::overflow_error {
 public:
  using std::overflow_error::overflow_error;
};

class Currency {
 public:
  static constexpr std::int64_t kScale = 10000;

  constexpr Currency() = default;
  static constexpr Currency FromRaw(std::int64_t raw) { return Currency(raw); }
  // Whole units (12 -> 12.0000).
  static Currency FromInt(std::int64_t units);
  // Decimal text: optional sign, digits, optional "." or "," and digits, optional exponent
  // (e/E). More than four decimals round half to even. Throws EConvertError for other text and
  // ECurrencyOverflow when out of range.
  static Currency Parse(std::string_view text);
  // Nearest amount to a binary double, halves to even (for values that arrive as doubles only).
  static Currency FromDouble(double value);

  [[nodiscard]] constexpr std::int64_t Raw() const { return FRaw; }
  [[nodiscard]] double ToDouble() const { return static_cast<double>(FRaw) / kScale; }
  // Plain decimal text with "." and without trailing zeros: "12.5", "1000", "0.0001", "-3".
  [[nodiscard]] std::string ToString() const;
  // Fixed decimals (0..4) with the given separator, rounding half to even: ToFixed(2, ",").
  [[nodiscard]] std::string ToFixed(int decimals, std::string_view separator = ".") const;
  // Rounds to the given decimals (0..4), halves to even.
  [[nodiscard]] Currency Round(int decimals) const;

  Currency operator+(Currency o) const;
  Currency operator-(Currency o) const;
  Currency operator-() const;
  // Product of two amounts, rounded to four places, halves to even.
  Currency operator*(Currency o) const;
  Currency operator*(std::int64_t n) const;
  // Quotient rounded to four places, halves to even; throws std::domain_error on zero.
  Currency operator/(Currency o) const;
  Currency& operator+=(Currency o) { return *this = *this + o; }
  Currency& operator-=(Currency o) { return *this = *this - o; }

  auto operator<=>(const Currency&) const = default;

 private:
  constexpr explicit Currency(std::int64_t raw) : FRaw(raw) {}
  std::int64_t FRaw = 0;
};
