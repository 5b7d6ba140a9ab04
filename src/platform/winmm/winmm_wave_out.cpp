#include "platform/winmm/winmm_wave_out.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <algorithm>
#include <array>
#include <vector>

#include "platform/wintext/win_text.h"
#include "sound/chunk_renderer.h"

namespace tessaly {

struct WinMmWaveOut::Device {
  HWAVEOUT handle = nullptr;
  HANDLE done = nullptr;  // auto-reset; the device sets it for every finished buffer
  std::array<WAVEHDR, kQueueSize> headers{};
  std::array<std::vector<uint8_t>, kQueueSize> data;  // each grows once: buffers have one size
};

namespace {

// The device writes the flags from its own thread.
bool IsDone(WAVEHDR& header) {
  return (std::atomic_ref<DWORD>(header.dwFlags).load() & WHDR_DONE) != 0;
}

}  // namespace

WinMmWaveOut::WinMmWaveOut() : device_(std::make_unique<Device>()) {}

WinMmWaveOut::~WinMmWaveOut() {
  Close();
}

bool WinMmWaveOut::GetCaps(WaveCaps& caps) {
  WAVEOUTCAPSW found{};
  if (waveOutGetDevCapsW(WAVE_MAPPER, &found, sizeof found) != MMSYSERR_NOERROR) {
    return false;
  }
  // A device that names no format or channel would make the engine pick 8 bits.
  const uint32_t formats = found.dwFormats & 0xFFF;
  if (formats == 0 || found.wChannels < 1) {
    return false;
  }
  caps.formats = formats;
  caps.channels = std::min<int32_t>(found.wChannels, 2);
  return true;
}

int WinMmWaveOut::Open(const WaveFormat& format, std::function<void()> onBufferDone) {
  Close();
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = WORD(format.channels);
  wave.nSamplesPerSec = DWORD(format.sampleRate);
  wave.wBitsPerSample = WORD(format.bitsPerSample);
  wave.nBlockAlign = WORD(format.channels * format.bitsPerSample / 8);
  wave.nAvgBytesPerSec = wave.nSamplesPerSec * wave.nBlockAlign;
  HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (done == nullptr) {
    SetError("CreateEventW", MMSYSERR_NOMEM);
    return -int(MMSYSERR_NOMEM);
  }
  HWAVEOUT handle = nullptr;
  const MMRESULT result =
      waveOutOpen(&handle, WAVE_MAPPER, &wave, DWORD_PTR(done), 0, CALLBACK_EVENT);
  if (result != MMSYSERR_NOERROR) {
    CloseHandle(done);
    SetError("waveOutOpen", result);
    return -int(result);
  }
  {
    std::lock_guard lock(errorMutex_);
    lastError_.clear();
  }
  device_->handle = handle;
  device_->done = done;
  device_->headers.fill(WAVEHDR{});
  format_ = format;
  onBufferDone_ = std::move(onBufferDone);
  head_ = tail_ = 0;
  closing_ = false;
  bytesDone_.store(0);
  underruns_.store(0);
  notifier_ = std::thread([this] { NotifierMain(); });
  return 0;
}

bool WinMmWaveOut::Write(const uint8_t* data, uint32_t bytes) {
  std::lock_guard lock(mutex_);
  if (device_->handle == nullptr || head_ - tail_ >= kQueueSize) {
    return false;
  }
  // The buffer before this one has already finished: the device played
  // silence in between.
  if (head_ != 0 && IsDone(device_->headers[(head_ - 1) % kQueueSize])) {
    underruns_.fetch_add(1);
  }
  std::vector<uint8_t>& copy = device_->data[head_ % kQueueSize];
  copy.resize(bytes);
  ApplyOutputLevel(level_.load(std::memory_order_relaxed),
                   {format_.sampleRate, format_.channels, format_.bitsPerSample}, {data, bytes},
                   copy);
  WAVEHDR& header = device_->headers[head_ % kQueueSize];
  header = WAVEHDR{};
  header.lpData = reinterpret_cast<LPSTR>(copy.data());
  header.dwBufferLength = bytes;
  MMRESULT result = waveOutPrepareHeader(device_->handle, &header, sizeof header);
  if (result != MMSYSERR_NOERROR) {
    SetError("waveOutPrepareHeader", result);
    return false;
  }
  result = waveOutWrite(device_->handle, &header, sizeof header);
  if (result != MMSYSERR_NOERROR) {
    waveOutUnprepareHeader(device_->handle, &header, sizeof header);
    SetError("waveOutWrite", result);
    return false;
  }
  ++head_;
  return true;
}

WavePosition WinMmWaveOut::Position() {
  if (device_->handle != nullptr) {
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(device_->handle, &time, sizeof time) == MMSYSERR_NOERROR) {
      if (time.wType == TIME_BYTES) {
        return {WavePosition::kBytes, time.u.cb};
      }
      if (time.wType == TIME_MS) {
        return {WavePosition::kMilliseconds, time.u.ms};
      }
    }
  }
  return {WavePosition::kBytes, bytesDone_.load()};
}

void WinMmWaveOut::SetLevel(uint32_t level) {
  level_.store(level);
}

void WinMmWaveOut::Close() {
  if (device_->handle == nullptr) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  SetEvent(device_->done);
  notifier_.join();
  // Returns every queued buffer at once; none is reported any more.
  waveOutReset(device_->handle);
  for (WAVEHDR& header : device_->headers) {
    if ((header.dwFlags & WHDR_PREPARED) != 0) {
      waveOutUnprepareHeader(device_->handle, &header, sizeof header);
    }
  }
  waveOutClose(device_->handle);
  CloseHandle(device_->done);
  device_->handle = nullptr;
  device_->done = nullptr;
  onBufferDone_ = nullptr;
  head_ = tail_ = 0;
}

std::string WinMmWaveOut::LastError() const {
  std::lock_guard lock(errorMutex_);
  return lastError_;
}

void WinMmWaveOut::SetError(const char* call, unsigned result) {
  wchar_t text[MAXERRORLENGTH] = {};
  std::string message = std::string(call) + " failed (" + std::to_string(result) + ")";
  if (waveOutGetErrorTextW(result, text, MAXERRORLENGTH) == MMSYSERR_NOERROR && text[0] != 0) {
    message += ": " + Narrow(text);
  }
  std::lock_guard lock(errorMutex_);
  lastError_ = std::move(message);
}

// Reports finished buffers in the order they were written. The device sets the
// event once per buffer, but a wake-up may find several done, or none.
void WinMmWaveOut::NotifierMain() {
  for (;;) {
    WaitForSingleObject(device_->done, INFINITE);
    for (;;) {
      uint32_t bytes = 0;
      {
        std::lock_guard lock(mutex_);
        if (closing_) {
          return;
        }
        WAVEHDR& header = device_->headers[tail_ % kQueueSize];
        if (tail_ == head_ || !IsDone(header)) {
          break;
        }
        waveOutUnprepareHeader(device_->handle, &header, sizeof header);
        bytes = header.dwBufferLength;
        ++tail_;
      }
      bytesDone_.fetch_add(bytes);
      if (onBufferDone_) {
        onBufferDone_();
      }
    }
  }
}

}  // namespace tessaly
