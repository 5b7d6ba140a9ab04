#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tessaly {

class SampleStore;

// What the audio engine reads of one view's main view while it plays. Called
// on the audio thread while the GUI thread changes the values, so every
// getter must be safe to call from another thread (each reader tolerates a
// value one chunk old).
class PlayerViewState {
 public:
  virtual ~PlayerViewState() = default;
  virtual bool playing() const = 0;
  virtual bool soundOn() const = 0;  // the view's "♫♫♫" box
  virtual const SampleStore* store() const = 0;
  virtual int64_t playStartPosition() const = 0;  // the view's position when Play was pressed
  virtual int32_t playStartMs() const = 0;        // the engine clock then, in whole seconds
  virtual uint32_t station() const = 0;           // "Site1" / "Site2"
  virtual int32_t valuesN() const = 0;            // "Values (Notes)"
};

// The playback fields as atomics: a ready-made PlayerViewState for a view to
// hold (or for tests).
class PlayerViewFields : public PlayerViewState {
 public:
  bool playing() const override { return playing_.load(); }
  bool soundOn() const override { return soundOn_.load(); }
  const SampleStore* store() const override { return store_.load(); }
  int64_t playStartPosition() const override { return playStartPosition_.load(); }
  int32_t playStartMs() const override { return playStartMs_.load(); }
  uint32_t station() const override { return station_.load(); }
  int32_t valuesN() const override { return valuesN_.load(); }

  void SetPlaying(bool v) { playing_.store(v); }
  void SetSoundOn(bool v) { soundOn_.store(v); }
  void SetStore(const SampleStore* v) { store_.store(v); }
  void SetPlayStartPosition(int64_t v) { playStartPosition_.store(v); }
  void SetPlayStartMs(int32_t v) { playStartMs_.store(v); }
  void SetStation(uint32_t v) { station_.store(v); }
  void SetValuesN(int32_t v) { valuesN_.store(v); }

 private:
  std::atomic<bool> playing_{false};
  std::atomic<bool> soundOn_{false};
  std::atomic<const SampleStore*> store_{nullptr};
  std::atomic<int64_t> playStartPosition_{0};
  std::atomic<int32_t> playStartMs_{0};
  std::atomic<uint32_t> station_{1};
  std::atomic<int32_t> valuesN_{3};
};

// The engine's way up to the dialog. Every call comes on the audio thread and
// must not wait for the GUI thread (post, don't block).
class PlayerHost {
 public:
  virtual ~PlayerHost() = default;
  // View 1 (0) or View 2 (1) main view; null when there is none.
  virtual const PlayerViewState* PlayerView(int view) const = 0;
  // The "SoundFade" setting: 0 "None", 1 "Fade-out", 2 "Fade-in".
  virtual int SoundFade() const = 0;
  // WM_APP_PLAYER_STOPPED: a run has ended and the engine's counters are reset.
  virtual void OnPlayerStopped() = 0;
  // A message box for the dialog (text, caption, OK button); detail: the
  // audio library's words for the cause.
  virtual void ShowPlayerMessage(const std::string& text, const std::string& caption,
                                 const std::string& detail) = 0;
};

}  // namespace tessaly
