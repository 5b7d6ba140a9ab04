#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "sound/chord_synth.h"
#include "sound/player_host.h"
#include "sound/tone_tables.h"

namespace tessaly {

enum class SoundFileType { kWav, kFlac };

// FLAC for a name ending in ".flac" in any case, WAV otherwise.
SoundFileType SoundFileTypeOf(const std::string& name);

// Where rendered sound goes: a sound file (libsndfile on Linux), or memory in tests.
class SoundFileWriter {
 public:
  virtual ~SoundFileWriter() = default;
  // Creates the file at path for PCM frames of format, as a file of type.
  virtual bool Open(const std::filesystem::path& path, SoundFileType type,
                    const PcmFormat& format) = 0;
  // Appends whole frames of the format's PCM bytes.
  virtual bool Write(std::span<const uint8_t> pcm) = 0;
  // Finishes the file; false when it could not be completed.
  virtual bool Close() = 0;
  // Why the last call failed, in the library's words.
  virtual std::string LastError() const = 0;
};

// What to render: the engine's format, the scale and output level the player
// would use, and how many seconds from the start of the run.
struct OfflineRun {
  PcmFormat format;
  ScaleTable scale{};
  uint32_t level = 0xFFFFFFFF;  // as WaveOut::SetLevel takes it
  int64_t seconds = 60;
};

enum class RenderOutcome { kDone, kCancelled, kFailed };

// Renders the run that host's views describe (each playing view from its
// playStartPosition, the run's clock starting at 0) exactly as the engine
// would send it to the device, chunk by chunk, with the output level applied
// as the device applies it, into pcm calls of one chunk each (the last one cut
// so the run has exactly seconds x rate frames). Before the chunk in which
// second s of the run begins, beforeSecond(s) lets the caller fetch data as
// playback does, once for every second at any rate; it returns false to cancel.
RenderOutcome RenderOffline(const PlayerHost& host, const OfflineRun& run,
                            const std::function<bool(std::span<const uint8_t>)>& pcm,
                            const std::function<bool(int64_t second)>& beforeSecond);

// Renders into a sound file at path (UTF-8; FLAC or WAV by its name) through a
// CheckedFile, so a cancelled or failed render leaves nothing under path. A
// render larger than the free space of the target's disk is refused before it
// starts. error receives the cause of a failure.
RenderOutcome RenderToFile(const PlayerHost& host, const OfflineRun& run, SoundFileWriter& writer,
                           const std::string& path,
                           const std::function<bool(int64_t second)>& beforeSecond,
                           std::string* error);

}  // namespace tessaly
