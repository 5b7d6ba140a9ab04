#include "samples/sample_export.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "samples/checked_file.h"
#include "samples/server_source.h"
#include "samples/utc_time.h"

namespace tessaly {

QuietFetches::QuietFetches(SampleStore* store) : store_(store) {
  // Only a split source can be stood in for: its fetch and its finish are apart.
  if (store_ != nullptr && store_->sourceType() == kSourceServer) {
    inner_ = dynamic_cast<SplitBlockSource*>(store_->serverSource());
  }
  if (inner_ != nullptr) {
    store_->SetServerSource(this);
  }
}

QuietFetches::~QuietFetches() {
  if (inner_ != nullptr && store_->serverSource() == this) {
    store_->SetServerSource(inner_);
  }
}

FetchOutcome QuietFetches::Fetch(SampleBlock& block) {
  return inner_->Fetch(block);
}

bool QuietFetches::Finish(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome) {
  if (outcome.ok) {
    return inner_->Finish(store, block, outcome);
  }
  // An empty answer about the last minutes is the server not having them yet.
  const bool notYet =
      outcome.noSamples && block.serverTime - block.requestEnd < kRecentReplySeconds;
  if (!notYet && failure_.empty()) {
    failure_ = NoDataMessage(block) + " (" + outcome.cause + ")";
    std::replace(failure_.begin(), failure_.end(), '\r', ' ');
    std::replace(failure_.begin(), failure_.end(), '\n', ' ');
  }
  return false;
}

void QuietFetches::Cancel() {
  inner_->Cancel();
}

namespace {

// The first second after t, up to to, at which a block of store begins; 0 when none.
int64_t FirstStartAfter(const SampleStore& store, int64_t t, int64_t to) {
  int64_t first = 0;
  for (const BlockPtr& block : store.Blocks()) {
    if (block->dataStart > t && block->dataStart <= to &&
        (first == 0 || block->dataStart < first)) {
      first = block->dataStart;
    }
  }
  return first;
}

}  // namespace

StretchOutcome GatherSamples(SampleStore& store, int64_t from, int64_t to, SampleTable& table) {
  QuietFetches quiet(&store);
  table = SampleTable{from, to, {}, {}};
  const size_t seconds = size_t(std::max<int64_t>(to - from + 1, 0));
  StretchOutcome outcome;
  BlockPtr block;
  std::vector<int> columnOf;  // the block's column -> the table's
  for (int64_t t = from; t <= to; ++t) {
    // The newest block that holds t, as everywhere samples are read.
    BlockPtr newest = store.FindBlock(t, true);
    if (!newest) {
      // Up to 30 minutes a request; a reply trimmed near the present leaves
      // t missing, and the next request asks for it again.
      store.CreateBlocks(t, to);
      if (!quiet.failure().empty()) {
        outcome.failure = quiet.failure();
        return outcome;
      }
      newest = store.FindBlock(t, true);
      if (!newest) {
        // A reply may begin later than asked (a gap on the server): its cells
        // stay empty and the walk goes on where data begins. Nothing after t
        // means the server does not have it yet.
        const int64_t next = FirstStartAfter(store, t, to);
        if (next == 0) {
          outcome.notYet = to - t + 1;
          return outcome;
        }
        t = next - 1;
        continue;
      }
    }
    if (newest != block) {
      block = std::move(newest);
      columnOf.assign(size_t(block->stationCount), -1);
      for (int k = 0; k < block->stationCount; ++k) {
        const uint32_t id = block->stationIds[size_t(k)];
        // An empty id is no station; a repeated id reads its first column.
        if (id == 0 || block->FindColumn(id) != k) {
          continue;
        }
        auto at = std::find(table.ids.begin(), table.ids.end(), id);
        if (at == table.ids.end()) {
          table.ids.push_back(id);
          table.samples.emplace_back(seconds, uint16_t(0));
          at = table.ids.end() - 1;
        }
        columnOf[size_t(k)] = int(at - table.ids.begin());
      }
    }
    for (int k = 0; k < block->stationCount; ++k) {
      const int16_t value = block->Sample(k, t);
      if (columnOf[size_t(k)] >= 0 && value > 0) {
        table.samples[size_t(columnOf[size_t(k)])][size_t(t - from)] = uint16_t(value);
      }
    }
  }
  return outcome;
}

void WriteSamplesCsv(std::ostream& out, const SampleTable& table) {
  out << "UTC time";
  for (const uint32_t id : table.ids) {
    out << ',' << id;
  }
  out << '\n';
  for (int64_t t = table.from; t <= table.to; ++t) {
    out << FormatTime(t);
    for (const auto& column : table.samples) {
      out << ',';
      if (const uint16_t value = column[size_t(t - table.from)]; value > 0) {
        out << value;
      }
    }
    out << '\n';
  }
}

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) {
    fields.push_back(field);
  }
  if (!line.empty() && line.back() == ',') {
    fields.emplace_back();
  }
  return fields;
}

