#include "sound/offline_render.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "sound/chunk_renderer.h"

namespace tessaly {

RenderOutcome RenderOffline(const PlayerHost& host, const OfflineRun& run,
                            const std::function<bool(std::span<const uint8_t>)>& pcm,
                            const std::function<bool(int64_t second)>& beforeSecond) {
  const PcmFormat& format = run.format;
  ChunkRenderer renderer(format);
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames()) * size_t(format.FrameSize()));
  const int64_t frames = format.ChunkFrames();
  const int64_t chunks = run.seconds * format.sampleRate / frames;
  renderer.Start();
  for (int64_t c = 0; c < chunks; ++c) {
    const int64_t rendered = c * frames;
    if (rendered % format.sampleRate == 0 && beforeSecond &&
        !beforeSecond(rendered / format.sampleRate)) {
      return RenderOutcome::kCancelled;
    }
    if (renderer.ReloadDue(rendered)) {
      renderer.Reload(&host, rendered);
    }
    renderer.Synthesize(SoundingViews(&host), run.scale, rendered, chunk);
    ApplyOutputLevel(run.level, format, chunk, chunk);
    if (!pcm(chunk)) {
      return RenderOutcome::kFailed;
    }
  }
  return RenderOutcome::kDone;
}

RenderOutcome RenderToFile(const PlayerHost& host, const OfflineRun& run, SoundFileWriter& writer,
                           const std::string& path,
                           const std::function<bool(int64_t second)>& beforeSecond,
                           std::string* error) {
  namespace fs = std::filesystem;
  // The temporary file keeps the extension: the writer picks the format by it.
  const fs::path target(path);
  std::string name = ".";
  name += target.stem().string();
  name += ".partial";
  name += target.extension().string();
  const fs::path temporary = target.parent_path() / name;
  auto fail = [&](const std::string& cause) {
    if (error != nullptr) {
      *error = cause;
    }
  };
  if (!writer.Open(temporary.string(), run.format)) {
    fail(writer.LastError());
    return RenderOutcome::kFailed;
  }
  const RenderOutcome outcome = RenderOffline(
      host, run, [&](std::span<const uint8_t> pcm) { return writer.Write(pcm); }, beforeSecond);
  const bool closed = writer.Close();
  std::error_code ignored;
  if (outcome != RenderOutcome::kDone || !closed) {
    if (outcome != RenderOutcome::kCancelled) {
      fail(writer.LastError());
    }
    fs::remove(temporary, ignored);
    return outcome == RenderOutcome::kDone ? RenderOutcome::kFailed : outcome;
  }
  std::error_code renamed;
  fs::rename(temporary, target, renamed);
  if (renamed) {
    fail(renamed.message());
    fs::remove(temporary, ignored);
    return RenderOutcome::kFailed;
  }
  return RenderOutcome::kDone;
}

}  // namespace tessaly
