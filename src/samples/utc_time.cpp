#include "samples/utc_time.h"

#include <chrono>
#include <cstdio>

namespace tessaly {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) {
    --q;
  }
  return q;
}

}  // namespace

UtcFields BreakDownUtc(int64_t t) {
  using namespace std::chrono;
  const int64_t days = FloorDiv(t, kSecondsPerDay);
  const int64_t rest = t - days * kSecondsPerDay;
  const sys_days dayPoint{std::chrono::days{days}};
  const year_month_day ymd{dayPoint};
  const sys_days jan1{ymd.year() / January / 1};

  UtcFields f;
  f.year = int(ymd.year());
  f.month = int(unsigned(ymd.month()));
  f.day = int(unsigned(ymd.day()));
  f.hour = int(rest / 3600);
  f.minute = int(rest / 60 % 60);
  f.second = int(rest % 60);
  f.yearDay = int((dayPoint - jan1).count());
  f.weekDay = int(weekday{dayPoint}.c_encoding());
  return f;
}

int64_t MakeUtc(int year, int month, int day, int hour, int minute, int second) {
  using namespace std::chrono;
  // Fold the month into the year first; days, hours and so on are plain offsets.
  const int64_t monthIndex = int64_t(month) - 1;
  const int64_t y = int64_t(year) + FloorDiv(monthIndex, 12);
  const int64_t m = monthIndex - FloorDiv(monthIndex, 12) * 12 + 1;
  const sys_days first{std::chrono::year(int(y)) / std::chrono::month(unsigned(m)) / 1};
  const int64_t days = first.time_since_epoch().count() + int64_t(day) - 1;
  return days * kSecondsPerDay + int64_t(hour) * 3600 + int64_t(minute) * 60 + second;
}

std::string FormatTime(int64_t t) {
  const UtcFields f = BreakDownUtc(t);
  char text[64];
  std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", f.year, f.month, f.day, f.hour,
                f.minute, f.second);
  return text;
}

std::optional<int64_t> ParseTime(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char separator = 0;
  int used = 0;
  if (text.size() != 19 ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &year, &month, &day, &separator,
                  &hour, &minute, &second, &used) != 7 ||
      used != 19 || (separator != 'T' && separator != ' ')) {
    return std::nullopt;
  }
  if (year < 1 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59 ||
      hour < 0 || minute < 0 || second < 0) {
    return std::nullopt;
  }
  const int64_t t = MakeUtc(year, month, day, hour, minute, second);
  // A day past the month's end would be normalised into the next month.
  if (BreakDownUtc(t).day != day) {
    return std::nullopt;
  }
  return t;
}

}  // namespace tessaly
