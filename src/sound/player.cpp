#include "sound/player.h"

#include <algorithm>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <windows.h>
#elif defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tessaly {

namespace {

void DefaultSleep(std::chrono::milliseconds ms) {
  if (ms.count() <= 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(ms);
  }
}

// The sound must not wait behind the window or the fetches: the render thread
// asks for more than normal priority and runs on at normal where refused.
void RaiseRenderThreadPriority() {
#ifdef _WIN32
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
#elif defined(__linux__)
  // On Linux a nice value belongs to the thread.
  const auto thread = id_t(syscall(SYS_gettid));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, thread);
  if (errno == 0) {
    setpriority(PRIO_PROCESS, thread, std::max(nice - kRenderThreadNiceBoost, -20));
  }
#endif
}

PcmFormat ChooseFormat(WaveOut& device) {
  PcmFormat format;  // 44100 Hz, stereo, 16 bits unless the device says otherwise
  WaveCaps caps;
  if (!device.GetCaps(caps)) {
    return format;
  }
  if (caps.formats & kWaveFormats44k) {
    format.sampleRate = 44100;
  } else if (caps.formats & kWaveFormats22k) {
    format.sampleRate = 22050;
  } else if (caps.formats & kWaveFormats11k) {
    format.sampleRate = 11025;
  }
  format.bitsPerSample = (caps.formats & kWaveFormats16Bit) ? 16 : 8;
  // A device reporting no channels still gets one: a frame must have a size.
  format.channels = std::clamp(caps.channels, 1, 2);
  return format;
}

}  // namespace

CPlayer::CPlayer(WaveOut& device, PlayerTiming timing)
    : device_(device),
      timing_(std::move(timing)),
      format_(ChooseFormat(device)),
      renderer_(format_) {
  if (!timing_.sleep) {
    timing_.sleep = DefaultSleep;
  }
  chunkSize_ = format_.ChunkFrames() * format_.FrameSize();
  bufferSize_ = format_.sampleRate / 100 * format_.FrameSize();
  try {
    chunk_.assign(size_t(chunkSize_), 0);
    bufferBlock_.assign(size_t(bufferSize_) * kPlayerBufferCount, 0);
    buffersReady_ = true;
  } catch (const std::bad_alloc&) {
    // Without buffers every run fails like a device that cannot be opened.
    chunk_.clear();
    bufferBlock_.clear();
    buffersReady_ = false;
  }
  onBufferDone_ = [this] { OnBufferDone(); };
  scaleTable_ = ChromaticScale(baseFrequency_);
  thread_ = std::thread([this] { ThreadMain(); });
}

CPlayer::~CPlayer() {
  {
    std::lock_guard lock(stateMutex_);
    if (runActive_) {
      stop_.store(true);
    }
    playRequested_ = false;
    quit_ = true;
  }
  stateChanged_.notify_all();
  {
    // Shutting down does not wait for the device to return a buffer.
    std::lock_guard lock(bufferMutex_);
    quitting_ = true;
  }
  bufferReturned_.notify_all();
  // Every wait of the render thread is bounded by the stall time-out, so the
  // run ends and the thread returns.
  if (thread_.joinable()) {
    thread_.join();
  }
}

void CPlayer::SetHost(PlayerHost* host) {
  std::lock_guard lock(hostMutex_);
  host_ = host;
}

void CPlayer::RequestStart() {
  {
    std::lock_guard lock(stateMutex_);
    // A run that is going on takes the view in at its next reload. A run that
    // is stopping or ending by itself is followed by a new one.
    if (!runActive_ || stop_.load() || runEnding_) {
      playRequested_ = true;
    }
  }
  stateChanged_.notify_all();
  timing_.sleep(std::chrono::milliseconds(0));
}

int32_t CPlayer::StartClockMs() {
  std::lock_guard lock(stateMutex_);
  // The same test RequestStart makes to decide on a new run.
  if (!runActive_ || stop_.load() || runEnding_) {
    return 0;
  }
  return clock_.load();
}

