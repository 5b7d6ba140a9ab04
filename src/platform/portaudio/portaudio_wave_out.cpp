#include "platform/portaudio/portaudio_wave_out.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "sound/chunk_renderer.h"

namespace tessaly {

namespace {

constexpr int kRates[3] = {11025, 22050, 44100};

PaSampleFormat SampleFormat(int bits) {
  return bits == 8 ? paUInt8 : paInt16;
}

// Longest wait for room in the stream before the writer looks again whether
// the device is being closed: a stalled device must not hold up Close.
constexpr auto kRoomPoll = std::chrono::milliseconds(2);

// Sends the process's stderr to /dev/null for one scope. PortAudio's start
// probes every ALSA device and a JACK server, and those libraries print each
// one that is missing straight to stderr: dozens of lines in the user's
// terminal on every start. What matters comes back as PortAudio's error code.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) {
      dup2(null, STDERR_FILENO);
    }
    if (null >= 0) {
      close(null);
    }
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, STDERR_FILENO);
      close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace

PortAudioWaveOut::PortAudioWaveOut() {
  const PaError error = [] {
    QuietStderr quiet;
    return Pa_Initialize();
  }();
  initialized_ = error == paNoError;
  if (!initialized_) {
    SetError(error);
  }
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
    SetError(paDeviceUnavailable);
    return paDeviceUnavailable;
  }
  PaStreamParameters params{};
  params.device = device;
  params.channelCount = format.channels;
  params.sampleFormat = SampleFormat(format.bitsPerSample);
  params.suggestedLatency = info->defaultHighOutputLatency;
  PaStream* stream = nullptr;
  const PaError error =
      Pa_OpenStream(&stream, nullptr, &params, format.sampleRate, paFramesPerBufferUnspecified,
                    paClipOff | paDitherOff, nullptr, nullptr);
  if (error != paNoError) {
    SetError(error);
    return error < 0 ? error : paInternalError;
  }
  {
    std::lock_guard lock(errorMutex_);
    lastError_.clear();
  }
  format_ = format;
  onBufferDone_ = std::move(onBufferDone);
  head_ = tail_ = 0;
  closing_ = failed_ = false;
  bytesPlayed_.store(0);
  underruns_.store(0);
  stream_ = stream;
  writer_ = std::thread([this] { WriterMain(); });
  return 0;
}

bool PortAudioWaveOut::Write(const uint8_t* data, uint32_t bytes) {
  {
    std::lock_guard lock(mutex_);
    if (stream_ == nullptr || failed_ || head_ - tail_ >= kQueueSize) {
      return false;
    }
    queue_[head_ % kQueueSize] = {data, bytes};
    ++head_;
  }
  queued_.notify_one();
  return true;
}

WavePosition PortAudioWaveOut::Position() {
  return {WavePosition::kBytes, bytesPlayed_.load()};
}

void PortAudioWaveOut::SetLevel(uint32_t level) {
  level_.store(level);
}

void PortAudioWaveOut::Close() {
  if (stream_ == nullptr) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  queued_.notify_one();
  writer_.join();
  auto* stream = static_cast<PaStream*>(stream_);
  if (Pa_IsStreamActive(stream) == 1) {
    Pa_AbortStream(stream);
  }
  Pa_CloseStream(stream);
  stream_ = nullptr;
  onBufferDone_ = nullptr;
  head_ = tail_ = 0;
}

std::string PortAudioWaveOut::LastError() const {
  std::lock_guard lock(errorMutex_);
  return lastError_;
}

void PortAudioWaveOut::SetError(int paError) {
  std::lock_guard lock(errorMutex_);
  lastError_ = Pa_GetErrorText(paError);
}

void PortAudioWaveOut::WriterMain() {
  for (;;) {
    Queued next;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [this] { return closing_ || head_ != tail_; });
      if (closing_) {
        return;
      }
      next = queue_[tail_ % kQueueSize];
    }
    if (!WriteToStream(next.data, next.bytes)) {
      std::lock_guard lock(mutex_);
      failed_ = true;  // the engine sees its next Write refused and ends the run
      return;
    }
    {
      std::lock_guard lock(mutex_);
      if (closing_) {
        return;  // a closed device reports nothing more
      }
      ++tail_;
    }
    bytesPlayed_.fetch_add(next.bytes);
    if (onBufferDone_) {
      onBufferDone_();
    }
  }
}

// Hands one buffer to the stream in pieces that fit, so that no call blocks for
// long. The stream starts with the first buffer of the run: every later one is
// already queued behind it when the device asks for more.
bool PortAudioWaveOut::WriteToStream(const uint8_t* data, uint32_t bytes) {
  auto* stream = static_cast<PaStream*>(stream_);
  const uint32_t frameSize = uint32_t(format_.bitsPerSample / 8 * format_.channels);
  scaled_.resize(bytes);  // grows once: the engine's buffers have one size
  ApplyOutputLevel(level_.load(std::memory_order_relaxed),
                   {format_.sampleRate, format_.channels, format_.bitsPerSample}, {data, bytes},
                   scaled_);
  if (Pa_IsStreamStopped(stream) == 1) {
    if (const PaError error = Pa_StartStream(stream); error != paNoError) {
      SetError(error);
      return false;
    }
  }
  uint32_t done = 0;
  const uint32_t frames = bytes / frameSize;
  while (done < frames) {
    const long room = Pa_GetStreamWriteAvailable(stream);
    if (room < 0) {
      SetError(PaError(room));
      return false;
    }
    if (room == 0) {
      std::unique_lock lock(mutex_);
      if (queued_.wait_for(lock, kRoomPoll, [this] { return closing_; })) {
        return true;  // closing: the rest of this buffer is dropped
      }
      continue;
    }
    const uint32_t n = std::min(frames - done, uint32_t(room));
    const PaError error = Pa_WriteStream(stream, scaled_.data() + size_t(done) * frameSize, n);
    if (error == paOutputUnderflowed) {
      underruns_.fetch_add(1);
    } else if (error != paNoError) {
      SetError(error);
      return false;
    }
    done += n;
  }
  return true;
}

}  // namespace tessaly
