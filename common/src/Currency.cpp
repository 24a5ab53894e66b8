#include "common/Currency.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Errors.h"

namespace {

using Wide = __int128;
using UWide = unsigned __int128;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
// Magnitude of the most negative amount, one past kMax.
constexpr UWide kMinMagnitude = static_cast<UWide>(kMax) + 1;

constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

[[noreturn]] void Overflow(std::string_view what) {
  throw ECurrencyOverflow("Valor monetário fora do intervalo: " + std::string(what));
}

std::int64_t Checked(Wide value, std::string_view what) {
  if (value > kMax || value < kMin) Overflow(what);
  return static_cast<std::int64_t>(value);
}

// num / den rounded to the nearest integer, halves to even. den must not be zero.
Wide DivideHalfEven(Wide num, Wide den) {
  Wide q = num / den;
  const Wide r = num % den;
  if (r == 0) return q;
  const Wide absR2 = (r < 0 ? -r : r) * 2;
  const Wide absDen = den < 0 ? -den : den;
  const bool negative = (num < 0) != (den < 0);
  if (absR2 > absDen || (absR2 == absDen && (q % 2 != 0))) q += negative ? -1 : 1;
  return q;
}

// Digits of a magnitude, most significant first ("0" for zero).
std::string MagnitudeDigits(std::int64_t raw) {
  UWide m = raw < 0 ? static_cast<UWide>(-static_cast<Wide>(raw)) : static_cast<UWide>(raw);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  return digits;
}

void CheckDecimals(int decimals) {
  if (decimals < 0 || decimals > 4) {
    throw std::invalid_argument("casas decimais fora de 0..4: " + std::to_string(decimals));
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Currency Currency::FromInt(std::int64_t units) {
  return Currency(Checked(static_cast<Wide>(units) * kScale, std::to_string(units)));
}

Currency Currency::Parse(std::string_view text) {
  const auto invalid = [&]() -> EConvertError {
    return EConvertError("'" + std::string(text) + "' não é um valor monetário válido");
  };
  std::string_view s = text;
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);

  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

  // Significant digits without leading zeros, and how many of them follow the decimal point.
  std::string digits;
  std::int64_t fractionDigits = 0;
  bool anyDigit = false;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    anyDigit = true;
    if (!digits.empty() || s[i] != '0') digits += s[i];
  }
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    for (++i; i < s.size() && IsDigit(s[i]); ++i) {
      anyDigit = true;
      if (!digits.empty() || s[i] != '0') digits += s[i];
      ++fractionDigits;
    }
  }
  if (!anyDigit) throw invalid();