// A day file as rows of cells by station id.
struct DayRows {
  std::vector<uint32_t> ids;
  std::map<int64_t, std::map<uint32_t, std::string>> rows;
};

// Reads the rows of the day that starts at dayStart; rows of other seconds are
// not the day's (the server skips them too) and are dropped.
void ReadDay(const std::filesystem::path& file, int64_t dayStart, DayRows& day) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() >= 3 && fields[0] == "12" && day.ids.empty()) {
      for (size_t i = 3; i < fields.size(); ++i) {
        day.ids.push_back(uint32_t(std::strtoul(fields[i].c_str(), nullptr, 10)));
      }
    } else if (fields.size() >= 3 && fields[0] == "13") {
      const int64_t t = std::strtoll(fields[1].c_str(), nullptr, 10);
      if (t < dayStart || t >= dayStart + 86400) {
        continue;
      }
      auto& row = day.rows[t];
      for (size_t i = 3; i < fields.size() && i - 3 < day.ids.size(); ++i) {
        if (!fields[i].empty() && day.ids[i - 3] != 0) {
          row[day.ids[i - 3]] = fields[i];
        }
      }
    }
  }
}

}  // namespace

std::vector<std::string> WriteRecordedDays(const std::string& dir, const SampleTable& table,
                                           std::string* error) {
  std::vector<std::string> files;
  for (int64_t dayStart = table.from; dayStart <= table.to;) {
    const UtcFields f = BreakDownUtc(dayStart);
    const int64_t dayEnd = std::min(MakeUtc(f.year, f.month, f.day + 1, 0, 0, 0) - 1, table.to);
    const std::filesystem::path file =
        PathFromUtf8(dir) / (FormatTime(dayStart).substr(0, 10) + ".csv");
    DayRows day;
    ReadDay(file, MakeUtc(f.year, f.month, f.day, 0, 0, 0), day);
    for (const uint32_t id : table.ids) {
      if (std::find(day.ids.begin(), day.ids.end(), id) == day.ids.end()) {
        day.ids.push_back(id);
      }
    }
    for (int64_t t = dayStart; t <= dayEnd; ++t) {
      std::map<uint32_t, std::string> row;
      for (size_t k = 0; k < table.ids.size(); ++k) {
        if (const uint16_t value = table.samples[k][size_t(t - table.from)]; value > 0) {
          row[table.ids[k]] = std::to_string(value);
        }
      }
      if (!row.empty()) {
        day.rows[t] = std::move(row);
      }
    }
    std::string text = "12," + std::to_string(day.ids.size()) + ",ids";
    for (const uint32_t id : day.ids) {
      text += ',' + std::to_string(id);
    }
    text += '\n';
    for (const auto& [t, row] : day.rows) {
      text += "13," + std::to_string(t) + ',' + FormatTime(t).substr(11);
      for (const uint32_t id : day.ids) {
        const auto cell = row.find(id);
        text += ',' + (cell == row.end() ? std::string() : cell->second);
      }
      text += '\n';
    }
    const std::string path = PathToUtf8(file);
    if (!WriteFileChecked(path, text, error)) {
      return {};
    }
    files.push_back(path);
    dayStart = dayEnd + 1;
  }
  return files;
}

}  // namespace tessaly
