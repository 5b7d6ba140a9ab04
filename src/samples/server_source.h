#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "samples/http_get.h"
#include "samples/sample_block.h"
#include "samples/sample_store.h"

namespace tessaly {

// What the server source needs from the views when a fetch fails: stop every
// playing view, then tell the user. The views implement it.
class ServerFailureSink {
 public:
  virtual ~ServerFailureSink() = default;
  virtual void StopPlayingViews() = 0;
  // detail: the cause, for the user who wants to know why ("HTTP 500").
  virtual void ShowMessage(const std::string& text, const std::string& caption,
                           const std::string& detail) = 0;
};

inline constexpr const char* kNoDataCaption = "No data received";
// A block never spans more than a day; a reply claiming more is unusable.
inline constexpr int64_t kMaxReplySeconds = 86400;
inline constexpr int kMaxReplyValues = 200;
// Times beyond 9999-12-31 23:59:59 UTC cannot be shown; a reply claiming them is unusable.
inline constexpr int64_t kMaxReplyTime = 253402300799;
// A reply this close to the server's present may still be incomplete at its end.
inline constexpr int64_t kRecentReplySeconds = 600;
// A drop of more than this many reporting stations from one second to the next
// marks the seconds that not every station has sent yet.
inline constexpr int kTrimStationDrop = 3;

// The reply text between two positions. Every scan below stops at end and
// never reads it, so any byte sequence is safe.
// FindLine: the first line at or after from that begins with prefix, or null.
const char* FindLine(const char* prefix, const char* from, const char* end);
// ParseHeaderNumber: the leading digits of the line's third field; false when
// the line has fewer than two commas.
bool ParseHeaderNumber(const char* line, const char* end, int64_t& value);
// ParseNumberList: the leading digits (0 when none) of the fourth field on, up
// to out.size() values; returns how many fields were read.
int ParseNumberList(const char* line, const char* end, std::span<uint32_t> out);

// Parses the first downloadSize bytes of block.downloadBuffer into the block's
// times, station ids and values. Returns the number of data lines stored; 0
// means the reply is unusable.
int ParseReply(SampleBlock& block);

// Ends the block at the last second before the first drop of more than three
// reporting stations, when the block reaches to within ten minutes of the
// server's present (or the server sent no date).
void TrimRecentSeconds(SampleBlock& block);

// A valid reply without a second the block did not have: the server has
// nothing new yet. Such a block is no failure, and no block to keep either.
bool HoldsNothingNew(const SampleBlock& block);

// "No data received from server for:\r\n<start> - <end>" for the block's request.
std::string NoDataMessage(const SampleBlock& block);

// Fetches block.requestUrl, parses and trims the reply. Touches only the block
// and http, so it may run on any thread. A reply with nothing new (see
// HoldsNothingNew) is ok.
FetchOutcome FetchServerReply(SampleBlock& block, HttpGet& http);
// On the GUI thread after FetchServerReply: registers the block's stations
// with the store and tells it the server's present, or stops the playing views and shows the
// message through sink (when given). Returns true when the block is complete.
bool FinishServerBlock(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome,
                       ServerFailureSink* sink);
// Both at once.
bool FetchServerBlock(SampleStore& store, SampleBlock& block, HttpGet& http,
                      ServerFailureSink* sink);

// The data-server source of a store.
class ServerSource final : public SplitBlockSource {
 public:
  explicit ServerSource(HttpGet& http, ServerFailureSink* sink = nullptr)
      : http_(http), sink_(sink) {}
  void SetFailureSink(ServerFailureSink* sink) { sink_ = sink; }
  FetchOutcome Fetch(SampleBlock& block) override { return FetchServerReply(block, http_); }
  bool Finish(SampleStore& store, SampleBlock& block, const FetchOutcome& outcome) override {
    return FinishServerBlock(store, block, outcome, sink_);
  }
  void Cancel() override { http_.Cancel(); }

 private:
  HttpGet& http_;
  ServerFailureSink* sink_;
};

}  // namespace tessaly
