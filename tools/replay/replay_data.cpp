#include "replay_data.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <fstream>

#include "samples/utc_time.h"

namespace tessaly::replay {
namespace {

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) {
    --q;
  }
  return q;
}

// Digits only, within [lo, hi].
std::optional<int> ReadNumber(const std::string& text, size_t& pos, size_t digits, int lo, int hi) {
  int value = 0;
  for (size_t i = 0; i < digits; ++i, ++pos) {
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') {
      return std::nullopt;
    }
    value = value * 10 + (text[pos] - '0');
  }
  if (value < lo || value > hi) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> WholeNumber(const std::string& text, int lo, int hi) {
  if (text.empty() || text.size() > 9) {
    return std::nullopt;
  }
  size_t pos = 0;
  return ReadNumber(text, pos, text.size(), lo, hi);
}

struct TimeOfDay {
  int hour, minute, second;
};

std::optional<TimeOfDay> ParseTimeOfDay(const std::string& text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
    return std::nullopt;
  }
  size_t pos = 0;
  const auto h = ReadNumber(text, pos, 2, 0, 23);
  ++pos;
  const auto m = ReadNumber(text, pos, 2, 0, 59);
  ++pos;
  const auto s = ReadNumber(text, pos, 2, 0, 59);
  if (!h || !m || !s) {
    return std::nullopt;
  }
  return TimeOfDay{*h, *m, *s};
}

// The fields of a line split at commas (no quoting in this format).
std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t from = 0;
  while (true) {
    const size_t comma = line.find(',', from);
    fields.push_back(
        line.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    if (comma == std::string::npos) {
      return fields;
    }
    from = comma + 1;
  }
}

// Leading digits of a field, -1 when it has none.
long long LeadingNumber(const std::string& field) {
  long long value = -1;
  for (char c : field) {
    if (c < '0' || c > '9' || value > 100000000000000ll) {
      break;
    }
    value = (value < 0 ? 0 : value * 10) + (c - '0');
  }
  return value;
}

}  // namespace

int GeneratedSample(uint32_t station, int64_t t) {
  const uint64_t id = station;
  const int64_t offset = int64_t(Mix(id ^ 0x5EED0FF5E7ull) % 600);
  const uint64_t slot = uint64_t(FloorDiv(t + offset, 600));
  if (Mix(Mix(id * 0x100000001B3ull) ^ slot) % 50 == 0) {
    return 0;
  }
  const uint64_t h = Mix(Mix(id ^ 0xA5A5A5A5ull) ^ uint64_t(t));
  if (h % 1000 < 3) {
    return 0;
  }
  const int bits = std::popcount(Mix(h ^ 1)) + std::popcount(Mix(h ^ 2)) +
                   std::popcount(Mix(h ^ 3)) + std::popcount(Mix(h ^ 4) & 0xFFu);
  return std::clamp(bits, 1, 199);
}

int ReportingLag(uint32_t station) {
  return int(Mix(uint64_t(station) ^ 0x1A6ull) % 6) * 10;
}

std::vector<uint32_t> DefaultStations() {
  return {1,    33,   34,   37,   100,  101,  102,  103,  105,  106,  107,  108,  109,  110,  111,
          112,  114,  115,  116,  118,  119,  134,  142,  161,  224,  226,  227,  228,  230,  231,
          233,  1000, 1004, 1005, 1013, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1029, 1051, 1063,
          1066, 1070, 1082, 1095, 1096, 1092, 1101, 1113, 1223, 1237, 1245, 1295, 2000, 2001, 2002};
}

std::optional<std::vector<uint32_t>> ParseStationList(const std::string& text) {
  std::vector<uint32_t> ids;
  for (const std::string& field : SplitFields(text)) {
    const auto id = WholeNumber(field, 1, 999999999);
    if (!id) {
      return std::nullopt;
    }
    ids.push_back(uint32_t(*id));
  }
  if (ids.size() > 100) {
    return std::nullopt;
  }
  return ids;
}

