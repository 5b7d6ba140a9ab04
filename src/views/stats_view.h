#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "samples/sample_store.h"
#include "views/stats_job.h"

namespace tessaly {

// The stretches the statistics window offers.
enum StretchChoice : int {
  kStretchLast10Minutes = 0,
  kStretchLastHour,
  kStretchLast6Hours,
  kStretchLast24Hours,
  kStretchUtcDay,  // the UTC day of the view's position
  kStretchFree,    // From/To chosen by the user, up to 7 days
};
inline constexpr int64_t kMaxStatsStretch = 7 * 86400;
// A stretch that ends at the view's position follows it when playing moves
// on by at most this many seconds a tick; a bigger jump leaves it where it is.
inline constexpr int64_t kMaxGrowthPerTick = 60;

// [from, to] of a choice at the view's position; nothing for a free stretch
// that is empty, reversed or longer than 7 days, or without a position.
std::optional<std::pair<int64_t, int64_t>> StretchFor(int choice, int64_t position,
                                                      int64_t freeFrom, int64_t freeTo);

// The equivalent Z of the network variance over the minute (60 seconds) that
// ends at second `at` of a per-second series: (Σ Z² − n) / √(2n) over its n
// counted seconds; NaN without any.
double LastMinuteZ(const std::vector<NetworkSecond>& series, int64_t at);

// What the window knows of its view, each tick.
struct ViewSnapshot {
  int source = 0;
  std::string host;
  int64_t position = 0;
  const SampleStore* store = nullptr;  // the view's own, read on the GUI thread only
};

class CView;
// What the statistics window reads of a view (on the GUI thread).
ViewSnapshot SnapshotOf(const CView& view);

// The statistics window of a front end: shows the record again when told.
class StatsWindow {
 public:
  virtual ~StatsWindow() = default;
  // The result, the progress or the failure changed.
  virtual void Refresh() = 0;
};

// The record of one statistics window, GUI thread only: the key of what it
// shows, one job at a time, growth by played seconds.
class StatsView {
 public:
  using HttpFactory = std::function<std::unique_ptr<HttpGet>()>;
  StatsView(StatsWindow& window, const Clock& clock, HttpFactory makeHttp);

  // Computes the chosen stretch of the view; false (with failure()) when it has none.
  bool Pick(const ViewSnapshot& view, int choice, int64_t freeFrom, int64_t freeTo);
  // The user's include/exclude of a station: computed again from the loaded samples.
  void SetIncluded(uint32_t id, bool included);
  // Stops the job in progress; the previous result stays.
  void Cancel();
  // Every tick: takes a finished job's result, grows the stretch by played
  // seconds, and computes again once when flags change or a second comes late.
  void OnTick(const ViewSnapshot& view);

  // The sound cue, off (nothing) by default: onCue runs once each time the last
  // minute's equivalent Z at the shown second rises to the threshold or above.
  // Being above when the cue is turned on does not count as rising.
  void SetCueThreshold(std::optional<double> threshold);
  std::optional<double> cueThreshold() const { return cueThreshold_; }
  std::function<void()> onCue;

  bool busy() const { return job_.busy(); }
  int progress() const { return job_.progress(); }
  const std::string& failure() const { return failure_; }
  bool hasResult() const { return hasResult_; }
  const StatsKey& key() const { return key_; }
  const LiveStretch& stretch() const { return stretch_; }
  int64_t viewPosition() const { return viewPosition_; }
  // The second the numbers show: the view's position inside the stretch, else its last.
  const NetworkSecond* CurrentSecond() const;
  // "pseudorandom" or "server HOST".
  std::string SourceName() const;

  // The per-second table at path and the summary and health table beside it
  // (SummaryPathFor): both written, or neither left behind and error says why.
  bool SaveTable(const std::string& path, std::string* error) const;
  static std::string SummaryPathFor(const std::string& path);

 private:
  void StartJob(StatsKey key, bool reuseSamples);
  void Grow(const ViewSnapshot& view);
  BlockPtr GrowthBlock(const ViewSnapshot& view, int64_t t);
  bool LateSecondFilled(const ViewSnapshot& view) const;
  void WatchCue();

  StatsWindow& window_;
  const Clock& clock_;
  HttpFactory makeHttp_;
  StatsJob job_;
  uint64_t generation_ = 0;
  StatsKey key_;
  LiveStretch stretch_;
  bool hasResult_ = false;
  bool following_ = false;           // the stretch ends at the view's position
  std::vector<int64_t> emptyGrown_;  // grown seconds the view's store did not hold yet
  // Pseudorandom growth takes its seconds from the statistics' own hour block,
  // not the view's (seeded otherwise): made once an hour, kept for the next seconds.
  std::shared_ptr<SampleBlock> grownHour_;
  std::string failure_;
  int64_t viewPosition_ = 0;
  int lastProgress_ = 100;
  std::optional<double> cueThreshold_;
  std::optional<bool> cueAbove_;  // unknown until a second is looked at
  int64_t cueSecond_ = 0;
};

}  // namespace tessaly
