#include "samples/sample_export.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "samples/utc_time.h"

namespace tessaly {

std::vector<uint32_t> StationsBetween(const SampleStore& store, int64_t from, int64_t to) {
  std::vector<uint32_t> ids;
  for (const BlockPtr& block : store.Blocks()) {
    if (block->dataEnd < from || block->dataStart > to) {
      continue;
    }
    for (int k = 0; k < block->stationCount; ++k) {
      const uint32_t id = block->stationIds[size_t(k)];
      if (id != 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) {
        ids.push_back(id);
      }
    }
  }
  return ids;
}

namespace {

// The samples of second t for ids ("" where none), each after a comma.
std::string SampleCells(const SampleStore& store, const std::vector<uint32_t>& ids, int64_t t,
                        bool* any) {
  std::string cells;
  for (const uint32_t id : ids) {
    cells += ',';
    const int32_t value = store.GetValue(t, id);
    if (value > 0) {  // 0 marks a second the station did not report
      cells += std::to_string(value);
      *any = true;
    }
  }
  return cells;
}

}  // namespace

void WriteSamplesCsv(std::ostream& out, const SampleStore& store, int64_t from, int64_t to) {
  const std::vector<uint32_t> ids = StationsBetween(store, from, to);
  out << "UTC time";
  for (const uint32_t id : ids) {
    out << ',' << id;
  }
  out << '\n';
  for (int64_t t = from; t <= to; ++t) {
    bool any = false;
    out << FormatTime(t) << SampleCells(store, ids, t, &any) << '\n';
  }
}

std::vector<std::string> WriteRecordedDays(const std::string& dir, const SampleStore& store,
                                           int64_t from, int64_t to, std::string* error) {
  namespace fs = std::filesystem;
  const std::vector<uint32_t> ids = StationsBetween(store, from, to);
  std::string idLine = "12," + std::to_string(ids.size()) + ",ids";
  for (const uint32_t id : ids) {
    idLine += ',';
    idLine += std::to_string(id);
  }
  std::vector<std::string> files;
  std::ofstream out;
  int64_t dayEnd = from - 1;
  for (int64_t t = from; t <= to; ++t) {
    if (t > dayEnd) {
      const UtcFields f = BreakDownUtc(t);
      dayEnd = MakeUtc(f.year, f.month, f.day + 1, 0, 0, 0) - 1;
      out.close();
      const std::string path = (fs::path(dir) / (FormatTime(t).substr(0, 10) + ".csv")).string();
      out.open(path, std::ios::binary | std::ios::trunc);
      if (!out) {
        if (error != nullptr) {
          *error = "Cannot write " + path;
        }
        return {};
      }
      out << idLine << '\n';
      files.push_back(path);
    }
    bool any = false;
    const std::string cells = SampleCells(store, ids, t, &any);
    if (any) {
      out << "13," << t << ',' << FormatTime(t).substr(11) << cells << '\n';
    }
  }
  out.close();
  if (!out) {
    if (error != nullptr) {
      *error = "Cannot complete " + files.back();
    }
    return {};
  }
  return files;
}

}  // namespace tessaly
