#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "analysis/histogram.h"
#include "sound/chord_synth.h"
#include "sound/chunk_renderer.h"
#include "sound/cue_tone.h"
#include "sound/player_host.h"
#include "sound/tone_tables.h"
#include "sound/wave_out.h"

namespace tessaly {

inline constexpr int kPlayerBufferCount = 20;
// The buffer whose clock value is corrected once by the device position.
inline constexpr int kClockCorrectionBuffer = 100;
// How far (in nice steps) the render thread asks to run ahead of the program's
// other threads on Linux; on Windows it asks for "above normal".
inline constexpr int kRenderThreadNiceBoost = 5;

// Waits of the engine, replaceable so that tests run fast and deterministically.
struct PlayerTiming {
  // The pauses of RequestStart (zero: yield) and RequestStop (10 ms).
  std::function<void(std::chrono::milliseconds)> sleep;
  // A device that returns no buffer for this long ends the run (closed).
  std::chrono::milliseconds stallTimeout{2000};
};

// The audio engine: the tone tables and chord synthesis, and the thread that
// renders 100 ms chunks of the playing views into a ring of 20 x 10 ms device
// buffers while keeping the millisecond clock the views follow.
class CPlayer {
 public:
  // Chooses the format from the device's capabilities, allocates the buffers
  // and starts the playback thread. The device must outlive the player.
  explicit CPlayer(WaveOut& device, PlayerTiming timing = {});
  virtual ~CPlayer();
  CPlayer(const CPlayer&) = delete;
  CPlayer& operator=(const CPlayer&) = delete;

  // The dialog that supplies the views and takes the notifications; null
  // detaches it. After SetHost returns the engine no longer uses the old host.
  void SetHost(PlayerHost* host);

  // Transport.
  void RequestStart();
  void RequestStop();
  bool IsRendering() const { return rendering_.load(); }
  // Times the device ran dry in the middle of a run, over all runs so far.
  uint64_t Underruns() const { return underruns_.load(); }
  int32_t ClockMs() const { return clock_.load(); }
  // The clock at which a view that starts playing now joins: the clock of the
  // run going on, or 0 when the next RequestStart begins a new run (no run, or
  // one that is stopping or ending, whose clock is about to go back to 0).
  int32_t StartClockMs();

  // Tone parameters (GUI thread).
  void SetScale(int scale);
  void SetBaseNote(int offset);
  void BuildScaleTable();
  int scaleNumber() const;
  float baseFrequency() const;
  ScaleTable scaleTable() const;
  // The statistics cue over view 0's or 1's chord from the next chunk; dropped
  // when no run is going on, so a cue never sounds late (any thread).
  void RequestCue(int view);

  // Output level of the device: volume 0..100, mute silences.
  void SetVolume(int volume, bool mute);

  // Synthesises one channel of the chunk buffer from weights. It is the
  // render thread's buffer: call only while no run is going on.
  void SynthesizeChannel(int channel, const ChordWeights& weights, int64_t startFrame);
  std::span<const uint8_t> chunk() const { return chunk_; }

  const PcmFormat& format() const { return format_; }
  int32_t chunkSize() const { return chunkSize_; }
  int32_t bufferSize() const { return bufferSize_; }
  // Whole milliseconds one buffer advances the clock.
  int32_t bufferMs() const;

  // Messages of a failed run.
  static constexpr const char* kDeviceErrorText = "Cannot open default audio device";
  static constexpr const char* kDeviceErrorCaption = "Cannot open audio device";

 private:
  void ThreadMain();
  void RunOnce();
  void RenderLoop();
  void RenderChunk(int64_t framesRendered);
  bool QueueChunk();
  void MeasureClockCorrection();
  void OnBufferDone();
  void MarkRunEnding();
  void ReportDeviceError();

  WaveOut& device_;
  PlayerTiming timing_;

  // Format and buffers, fixed at construction.
  PcmFormat format_;
  int32_t chunkSize_ = 0;
  int32_t bufferSize_ = 0;
  bool buffersReady_ = false;
  std::vector<uint8_t> chunk_;
  std::vector<uint8_t> bufferBlock_;  // kPlayerBufferCount data areas of bufferSize_
  std::function<void()> onBufferDone_;

  // Buffers not queued at the device; the device thread gives them back.
  std::mutex bufferMutex_;
  std::condition_variable bufferReturned_;
  int freeCount_ = kPlayerBufferCount;
  bool quitting_ = false;

  // Render thread only.
  int nextBuffer_ = 0;
  int32_t buffersWritten_ = 0;
  int32_t clockCorrection_ = 0;
  ChunkRenderer renderer_;
  ScaleTable chunkScale_{};
  std::array<CueTone, 2> cues_;

  // Read by the GUI thread.
  std::atomic<int32_t> clock_{0};
  std::atomic<bool> rendering_{false};
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> underruns_{0};
  std::atomic<int> cueRequests_{0};  // bit v: view v's cue asked for

  // Run state: what the thread waits for.
  std::mutex stateMutex_;
  std::condition_variable stateChanged_;
  bool playRequested_ = false;
  bool runActive_ = false;
  bool runEnding_ = false;  // the run no longer renders: a start must follow it
  bool quit_ = false;

  // The host, used by the render thread under hostMutex_.
  std::mutex hostMutex_;
  PlayerHost* host_ = nullptr;

  // Tone parameters, written by the GUI thread, copied by the render thread per chunk.
  mutable std::mutex scaleMutex_;
  ScaleTable scaleTable_{};
  float baseFrequency_ = 440.0f;
  int scaleNumber_ = kScaleChromatic;

  std::thread thread_;
};

}  // namespace tessaly
