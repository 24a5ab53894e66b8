#pragma once
// Calendar date and time as the system keeps it: naive local time (no zone), millisecond
// precision. The zero value is the empty date 30/12/1899 00:00, as in the original records.
// Use FromParts/Decode for calendar work and the Clock for "now".

#include <compare>
#include <cstdint>
#include <ctime>
#include <string>

struct TDateTime {
  std::int64_t Msecs = 0;  // milliseconds since 30/12/1899 00:00:00

  struct Parts {
    int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, Msec = 0;
  };

  // Throws std::invalid_argument for a date or time that does not exist.
  static TDateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                             int second = 0, int msec = 0);
  static TDateTime FromUnixMs(std::int64_t unixMs);  // UTC instant read as a naive value
  static TDateTime FromLocalTimeT(std::time_t t);     // instant shown in the machine's zone
  static TDateTime FromOleDays(double days);

  [[nodiscard]] Parts Decode() const;
  [[nodiscard]] std::int64_t ToUnixMs() const;
  [[nodiscard]] double ToOleDays() const;
  [[nodiscard]] TDateTime DatePart() const;  // midnight of the same day
  [[nodiscard]] bool IsEmpty() const { return Msecs == 0; }

  [[nodiscard]] TDateTime AddMsecs(std::int64_t ms) const { return TDateTime{Msecs + ms}; }
  [[nodiscard]] TDateTime AddMinutes(std::int64_t m) const { return AddMsecs(m * 60'000); }
  [[nodiscard]] TDateTime AddDays(std::int64_t d) const { return AddMsecs(d * 86'400'000); }

  auto operator<=>(const TDateTime&) const = default;
};

// Days from 1970-01-01 for a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
