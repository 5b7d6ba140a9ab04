#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "analysis/histogram.h"
#include "sound/chord_synth.h"
#include "sound/player_host.h"
#include "sound/tone_tables.h"

namespace tessaly {

// One run of the engine's sound, chunk by chunk: the sound histograms of the
// playing views follow the second in which a chunk starts and are reloaded when
// a chunk reaches into a new second, and the chord of each sounding view is
// synthesised into the chunk (View 1 left, View 2 right; one view sounds on
// both channels). The engine renders through it for the device and the offline
// renderer for a file, so both give the same samples.
class ChunkRenderer {
 public:
  explicit ChunkRenderer(const PcmFormat& format);

  // A new run: frame 0, nothing loaded yet.
  void Start() { reloads_ = 0; }
  // Whether the chunk that starts at framesRendered needs a reload first.
  bool ReloadDue(int64_t framesRendered) const;
  // Reloads the histograms of host's playing views for that chunk; a null host
  // only counts the reload.
  void Reload(const PlayerHost* host, int64_t framesRendered);
  // Fills chunk (one chunk of the format) for the views that sound.
  void Synthesize(const std::array<bool, 2>& sounds, const ScaleTable& scale,
                  int64_t framesRendered, std::span<uint8_t> chunk);

  ChordSynth& synth() { return synth_; }

 private:
  PcmFormat format_;
  ChordSynth synth_;
  std::array<CHistogram, 2> histograms_;
  int64_t reloads_ = 0;
};

// Whether view v of host plays and sounds: what the engine synthesises.
std::array<bool, 2> SoundingViews(const PlayerHost* host);

// The output level of a volume 0..100 (both channels; mute silences).
uint32_t OutputLevel(int volume, bool mute);

// Applies an output level (left volume in the low 16 bits, right in the high
// 16 bits, 0xFFFF = full) to PCM bytes of the format: what a device without a
// volume of its own plays. in and out may be the same bytes.
void ApplyOutputLevel(uint32_t level, const PcmFormat& format, std::span<const uint8_t> in,
                      std::span<uint8_t> out);

}  // namespace tessaly