void CPlayer::RequestStop() {
  {
    std::lock_guard lock(stateMutex_);
    // Only a run in progress is stopped; an idle engine keeps no stale flag.
    if (runActive_) {
      stop_.store(true);
    }
    playRequested_ = false;
  }
  stateChanged_.notify_all();
  timing_.sleep(std::chrono::milliseconds(10));
}

void CPlayer::ThreadMain() {
  RaiseRenderThreadPriority();
  for (;;) {
    {
      std::unique_lock lock(stateMutex_);
      stateChanged_.wait(lock, [this] { return quit_ || playRequested_; });
      if (quit_) {
        return;
      }
      playRequested_ = false;
      runActive_ = true;
      runEnding_ = false;
      stop_.store(false);
    }
    RunOnce();
    {
      std::lock_guard lock(stateMutex_);
      rendering_.store(false);
      stop_.store(false);
      clock_.store(0);
      runActive_ = false;
      runEnding_ = false;
    }
    stateChanged_.notify_all();
    std::lock_guard lock(hostMutex_);
    if (host_ != nullptr) {
      host_->OnPlayerStopped();
    }
  }
}

void CPlayer::RunOnce() {
  buffersWritten_ = 0;
  clockCorrection_ = 0;
  if (!buffersReady_) {
    MarkRunEnding();
    ReportDeviceError();
    return;
  }
  const WaveFormat wave{format_.sampleRate, format_.channels, format_.bitsPerSample};
  if (device_.Open(wave, onBufferDone_) != 0) {
    MarkRunEnding();
    ReportDeviceError();
    return;
  }
  RenderLoop();
  MarkRunEnding();
  underruns_.fetch_add(device_.Underruns());
  // Each run closes its own device; what was still queued is dropped with it.
  device_.Close();
  std::lock_guard lock(bufferMutex_);
  freeCount_ = kPlayerBufferCount;
}

void CPlayer::MarkRunEnding() {
  std::lock_guard lock(stateMutex_);
  runEnding_ = true;
}

void CPlayer::ReportDeviceError() {
  std::lock_guard lock(hostMutex_);
  if (host_ != nullptr) {
    host_->ShowPlayerMessage(kDeviceErrorText, kDeviceErrorCaption,
                             buffersReady_ ? device_.LastError() : "Out of memory");
  }
}

void CPlayer::RenderLoop() {
  clock_.store(0);
  if (stop_.load()) {
    return;
  }
  const int64_t frames = format_.ChunkFrames();
  int64_t rendered = 0;  // frames of this run
  renderer_.Start();
  cueRequests_.store(0);  // a cue asked for before this run is stale
  cues_ = {};
  for (;;) {
    RenderChunk(rendered);
    if (!QueueChunk()) {
      return;
    }
    rendered += frames;
    if (stop_.load()) {
      return;
    }
  }
}

void CPlayer::RenderChunk(int64_t framesRendered) {
  {
    std::lock_guard lock(scaleMutex_);
    chunkScale_ = scaleTable_;
  }
  std::array<bool, 2> sounds{};
  {
    std::lock_guard lock(hostMutex_);
    if (renderer_.ReloadDue(framesRendered)) {
      renderer_.Reload(host_, framesRendered);
    }
    sounds = SoundingViews(host_);
  }
  renderer_.Synthesize(sounds, chunkScale_, framesRendered, chunk_);
  const int requests = cueRequests_.exchange(0);
  for (int v = 0; v < 2; ++v) {
    if ((requests >> v & 1) != 0) {
      cues_[size_t(v)].Start(v);
    }
    cues_[size_t(v)].MixInto(format_, chunk_);
  }
}

void CPlayer::RequestCue(int view) {
  if (rendering_.load()) {
    cueRequests_.fetch_or(1 << (view & 1));
  }
}