  std::int64_t exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    if (i == s.size() || !IsDigit(s[i])) throw invalid();
    for (; i < s.size() && IsDigit(s[i]); ++i) {
      // Anything this large is zero or an overflow already; stop growing.
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (i != s.size()) throw invalid();
  if (digits.empty()) return Currency{};

  // value = digits * 10^shift ten-thousandths.
  const std::int64_t shift = exponent - fractionDigits + 4;
  const auto count = static_cast<std::int64_t>(digits.size());
  const std::int64_t integerDigits = count + shift;
  if (integerDigits > 19) Overflow(text);

  // Everything below the last place is dropped: less than half of it when no digit is left.
  if (integerDigits < 0) return Currency{};
  const std::int64_t kept = std::min(count, integerDigits);
  UWide magnitude = 0;
  for (std::int64_t k = 0; k < kept; ++k) {
    magnitude = magnitude * 10 + static_cast<unsigned>(digits[static_cast<size_t>(k)] - '0');
  }
  for (std::int64_t k = count; k < integerDigits; ++k) magnitude *= 10;
  if (kept < count) {
    // Round half to even on the magnitude, which is the same as on the signed value.
    const char first = digits[static_cast<size_t>(kept)];
    bool restNonZero = false;
    for (std::int64_t k = kept + 1; k < count && !restNonZero; ++k) {
      restNonZero = digits[static_cast<size_t>(k)] != '0';
    }
    if (first > '5' || (first == '5' && (restNonZero || magnitude % 2 != 0))) ++magnitude;
  }

  if (magnitude > (negative ? kMinMagnitude : static_cast<UWide>(kMax))) Overflow(text);
  if (negative) return Currency(static_cast<std::int64_t>(-static_cast<Wide>(magnitude)));
  return Currency(static_cast<std::int64_t>(magnitude));
}

Currency Currency::FromDouble(double value) {
  if (std::isnan(value)) throw EConvertError("NaN não é um valor monetário");
  if (std::isinf(value)) Overflow(value > 0 ? "inf" : "-inf");
  // value = mantissa * 2^exp exactly; the amount is mantissa * 10000 * 2^exp, rounded once.
  int exp = 0;
  const double fraction = std::frexp(value, &exp);
  const auto mantissa = static_cast<std::int64_t>(std::ldexp(fraction, 53));
  exp -= 53;
  const Wide scaled = static_cast<Wide>(mantissa) * kScale;
  if (exp >= 0) {
    // |mantissa| < 2^53, so any shift of 11 or more is beyond 2^64 ten-thousandths.
    if (exp > 11) Overflow(std::to_string(value));
    return Currency(Checked(scaled * (static_cast<Wide>(1) << exp), std::to_string(value)));
  }
  if (exp < -120) return Currency{};
  return Currency(
      Checked(DivideHalfEven(scaled, static_cast<Wide>(1) << -exp), std::to_string(value)));
}

std::string Currency::ToString() const {
  std::string digits = MagnitudeDigits(FRaw);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  std::string integer = digits.substr(0, digits.size() - 4);
  std::string fraction = digits.substr(digits.size() - 4);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string out = FRaw < 0 ? "-" : "";
  out += integer;
  if (!fraction.empty()) out += "." + fraction;
  return out;
}

std::string Currency::ToFixed(int decimals, std::string_view separator) const {
  const Currency rounded = Round(decimals);
  std::string digits = MagnitudeDigits(rounded.FRaw);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  std::string out = rounded.FRaw < 0 ? "-" : "";
  out += digits.substr(0, digits.size() - 4);
  if (decimals > 0) {
    out += separator;
    out += digits.substr(digits.size() - 4, static_cast<size_t>(decimals));
  }
  return out;
}

Currency Currency::Round(int decimals) const {
  CheckDecimals(decimals);
  const std::int64_t unit = kPow10[4 - decimals];
  return Currency(Checked(DivideHalfEven(FRaw, unit) * unit, ToString()));
}

Currency Currency::operator+(Currency o) const {
  return Currency(Checked(static_cast<Wide>(FRaw) + o.FRaw, ToString() + " + " + o.ToString()));
}

Currency Currency::operator-(Currency o) const {
  return Currency(Checked(static_cast<Wide>(FRaw) - o.FRaw, ToString() + " - " + o.ToString()));
}

Currency Currency::operator-() const {
  return Currency(Checked(-static_cast<Wide>(FRaw), "-(" + ToString() + ")"));
}

Currency Currency::operator*(Currency o) const {
  return Currency(Checked(DivideHalfEven(static_cast<Wide>(FRaw) * o.FRaw, kScale),
                          ToString() + " * " + o.ToString()));
}

Currency Currency::operator*(std::int64_t n) const {
  return Currency(Checked(static_cast<Wide>(FRaw) * n, ToString() + " * " + std::to_string(n)));
}

Currency Currency::operator/(Currency o) const {
  if (o.FRaw == 0) throw std::domain_error("divisão de valor monetário por zero");
  return Currency(Checked(DivideHalfEven(static_cast<Wide>(FRaw) * kScale, o.FRaw),
                          ToString() + " / " + o.ToString()));
}
