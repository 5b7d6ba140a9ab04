#include "sound/offline_render.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

#include "samples/checked_file.h"
#include "sound/chunk_renderer.h"

namespace tessaly {

SoundFileType SoundFileTypeOf(const std::string& name) {
  std::string end = name.size() >= 5 ? name.substr(name.size() - 5) : "";
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return end == ".flac" ? SoundFileType::kFlac : SoundFileType::kWav;
}

RenderOutcome RenderOffline(const PlayerHost& host, const OfflineRun& run,
                            const std::function<bool(std::span<const uint8_t>)>& pcm,
                            const std::function<bool(int64_t second)>& beforeSecond) {
  const PcmFormat& format = run.format;
  ChunkRenderer renderer(format);
  std::vector<uint8_t> chunk(size_t(format.ChunkFrames()) * size_t(format.FrameSize()));
  const int64_t frames = format.ChunkFrames();
  const int64_t total = run.seconds * format.sampleRate;
  int64_t nextSecond = 0;
  renderer.Start();
  for (int64_t rendered = 0; rendered < total; rendered += frames) {
    // At rates whose chunks do not divide a second (11,025 Hz) a second begins
    // inside a chunk: its step still comes before the chunk that plays it.
    for (; nextSecond < run.seconds && nextSecond * format.sampleRate < rendered + frames;
         ++nextSecond) {
      if (beforeSecond && !beforeSecond(nextSecond)) {
        return RenderOutcome::kCancelled;
      }
    }
    if (renderer.ReloadDue(rendered)) {
      renderer.Reload(&host, rendered);
    }
    renderer.Synthesize(SoundingViews(&host), run.scale, rendered, chunk);
    ApplyOutputLevel(run.level, format, chunk, chunk);
    const int64_t used = std::min(frames, total - rendered);
    if (!pcm(std::span<const uint8_t>(chunk).first(size_t(used * format.FrameSize())))) {
      return RenderOutcome::kFailed;
    }
  }
  return RenderOutcome::kDone;
}

RenderOutcome RenderToFile(const PlayerHost& host, const OfflineRun& run, SoundFileWriter& writer,
                           const std::string& path,
                           const std::function<bool(int64_t second)>& beforeSecond,
                           std::string* error) {
  auto fail = [&](const std::string& cause) {
    if (error != nullptr) {
      *error = cause;
    }
    return RenderOutcome::kFailed;
  };
  CheckedFile file(path);
  const SoundFileType type = SoundFileTypeOf(path);
  // FLAC is smaller, by how much depends on the sound: only WAV is sized up front.
  if (type == SoundFileType::kWav) {
    const uintmax_t bytes = uintmax_t(run.seconds) * uintmax_t(run.format.sampleRate) *
                            uintmax_t(run.format.FrameSize());
    std::error_code code;
    const std::filesystem::space_info space = std::filesystem::space(
        file.temporary().parent_path().empty() ? std::filesystem::path(".")
                                               : file.temporary().parent_path(),
        code);
    if (!code && bytes + 4096 > space.available) {
      return fail("The sound needs " + std::to_string(bytes / 1000000 + 1) +
                  " MB, but its disk has only " + std::to_string(space.available / 1000000) +
                  " MB free");
    }
  }
  if (!writer.Open(file.temporary(), type, run.format)) {
    return fail(writer.LastError());
  }
  const RenderOutcome outcome = RenderOffline(
      host, run, [&](std::span<const uint8_t> pcm) { return writer.Write(pcm); }, beforeSecond);
  const bool closed = writer.Close();
  if (outcome == RenderOutcome::kCancelled) {
    return outcome;  // the CheckedFile removes the temporary
  }
  if (outcome != RenderOutcome::kDone || !closed) {
    return fail(writer.LastError());
  }
  std::string cause;
  if (!file.Commit(&cause)) {
    return fail(cause);
  }
  return RenderOutcome::kDone;
}

}  // namespace tessaly
