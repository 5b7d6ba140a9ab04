#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

// Calendar fields of a UTC time, as gmtime gives them but with a four-digit
// year and a 1-based month.
struct UtcFields {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int yearDay = 0;  // 0..365
  int weekDay = 4;  // 0 = Sunday
};

// Seconds since 1970-01-01 00:00:00 UTC to calendar fields (no time zone).
UtcFields BreakDownUtc(int64_t t);

// The inverse; out-of-range fields are normalised the way timegm does
// (day 31 of April is 1 May, hour 24 is the next day, month 13 next January).
int64_t MakeUtc(int year, int month, int day, int hour, int minute, int second);

// "%.4d-%.2d-%.2d %.2d:%.2d:%.2d" of the UTC time.
std::string FormatTime(int64_t t);

// "YYYY-MM-DDTHH:MM:SS" (or with a space for the T) as UTC seconds; nothing
// for any other text or a field out of its range (years 1..9999).
std::optional<int64_t> ParseTime(const std::string& text);

}  // namespace tessaly
