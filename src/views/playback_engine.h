#pragma once

#include <cstdint>

#include "sound/player.h"
#include "sound/player_host.h"

namespace tessaly {

// What the views ask of the audio engine: its transport, its clock and its
// tone and level settings. CPlayer is the engine; the port lets the views be
// measured and tested against a clock the caller moves.
class PlaybackEngine {
 public:
  virtual ~PlaybackEngine() = default;
  virtual void RequestStart() = 0;
  virtual void RequestStop() = 0;
  virtual bool IsRendering() const = 0;
  virtual int32_t ClockMs() const = 0;
  // The clock a view that starts playing now begins at (0 for a new run).
  virtual int32_t StartClockMs() = 0;
  virtual void SetScale(int scale) = 0;
  virtual void SetBaseNote(int offset) = 0;
  virtual void SetVolume(int volume, bool mute) = 0;
  virtual void SetHost(PlayerHost* host) = 0;
};

// The engine of the program.
class PlayerEngine final : public PlaybackEngine {
 public:
  explicit PlayerEngine(CPlayer& player) : player_(player) {}
  void RequestStart() override { player_.RequestStart(); }
  void RequestStop() override { player_.RequestStop(); }
  bool IsRendering() const override { return player_.IsRendering(); }
  int32_t ClockMs() const override { return player_.ClockMs(); }
  int32_t StartClockMs() override { return player_.StartClockMs(); }
  void SetScale(int scale) override { player_.SetScale(scale); }
  void SetBaseNote(int offset) override { player_.SetBaseNote(offset); }
  void SetVolume(int volume, bool mute) override { player_.SetVolume(volume, mute); }
  void SetHost(PlayerHost* host) override { player_.SetHost(host); }

 private:
  CPlayer& player_;
};

}  // namespace tessaly
