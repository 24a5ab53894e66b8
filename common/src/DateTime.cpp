#include "common/DateTime.h"

#include <cmath>
#include <stdexcept>

namespace {
constexpr std::int64_t kMsPerDay = 86'400'000;
// 30/12/1899 is 25569 days before 01/01/1970.
constexpr std::int64_t kEpochOffsetDays = 25569;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

TDateTime TDateTime::FromParts(int year, int month, int day, int hour, int minute, int second,
                               int msec) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59 || msec < 0 || msec > 999) {
    throw std::invalid_argument("data ou hora inválida");
  }
  const std::int64_t days = DaysFromCivil(year, month, day) + kEpochOffsetDays;
  return TDateTime{days * kMsPerDay + ((hour * 60 + minute) * 60 + second) * 1000LL + msec};
}

TDateTime TDateTime::FromUnixMs(std::int64_t unixMs) {
  return TDateTime{unixMs + kEpochOffsetDays * kMsPerDay};
}

TDateTime TDateTime::FromLocalTimeT(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return FromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                   tm.tm_sec > 59 ? 59 : tm.tm_sec);
}

TDateTime TDateTime::FromOleDays(double days) {
  return TDateTime{static_cast<std::int64_t>(std::llround(days * kMsPerDay))};
}

TDateTime::Parts TDateTime::Decode() const {
  Parts p;
  const std::int64_t days = FloorDiv(Msecs, kMsPerDay);
  std::int64_t rest = Msecs - days * kMsPerDay;
  CivilFromDays(days - kEpochOffsetDays, p.Year, p.Month, p.Day);
  p.Msec = static_cast<int>(rest % 1000);
  rest /= 1000;
  p.Second = static_cast<int>(rest % 60);
  rest /= 60;
  p.Minute = static_cast<int>(rest % 60);
  p.Hour = static_cast<int>(rest / 60);
  return p;
}

std::int64_t TDateTime::ToUnixMs() const { return Msecs - kEpochOffsetDays * kMsPerDay; }

double TDateTime::ToOleDays() const { return static_cast<double>(Msecs) / kMsPerDay; }

TDateTime TDateTime::DatePart() const { return TDateTime{FloorDiv(Msecs, kMsPerDay) * kMsPerDay}; }
