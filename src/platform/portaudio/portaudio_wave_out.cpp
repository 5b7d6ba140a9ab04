#include "platform/portaudio/portaudio_wave_out.h"

#include <portaudio.h>

#include <algorithm>
#include <cstring>

namespace tessaly {

namespace {

constexpr int kRates[3] = {11025, 22050, 44100};

PaSampleFormat SampleFormat(int bits) {
  return bits == 8 ? paUInt8 : paInt16;
}

int StreamCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* self) {
  static_cast<PortAudioWaveOut*>(self)->OnStreamCallback(output, frames);
  return paContinue;
}

}  // namespace

PortAudioWaveOut::PortAudioWaveOut() {
  initialized_ = Pa_Initialize() == paNoError;
}

PortAudioWaveOut::~PortAudioWaveOut() {
  Close();
  if (initialized_) {
    Pa_Terminate();
  }
}

bool PortAudioWaveOut::GetCaps(WaveCaps& caps) {
  if (!initialized_) {
    return false;
  }
  const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
  const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
  if (info == nullptr || info->maxOutputChannels < 1) {
    return false;
  }
  WaveCaps found;
  found.channels = std::min(info->maxOutputChannels, 2);
  // Bit layout per rate: mono 8, stereo 8, mono 16, stereo 16.
  for (int r = 0; r < 3; ++r) {
    for (int bit = 0; bit < 4; ++bit) {
      const int channels = (bit & 1) ? 2 : 1;
      if (channels > found.channels) {
        continue;
      }
      PaStreamParameters params{};
      params.device = device;
      params.channelCount = channels;
      params.sampleFormat = SampleFormat((bit & 2) ? 16 : 8);
      params.suggestedLatency = info->defaultHighOutputLatency;
      if (Pa_IsFormatSupported(nullptr, &params, kRates[r]) == paFormatIsSupported) {
        found.formats |= 1u << (4 * r + bit);
      }
    }
  }
  if (found.formats == 0) {
    return false;
  }
  caps = found;
  return true;
}

int PortAudioWaveOut::Open(const WaveFormat& format, std::function<void()> onBufferDone) {
  Close();
  if (!initialized_) {
    return paNotInitialized;
  }
  const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
  const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
  if (info == nullptr) {
    return paDeviceUnavailable;
  }
  PaStreamParameters params{};
  params.device = device;
  params.channelCount = format.channels;
  params.sampleFormat = SampleFormat(format.bitsPerSample);
  params.suggestedLatency = info->defaultHighOutputLatency;
  format_ = format;
  onBufferDone_ = std::move(onBufferDone);
  head_.store(0);
  tail_.store(0);
  offset_ = 0;
  bytesPlayed_.store(0);
  PaStream* stream = nullptr;
  const PaError error =
      Pa_OpenStream(&stream, nullptr, &params, format.sampleRate, paFramesPerBufferUnspecified,
                    paClipOff | paDitherOff, &StreamCallback, this);
  if (error != paNoError) {
    onBufferDone_ = nullptr;
    return error < 0 ? error : paInternalError;
  }
  stream_ = stream;
  started_ = false;
  return 0;
}

bool PortAudioWaveOut::Write(const uint8_t* data, uint32_t bytes) {
  if (stream_ == nullptr) {
    return false;
  }
  const uint32_t head = head_.load(std::memory_order_relaxed);
  if (head - tail_.load(std::memory_order_acquire) >= kQueueSize) {
    return false;
  }
  queue_[head % kQueueSize] = {data, bytes};
  head_.store(head + 1, std::memory_order_release);
  // The stream starts with the first buffer, so playback begins with sound.
  if (!started_) {
    if (Pa_StartStream(static_cast<PaStream*>(stream_)) != paNoError) {
      return false;
    }
    started_ = true;
  }
  return true;
}

WavePosition PortAudioWaveOut::Position() {
  return {WavePosition::kBytes, bytesPlayed_.load()};
}

void PortAudioWaveOut::SetLevel(uint32_t level) {
  level_.store(level);
}

void PortAudioWaveOut::Close() {
  if (stream_ != nullptr) {
    auto* stream = static_cast<PaStream*>(stream_);
    if (started_) {
      Pa_AbortStream(stream);
    }
    Pa_CloseStream(stream);
    stream_ = nullptr;
  }
  started_ = false;
  onBufferDone_ = nullptr;
  head_.store(0);
  tail_.store(0);
  offset_ = 0;
}

void PortAudioWaveOut::OnStreamCallback(void* output, unsigned long frames) {
  const size_t frameSize = size_t(format_.bitsPerSample / 8 * format_.channels);
  Fill(static_cast<uint8_t*>(output), size_t(frames) * frameSize);
}

void PortAudioWaveOut::Fill(uint8_t* out, size_t bytes) {
  const size_t sampleBytes = size_t(format_.bitsPerSample / 8);
  while (bytes > 0) {
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) {
      // Nothing queued: silence until the next buffer arrives.
      std::memset(out, format_.bitsPerSample == 8 ? 0x80 : 0, bytes);
      return;
    }
    const Queued& q = queue_[tail % kQueueSize];
    const size_t n = std::min<size_t>(bytes, q.bytes - offset_);
    CopyWithGain(out, q.data + offset_, n, offset_ / sampleBytes);
    out += n;
    bytes -= n;
    offset_ += uint32_t(n);
    if (offset_ >= q.bytes) {
      offset_ = 0;
      bytesPlayed_.fetch_add(q.bytes);
      tail_.store(tail + 1, std::memory_order_release);
      if (onBufferDone_) {
        onBufferDone_();
      }
    }
  }
}

void PortAudioWaveOut::CopyWithGain(uint8_t* out, const uint8_t* in, size_t bytes,
                                    size_t sampleIndex) const {
  const uint32_t level = level_.load(std::memory_order_relaxed);
  if (level == 0xFFFFFFFF) {
    std::memcpy(out, in, bytes);
    return;
  }
  const int32_t gain[2] = {int32_t(level & 0xFFFF), int32_t(level >> 16)};
  const size_t channels = size_t(format_.channels);
  if (format_.bitsPerSample == 8) {
    for (size_t i = 0; i < bytes; ++i, ++sampleIndex) {
      const int32_t g = gain[channels == 2 ? sampleIndex % 2 : 0];
      out[i] = uint8_t(128 + (int32_t(in[i]) - 128) * g / 65535);
    }
    return;
  }
  for (size_t i = 0; i + 1 < bytes; i += 2, ++sampleIndex) {
    const int32_t g = gain[channels == 2 ? sampleIndex % 2 : 0];
    const auto s = int16_t(uint16_t(in[i] | (in[i + 1] << 8)));
    const auto scaled = uint16_t(int16_t(int32_t(s) * g / 65535));
    out[i] = uint8_t(scaled & 0xFF);
    out[i + 1] = uint8_t(scaled >> 8);
  }
}

}  // namespace tessaly
