#include "views/stats_view.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "analysis/stats_table.h"
#include "samples/checked_file.h"
#include "samples/stats_store.h"
#include "samples/utc_time.h"
#include "views/cview.h"

namespace tessaly {

std::optional<std::pair<int64_t, int64_t>> StretchFor(int choice, int64_t position,
                                                      int64_t freeFrom, int64_t freeTo) {
  constexpr int64_t kLengths[] = {600, 3600, 6 * 3600, 86400};
  if (choice >= kStretchLast10Minutes && choice <= kStretchLast24Hours) {
    if (position <= 0) {
      return std::nullopt;
    }
    return std::make_pair(position - kLengths[choice] + 1, position);
  }
  if (choice == kStretchUtcDay) {
    if (position <= 0) {
      return std::nullopt;
    }
    const UtcFields f = BreakDownUtc(position);
    const int64_t start = MakeUtc(f.year, f.month, f.day, 0, 0, 0);
    return std::make_pair(start, start + 86399);
  }
  if (choice == kStretchFree && freeFrom > 0 && freeFrom <= freeTo &&
      freeTo - freeFrom < kMaxStatsStretch) {
    return std::make_pair(freeFrom, freeTo);
  }
  return std::nullopt;
}

ViewSnapshot SnapshotOf(const CView& view) {
  ViewSnapshot s;
  s.store = view.store;
  s.source = view.store != nullptr ? view.store->sourceType() : 0;
  s.host = view.store != nullptr ? view.store->serverHost() : std::string();
  s.position = view.position;
  return s;
}

StatsView::StatsView(StatsWindow& window, const Clock& clock, HttpFactory makeHttp)
    : window_(window), clock_(clock), makeHttp_(std::move(makeHttp)), job_(clock) {}

bool StatsView::Pick(const ViewSnapshot& view, int choice, int64_t freeFrom, int64_t freeTo) {
  const auto range = StretchFor(choice, view.position, freeFrom, freeTo);
  if (!range) {
    failure_ = choice == kStretchFree ? "Choose From before To, at most 7 days apart."
                                      : "The view has no position yet: press Set first.";
    window_.Refresh();
    return false;
  }
  StatsKey key;
  key.source = view.source;
  key.host = view.host;
  key.from = range->first;
  key.to = range->second;
  following_ = key.to == view.position;
  viewPosition_ = view.position;
  StartJob(std::move(key), false);
  return true;
}

void StatsView::SetIncluded(uint32_t id, bool included) {
  if (!hasResult_) {
    return;
  }
  std::vector<uint32_t> excluded = stretch_.result().excluded;
  excluded.erase(std::remove(excluded.begin(), excluded.end(), id), excluded.end());
  if (!included) {
    excluded.push_back(id);
  }
  StatsKey key = key_;
  key.excluded = std::move(excluded);
  if (!(key == key_)) {
    StartJob(std::move(key), true);
  }
}

void StatsView::StartJob(StatsKey key, bool reuseSamples) {
  failure_.clear();
  std::optional<StretchSamples> samples;
  if (reuseSamples && hasResult_) {
    samples = stretch_.samples();
    key.to = samples->to();  // the stretch as grown
  }
  const bool server = key.source == kSourceServer;
  generation_ = job_.Start(std::move(key), std::move(samples), server ? makeHttp_() : nullptr);
  window_.Refresh();
}

void StatsView::Cancel() {
  if (job_.busy()) {
    job_.Abandon();
    window_.Refresh();
  }
}

void StatsView::OnTick(const ViewSnapshot& view) {
  const bool moved = view.position != viewPosition_;
  viewPosition_ = view.position;
  if (std::optional<StatsJob::Outcome> outcome = job_.Poll()) {
    if (outcome->generation == generation_ && !outcome->abandoned) {
      if (outcome->ok) {
        key_ = std::move(outcome->key);
        stretch_ = std::move(outcome->stretch);
        hasResult_ = true;
        emptyGrown_.clear();
      } else {
        failure_ = outcome->cause;
      }
    }
    window_.Refresh();
    return;
  }
  if (job_.busy()) {
    if (job_.progress() != lastProgress_) {
      lastProgress_ = job_.progress();
      window_.Refresh();
    }
    return;
  }
  if (!hasResult_) {
    return;
  }
  const size_t before = stretch_.result().network.series().size();
  Grow(view);
  const bool late = LateSecondFilled(view);
  if (stretch_.stale() || late) {
    // Late samples are in the source, not in the loaded stretch: fetch again.
    StartJob(key_, !late);
    return;
  }
  if (moved || stretch_.result().network.series().size() != before) {
    window_.Refresh();
  }
  WatchCue();
}

double LastMinuteZ(const std::vector<NetworkSecond>& series, int64_t at) {
  if (series.empty() || at < series.front().t || at > series.back().t) {
    return std::nan("");
  }
  const int64_t last = at - series.front().t;
  double chiSquare = 0;
  int64_t n = 0;
  for (int64_t i = std::max<int64_t>(0, last - 59); i <= last; ++i) {
    if (series[size_t(i)].n > 0) {
      chiSquare += series[size_t(i)].NetVar();
      ++n;
    }
  }
  return n == 0 ? std::nan("") : (chiSquare - double(n)) / std::sqrt(2.0 * double(n));
}

void StatsView::SetCueThreshold(std::optional<double> threshold) {
  cueThreshold_ = threshold;
  cueAbove_.reset();
  cueSecond_ = 0;
}

void StatsView::WatchCue() {
  const NetworkSecond* second = CurrentSecond();
  if (!cueThreshold_ || second == nullptr || second->t == cueSecond_) {
    return;
  }
  cueSecond_ = second->t;
  const bool above = LastMinuteZ(stretch_.result().network.series(), second->t) >= *cueThreshold_;
  if (above && cueAbove_ == false && onCue) {
    onCue();
  }
  cueAbove_ = above;
}

void StatsView::Grow(const ViewSnapshot& view) {
  if (!following_ || view.source != key_.source || view.store == nullptr) {
    return;
  }
  const int64_t ahead = view.position - key_.to;
  if (ahead <= 0) {
    return;
  }
  if (ahead > kMaxGrowthPerTick) {
    following_ = false;  // a jump: the stretch stays as it was picked
    return;
  }
  for (int64_t t = key_.to + 1; t <= view.position; ++t) {
    const BlockPtr block = GrowthBlock(view, t);
    if (!stretch_.AddSecond(t, block.get())) {
      following_ = false;
      return;
    }
    if (!block) {
      emptyGrown_.push_back(t);
    }
    key_.to = t;
  }
}

BlockPtr StatsView::GrowthBlock(const ViewSnapshot& view, int64_t t) {
  if (key_.source != kSourcePseudorandom) {
    return view.store->FindBlock(t, true);  // the server's samples are the same in both stores
  }
  if (!grownHour_ || !grownHour_->Contains(t)) {
    auto block = std::make_shared<SampleBlock>();
    grownHour_ = GenerateStatsPseudorandomBlock(t, clock_.Now(), *block) ? block : nullptr;
  }
  return grownHour_;
}

bool StatsView::LateSecondFilled(const ViewSnapshot& view) const {
  // Only the earliest: every check costs a lookup, and one late second is enough.
  return !emptyGrown_.empty() && view.store != nullptr && view.source == key_.source &&
         view.store->FindBlock(emptyGrown_.front(), true) != nullptr;
}

const NetworkSecond* StatsView::CurrentSecond() const {
  const std::vector<NetworkSecond>& series = stretch_.result().network.series();
  if (!hasResult_ || series.empty()) {
    return nullptr;
  }
  if (viewPosition_ >= series.front().t && viewPosition_ <= series.back().t) {
    return &series[size_t(viewPosition_ - series.front().t)];
  }
  return &series.back();
}

std::string StatsView::SourceName() const {
  return key_.source == kSourcePseudorandom ? "pseudorandom" : "server " + key_.host;
}

std::string StatsView::SummaryPathFor(const std::string& path) {
  const std::filesystem::path p = PathFromUtf8(path);
  std::filesystem::path summary = p;
  summary.replace_filename(PathFromUtf8(PathToUtf8(p.stem()) + "-summary.csv"));
  return PathToUtf8(summary);
}

bool StatsView::SaveTable(const std::string& path, std::string* error) const {
  if (!hasResult_) {
    if (error != nullptr) {
      *error = "No statistics to save yet.";
    }
    return false;
  }
  const std::string summaryPath = SummaryPathFor(path);
  CheckedFile table(path);
  CheckedFile summary(summaryPath);
  if (!table.Open(error) || !summary.Open(error)) {
    return false;
  }
  WriteStatsCsv(table.stream(), stretch_.result().network);
  WriteSummaryCsv(summary.stream(), SourceName(), key_.from, key_.to, stretch_.result());
  if (!table.Commit(error)) {
    return false;
  }
  if (!summary.Commit(error)) {
    // Both or neither: a table without its summary would name no stretch.
    std::error_code ignored;
    std::filesystem::remove(PathFromUtf8(path), ignored);
    return false;
  }
  return true;
}

}  // namespace tessaly
