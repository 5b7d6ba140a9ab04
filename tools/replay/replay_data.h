#pragma once

// The data tessaly-replay serves: deterministic generated samples, or samples
// recorded in daily files, formatted as data-request replies.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::replay {

// The generated data, a pure function of station id and second t (UTC seconds):
//  - each station is silent for one 10-minute stretch in 50, the stretches
//    shifted by a per-station offset of 0..599 s, so outages do not line up;
//  - besides, 3 seconds in 1000 of each station are missing at random;
//  - otherwise the sample is the number of one-bits among 200 hashed bits of
//    (id, t): binomial around 100 (standard deviation about 7), held to 1..199.
// All hashing is splitmix64, so every run and machine serves the same samples.
// Returns 0 for a missing sample.
int GeneratedSample(uint32_t station, int64_t t);

// How many seconds a station's samples trail the present: 0, 10, ... 50 by
// station, so near "now" whole groups of stations stop reporting at once.
int ReportingLag(uint32_t station);

// 60 ids of the station table, the stations served by default.
std::vector<uint32_t> DefaultStations();

// "1,37,110" to ids; nullopt on anything else.
std::optional<std::vector<uint32_t>> ParseStationList(const std::string& text);

// "YYYY-MM-DDTHH:MM:SS" (or a space for T) or plain UTC seconds; nullopt when neither.
std::optional<int64_t> ParseTimeArgument(const std::string& text);

// The stretch a request asks for: year, month, day and "HH:MM:SS" start and
// end times of day, decoded. nullopt when a field is missing or out of range.
struct RequestRange {
  int64_t start = 0;
  int64_t end = 0;
};
std::optional<RequestRange> ParseRequest(const std::string& year, const std::string& month,
                                         const std::string& day, const std::string& stime,
                                         const std::string& etime);

// The stations and samples of one stretch; -1 marks a missing sample.
struct Stretch {
  std::vector<uint32_t> stations;
  int64_t start = 0;
  int64_t end = -1;          // start - 1 when empty
  std::vector<int> samples;  // row per second, column per station
};

// "37:120,110:30": stations that report late, each with the seconds before
// the present whose samples are still missing; nullopt on anything else.
std::optional<std::map<uint32_t, int64_t>> ParseLateList(const std::string& text);

class DataSet {
 public:
  virtual ~DataSet() = default;
  // The samples of [start, end] of one UTC day that are available at now
  // (now = 0: no present), stations trailing by their lag.
  virtual Stretch Collect(int64_t start, int64_t end, int64_t now) = 0;
  // Stations whose samples of the last SECONDS before the present are missing
  // besides their lag, so they appear later (a station reporting late).
  void SetLate(std::map<uint32_t, int64_t> late) { late_ = std::move(late); }

 protected:
  bool Reported(uint32_t station, int64_t t, int64_t now) const;

 private:
  std::map<uint32_t, int64_t> late_;
};

class GeneratedData final : public DataSet {
 public:
  explicit GeneratedData(std::vector<uint32_t> stations) : stations_(std::move(stations)) {}
  Stretch Collect(int64_t start, int64_t end, int64_t now) override;

 private:
  std::vector<uint32_t> stations_;
};

// Daily files DIR/YYYY-MM-DD.csv in the reply's line format: a "12" line with
// the station ids from its fourth field on, and "13" lines with the UTC second
// in their second field and the samples from the fourth (empty = missing). A
// saved reply is such a file. Seconds without a line are served as missing; a
// day without a file is served as no data.
class RecordedData final : public DataSet {
 public:
  explicit RecordedData(std::string directory) : directory_(std::move(directory)) {}
  Stretch Collect(int64_t start, int64_t end, int64_t now) override;

 private:
  struct Day {
    bool present = false;
    std::vector<uint32_t> stations;
    std::map<int64_t, std::vector<int>> seconds;
  };
  std::shared_ptr<const Day> LoadDay(int64_t dayStart);

  std::string directory_;
  std::mutex mutex_;
  std::map<int64_t, std::shared_ptr<const Day>> days_;
};

// The reply text: "11,2"/"11,3"/"11,4" with the first second, the last second
// and their count, a "12" line with the ids and one "13" line per second.
// countError shifts the "11,4" count (a fault mode).
std::string FormatReply(const Stretch& stretch, int countError = 0);

// "Sun, 06 Nov 1994 08:49:37 GMT".
std::string FormatHttpDate(int64_t t);

}  // namespace tessaly::replay
