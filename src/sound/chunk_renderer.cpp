#include "sound/chunk_renderer.h"

#include <algorithm>
#include <cstring>

namespace tessaly {

namespace {

// A hand-edited window longer than the list offers would only stall rendering.
constexpr int kMaxValuesN = 60;

}  // namespace

ChunkRenderer::ChunkRenderer(const PcmFormat& format)
    : format_(format), synth_(format.ChunkFrames()) {}

bool ChunkRenderer::ReloadDue(int64_t framesRendered) const {
  return (framesRendered + format_.ChunkFrames()) / format_.sampleRate + 1 > reloads_;
}

void ChunkRenderer::Reload(const PlayerHost* host, int64_t framesRendered) {
  ++reloads_;
  if (host == nullptr) {
    return;
  }
  const int fade = host->SoundFade();
  for (int v = 0; v < 2; ++v) {
    const PlayerViewState* view = host->PlayerView(v);
    if (view == nullptr || !view->playing()) {
      continue;
    }
    CHistogram& histogram = histograms_[size_t(v)];
    const SampleStore* store = view->store();
    if (store == nullptr) {
      histogram.bins.fill(0);
      continue;
    }
    const int64_t second = view->playStartPosition() + framesRendered / format_.sampleRate -
                           view->playStartMs() / 1000;
    const int32_t n = std::min(view->valuesN(), kMaxValuesN);
    // A failed fill leaves the bins empty: the view is silent until the next reload.
    histogram.Compute(*store, view->station(), second, n, fade);
  }
}

void ChunkRenderer::Synthesize(const std::array<bool, 2>& sounds, const ScaleTable& scale,
                               int64_t framesRendered, std::span<uint8_t> chunk) {
  std::fill(chunk.begin(), chunk.end(), uint8_t{0});
  const CHistogram* left = nullptr;
  const CHistogram* right = nullptr;
  if (sounds[0]) {
    left = &histograms_[0];
    right = sounds[1] ? &histograms_[1] : left;
  } else if (sounds[1]) {
    left = right = &histograms_[1];
  } else {
    return;
  }
  const int32_t frames = format_.ChunkFrames();
  const auto levels = synth_.levels().first(size_t(frames));
  synth_.Render(left->bins, scale, framesRendered, frames, format_.TicksPerFrame(), levels);
  ChordSynth::StoreChannel(chunk, format_, 1, levels);
  if (format_.channels < 2) {
    return;  // one slot per frame: it carries the left channel's view
  }
  if (right != left) {
    synth_.Render(right->bins, scale, framesRendered, frames, format_.TicksPerFrame(), levels);
  }
  ChordSynth::StoreChannel(chunk, format_, 2, levels);
}

std::array<bool, 2> SoundingViews(const PlayerHost* host) {
  std::array<bool, 2> sounds{false, false};
  for (int v = 0; v < 2; ++v) {
    const PlayerViewState* view = host != nullptr ? host->PlayerView(v) : nullptr;
    sounds[size_t(v)] = view != nullptr && view->playing() && view->soundOn();
  }
  return sounds;
}

uint32_t OutputLevel(int volume, bool mute) {
  const uint32_t half = mute ? 0u : uint32_t(std::clamp(volume, 0, 100)) * 65535u / 100u;
  return half | (half << 16);
}

void ApplyOutputLevel(uint32_t level, const PcmFormat& format, std::span<const uint8_t> in,
                      std::span<uint8_t> out) {
  const size_t bytes = std::min(in.size(), out.size());
  if (level == 0xFFFFFFFF) {
    if (in.data() != out.data()) {
      std::memmove(out.data(), in.data(), bytes);
    }
    return;
  }
  const int32_t gain[2] = {int32_t(level & 0xFFFF), int32_t(level >> 16)};
  const bool stereo = format.channels == 2;
  if (format.bitsPerSample == 8) {
    for (size_t i = 0; i < bytes; ++i) {
      const int32_t g = gain[stereo ? i % 2 : 0];
      out[i] = uint8_t(128 + (int32_t(in[i]) - 128) * g / 65535);
    }
    return;
  }
  for (size_t i = 0, sample = 0; i + 1 < bytes; i += 2, ++sample) {
    const int32_t g = gain[stereo ? sample % 2 : 0];
    const auto s = int16_t(uint16_t(in[i] | (in[i + 1] << 8)));
    const auto v = uint16_t(int16_t(int32_t(s) * g / 65535));
    out[i] = uint8_t(v & 0xFF);
    out[i + 1] = uint8_t(v >> 8);
  }
}

}  // namespace tessaly