bool CPlayer::QueueChunk() {
  rendering_.store(true);
  int32_t remaining = chunkSize_;
  const uint8_t* read = chunk_.data();
  const int32_t bufferMs = this->bufferMs();
  while (remaining > 0) {
    if (stop_.load()) {
      return false;  // the rest of the chunk is dropped
    }
    uint8_t* data = bufferBlock_.data() + size_t(nextBuffer_) * size_t(bufferSize_);
    const int32_t n = std::min(remaining, bufferSize_);
    std::memcpy(data, read, size_t(n));
    read += n;
    remaining -= n;
    {
      std::lock_guard lock(bufferMutex_);
      --freeCount_;
    }
    if (!device_.Write(data, uint32_t(n))) {
      return false;  // a device that refuses buffers ends the run
    }
    {
      // Wait for the device to return a buffer; one that returns none for the
      // stall time ends the run.
      std::unique_lock lock(bufferMutex_);
      if (!bufferReturned_.wait_for(lock, timing_.stallTimeout,
                                    [this] { return freeCount_ > 0 || quitting_; }) ||
          quitting_) {
        return false;
      }
    }
    if (buffersWritten_ == kClockCorrectionBuffer) {
      MeasureClockCorrection();
    }
    clock_.store(bufferMs * buffersWritten_ - clockCorrection_);
    nextBuffer_ = (nextBuffer_ + 1) % kPlayerBufferCount;
    ++buffersWritten_;
  }
  return true;
}

void CPlayer::MeasureClockCorrection() {
  const WavePosition position = device_.Position();
  int64_t ms = 0;
  if (position.unit == WavePosition::kMilliseconds) {
    ms = int64_t(position.value);
  } else if (position.unit == WavePosition::kBytes) {
    const int64_t frames = int64_t(position.value) / format_.FrameSize();
    if (position.value < 1000000) {
      ms = frames * 1000 / format_.sampleRate;
    } else {
      ms = frames / (format_.sampleRate / 1000);
    }
  }
  clockCorrection_ = static_cast<int32_t>(ms - 10);
}

void CPlayer::OnBufferDone() {
  {
    std::lock_guard lock(bufferMutex_);
    if (freeCount_ < kPlayerBufferCount) {
      ++freeCount_;
    }
  }
  bufferReturned_.notify_one();
}

int32_t CPlayer::bufferMs() const {
  return bufferSize_ / format_.FrameSize() * 1000 / format_.sampleRate;
}

void CPlayer::SetScale(int scale) {
  std::lock_guard lock(scaleMutex_);
  scaleNumber_ = scale;
  BuildScale(scaleNumber_, baseFrequency_, scaleTable_);
}

void CPlayer::SetBaseNote(int offset) {
  {
    std::lock_guard lock(scaleMutex_);
    // A hand-edited offset must not index outside the reference table.
    offset = std::clamp(offset, kBaseNoteMin, kBaseNoteMax);
    baseFrequency_ = ReferenceScale()[size_t(kScaleRoot + offset)];
  }
  SetScale(scaleNumber());
}

void CPlayer::BuildScaleTable() {
  std::lock_guard lock(scaleMutex_);
  BuildScale(scaleNumber_, baseFrequency_, scaleTable_);
}

int CPlayer::scaleNumber() const {
  std::lock_guard lock(scaleMutex_);
  return scaleNumber_;
}

float CPlayer::baseFrequency() const {
  std::lock_guard lock(scaleMutex_);
  return baseFrequency_;
}

ScaleTable CPlayer::scaleTable() const {
  std::lock_guard lock(scaleMutex_);
  return scaleTable_;
}

void CPlayer::SetVolume(int volume, bool mute) {
  device_.SetLevel(OutputLevel(volume, mute));
}

void CPlayer::SynthesizeChannel(int channel, const ChordWeights& weights, int64_t startFrame) {
  if (!buffersReady_) {
    return;
  }
  renderer_.synth().SynthesizeChannel(chunk_, format_, channel, weights, scaleTable(), startFrame);
}

}  // namespace tessaly