std::optional<int64_t> ParseTimeArgument(const std::string& text) {
  if (text.size() == 19 && text[4] == '-' && text[7] == '-' &&
      (text[10] == 'T' || text[10] == ' ')) {
    size_t pos = 0;
    const auto y = ReadNumber(text, pos, 4, 1970, 9999);
    ++pos;
    const auto mo = ReadNumber(text, pos, 2, 1, 12);
    ++pos;
    const auto d = ReadNumber(text, pos, 2, 1, 31);
    const auto tod = ParseTimeOfDay(text.substr(11));
    if (!y || !mo || !d || !tod) {
      return std::nullopt;
    }
    return MakeUtc(*y, *mo, *d, tod->hour, tod->minute, tod->second);
  }
  const auto seconds = LeadingNumber(text);
  if (seconds < 0 || std::to_string(seconds) != text) {
    return std::nullopt;
  }
  return int64_t(seconds);
}

std::optional<RequestRange> ParseRequest(const std::string& year, const std::string& month,
                                         const std::string& day, const std::string& stime,
                                         const std::string& etime) {
  const auto y = WholeNumber(year, 1970, 9999);
  const auto m = WholeNumber(month, 1, 12);
  const auto d = WholeNumber(day, 1, 31);
  const auto s = ParseTimeOfDay(stime);
  const auto e = ParseTimeOfDay(etime);
  if (!y || !m || !d || !s || !e) {
    return std::nullopt;
  }
  RequestRange range;
  range.start = MakeUtc(*y, *m, *d, s->hour, s->minute, s->second);
  range.end = MakeUtc(*y, *m, *d, e->hour, e->minute, e->second);
  // 31 February is no date.
  if (BreakDownUtc(range.start).day != *d) {
    return std::nullopt;
  }
  return range;
}

namespace {

// Limits [start, end] to what exists at now and sizes the stretch.
Stretch Prepare(std::vector<uint32_t> stations, int64_t start, int64_t end, int64_t now) {
  Stretch s;
  s.stations = std::move(stations);
  s.start = start;
  s.end = now > 0 ? std::min(end, now) : end;
  if (s.end < s.start) {
    s.end = s.start - 1;
  }
  s.samples.assign(size_t(s.end - s.start + 1) * s.stations.size(), -1);
  return s;
}

}  // namespace

bool DataSet::Reported(uint32_t station, int64_t t, int64_t now) const {
  if (now <= 0) {
    return true;
  }
  const auto late = late_.find(station);
  const int64_t lag = late != late_.end() ? std::max<int64_t>(late->second, ReportingLag(station))
                                          : ReportingLag(station);
  return t <= now - lag;
}

std::optional<std::map<uint32_t, int64_t>> ParseLateList(const std::string& text) {
  std::map<uint32_t, int64_t> late;
  for (const std::string& field : SplitFields(text)) {
    const size_t colon = field.find(':');
    if (colon == std::string::npos) {
      return std::nullopt;
    }
    const auto id = WholeNumber(field.substr(0, colon), 1, 999999999);
    const auto seconds = WholeNumber(field.substr(colon + 1), 0, 86400);
    if (!id || !seconds) {
      return std::nullopt;
    }
    late[uint32_t(*id)] = *seconds;
  }
  return late;
}

Stretch GeneratedData::Collect(int64_t start, int64_t end, int64_t now) {
  Stretch s = Prepare(stations_, start, end, now);
  const size_t n = s.stations.size();
  for (int64_t t = s.start; t <= s.end; ++t) {
    for (size_t k = 0; k < n; ++k) {
      const int v = GeneratedSample(s.stations[k], t);
      if (v > 0 && Reported(s.stations[k], t, now)) {
        s.samples[size_t(t - s.start) * n + k] = v;
      }
    }
  }
  return s;
}

