#include "samples/stats_store.h"

#include "samples/pseudorandom_source.h"
#include "samples/server_source.h"

namespace tessaly {

bool GenerateStatsPseudorandomBlock(int64_t t, int64_t now, SampleBlock& block) {
  const int64_t start =
      t - ((t % kStatsPseudorandomBlock) + kStatsPseudorandomBlock) % kStatsPseudorandomBlock;
  block.requestStart = start;
  block.requestEnd = start + kStatsPseudorandomBlock - 1;
  return GeneratePseudorandomBlock(block, now, static_cast<uint32_t>(static_cast<uint64_t>(start)));
}

StatsStore::StatsStore(int sourceType, const Clock& clock, HttpGet* http, std::string host)
    : sourceType_(sourceType), http_(http), store_(sourceType, clock) {
  store_.SetServerHost(std::move(host));
}

void StatsStore::Cancel() {
  if (http_ != nullptr) {
    http_->Cancel();
  }
}

StreamResult StatsStore::Stream(int64_t from, int64_t to,
                                const std::function<bool(const SampleBlock&)>& onBlock,
                                std::string* cause) {
  if (sourceType_ == kSourceServer) {
    return StreamServer(from, to, onBlock, cause);
  }
  if (sourceType_ != kSourcePseudorandom) {
    if (cause != nullptr) {
      *cause = "unknown source";
    }
    return StreamResult::kFailed;
  }
  for (int64_t t = from; t <= to;) {
    SampleBlock block;
    if (!GenerateStatsPseudorandomBlock(t, store_.clock().Now(), block)) {
      if (cause != nullptr) {
        *cause = "out of memory";
      }
      return StreamResult::kFailed;
    }
    if (!onBlock(block)) {
      return StreamResult::kAbandoned;
    }
    t = block.requestEnd + 1;
  }
  return StreamResult::kDone;
}

StreamResult StatsStore::StreamServer(int64_t from, int64_t to,
                                      const std::function<bool(const SampleBlock&)>& onBlock,
                                      std::string* cause) {
  for (int64_t t = from; t <= to;) {
    std::shared_ptr<SampleBlock> block = store_.NewBlock(t, to);
    if (!block || http_ == nullptr) {
      if (cause != nullptr) {
        *cause = block ? "no connection" : "unsupported time";
      }
      return StreamResult::kFailed;
    }
    const FetchOutcome outcome = FetchServerReply(*block, *http_);
    if (!FinishServerBlock(store_, *block, outcome, nullptr)) {
      if (cause != nullptr) {
        std::string message = NoDataMessage(*block);
        message.replace(message.find("\r\n"), 2, " ");
        *cause = message + " (" + outcome.cause + ")";
      }
      return StreamResult::kFailed;
    }
    block->downloadBuffer.clear();
    block->downloadBuffer.shrink_to_fit();
    if (!onBlock(*block)) {
      return StreamResult::kAbandoned;
    }
    // A block trimmed at the server's present leaves its last seconds without samples.
    t = block->requestEnd + 1;
  }
  return StreamResult::kDone;
}

}  // namespace tessaly