std::shared_ptr<const RecordedData::Day> RecordedData::LoadDay(int64_t dayStart) {
  std::lock_guard lock(mutex_);
  if (auto it = days_.find(dayStart); it != days_.end()) {
    return it->second;
  }
  auto day = std::make_shared<Day>();
  const UtcFields f = BreakDownUtc(dayStart);
  char name[32];
  std::snprintf(name, sizeof name, "/%.4d-%.2d-%.2d.csv", f.year, f.month, f.day);
  std::ifstream in(directory_ + name, std::ios::binary);
  if (in) {
    day->present = true;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      const std::vector<std::string> fields = SplitFields(line);
      if (fields.size() < 3) {
        continue;
      }
      if (fields[0] == "12" && day->stations.empty()) {
        for (size_t i = 3; i < fields.size() && day->stations.size() < 100; ++i) {
          day->stations.push_back(uint32_t(std::max(0ll, LeadingNumber(fields[i]))));
        }
      } else if (fields[0] == "13") {
        const long long t = LeadingNumber(fields[1]);
        if (t < dayStart || t >= dayStart + 86400) {
          continue;
        }
        std::vector<int> values;
        for (size_t i = 3; i < fields.size(); ++i) {
          const long long v = LeadingNumber(fields[i]);
          values.push_back(v < 0 || v > 65535 ? -1 : int(v));
        }
        day->seconds[t] = std::move(values);
      }
    }
  }
  days_[dayStart] = day;
  return day;
}

Stretch RecordedData::Collect(int64_t start, int64_t end, int64_t now) {
  const int64_t dayStart = FloorDiv(start, 86400) * 86400;
  const std::shared_ptr<const Day> day = LoadDay(dayStart);
  if (!day->present) {
    return Prepare({}, start, start - 1, 0);
  }
  Stretch s = Prepare(day->stations, start, std::min(end, dayStart + 86399), now);
  const size_t n = s.stations.size();
  for (int64_t t = s.start; t <= s.end; ++t) {
    const auto it = day->seconds.find(t);
    if (it == day->seconds.end()) {
      continue;
    }
    for (size_t k = 0; k < n && k < it->second.size(); ++k) {
      if (Reported(s.stations[k], t, now)) {
        s.samples[size_t(t - s.start) * n + k] = it->second[k];
      }
    }
  }
  return s;
}

std::string FormatReply(const Stretch& stretch, int countError) {
  const int64_t count = stretch.end - stretch.start + 1;
  std::string out;
  out.reserve(size_t(std::max<int64_t>(count, 0)) * (stretch.stations.size() * 4 + 24) + 256);
  char line[160];
  std::snprintf(line, sizeof line, "10,Tessaly replay,%s,%s\n", FormatTime(stretch.start).c_str(),
                FormatTime(stretch.end).c_str());
  out += line;
  std::snprintf(line, sizeof line, "11,2,%lld\n11,3,%lld\n11,4,%lld\n",
                static_cast<long long>(stretch.start), static_cast<long long>(stretch.end),
                static_cast<long long>(count + countError));
  out += line;
  out += "12," + std::to_string(stretch.stations.size()) + ",stations";
  for (uint32_t id : stretch.stations) {
    out += ',';
    out += std::to_string(id);
  }
  out += '\n';
  const size_t n = stretch.stations.size();
  for (int64_t r = 0; r < count; ++r) {
    const int64_t t = stretch.start + r;
    const UtcFields f = BreakDownUtc(t);
    std::snprintf(line, sizeof line, "13,%lld,%.2d:%.2d:%.2d", static_cast<long long>(t), f.hour,
                  f.minute, f.second);
    out += line;
    for (size_t k = 0; k < n; ++k) {
      out += ',';
      const int v = stretch.samples[size_t(r) * n + k];
      if (v >= 0) {
        out += std::to_string(v);
      }
    }
    out += '\n';
  }
  return out;
}

std::string FormatHttpDate(int64_t t) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const UtcFields f = BreakDownUtc(t);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %.2d %s %.4d %.2d:%.2d:%.2d GMT", kDays[f.weekDay], f.day,
                kMonths[f.month - 1], f.year, f.hour, f.minute, f.second);
  return text;
}

}  // namespace tessaly::replay
