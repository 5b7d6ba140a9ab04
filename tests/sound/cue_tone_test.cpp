#include "sound/cue_tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

namespace tessaly {
namespace {

// The cue over silence, chunk by chunk as the player mixes it, for each format:
// only its channel sounds, for exactly a quarter second, soft, at its pitch.
TEST(CueToneTest, SoundsAQuarterSecondSoftlyOnItsChannelOnlyAndClipsAtFullScale) {
  struct Case {
    PcmFormat format;
    int channel;
    int silence;  // the format's zero
    int fullScale;
  };
  for (const Case& c : {Case{{44100, 2, 16}, 1, 0, 32767}, Case{{22050, 2, 16}, 0, 0, 32767},
                        Case{{11025, 1, 8}, 1, 128, 127}}) {
    SCOPED_TRACE(c.format.sampleRate);
    const int bytes = c.format.bitsPerSample / 8;
    std::vector<int> heard[2];
    CueTone cue;
    EXPECT_FALSE(cue.active());
    cue.Start(c.channel);
    for (int chunk = 0; chunk < 4; ++chunk) {
      // One frame more than the chunk it is given, which it must leave alone.
      const size_t frame = size_t(c.format.FrameSize());
      std::vector<uint8_t> pcm(size_t(c.format.ChunkFrames()) * frame + frame, uint8_t(c.silence));
      cue.MixInto(c.format, std::span(pcm).first(pcm.size() - frame));
      ASSERT_EQ(std::count(pcm.end() - long(frame), pcm.end(), uint8_t(c.silence)), long(frame));
      for (size_t at = 0; at + frame < pcm.size(); at += size_t(bytes)) {
        const int value = bytes == 2 ? int16_t(uint16_t(pcm[at] | pcm[at + 1] << 8)) : pcm[at];
        heard[(at / size_t(bytes)) % size_t(c.format.channels)].push_back(value - c.silence);
      }
    }
    EXPECT_FALSE(cue.active());
    const bool stereo = c.format.channels == 2;
    const std::vector<int>& tone = heard[stereo ? c.channel : 0];
    const std::vector<int>& other = heard[stereo ? 1 - c.channel : 1];  // empty in mono
    EXPECT_EQ(std::count(other.begin(), other.end(), 0), long(other.size()));
    const size_t length = size_t(c.format.sampleRate / 4);
    int peak = 0;
    int crossings = 0;
    for (size_t i = 0; i < tone.size(); ++i) {
      if (i >= length) {
        ASSERT_EQ(tone[i], 0) << i;
      }
      peak = std::max(peak, std::abs(tone[i]));
      crossings += i > 0 && (tone[i - 1] < 0) != (tone[i] < 0) ? 1 : 0;
    }
    EXPECT_LE(peak, int(0.12 * c.fullScale) + 1);
    EXPECT_GE(peak, int(0.10 * c.fullScale));
    // 2637 Hz for 0.25 s: about 1318 sign changes (8 bits round the soft ends to 0).
    if (c.format.bitsPerSample == 16) {
      EXPECT_NEAR(crossings, 1318, 8);
    }
  }
  // Over a loud chord (32752) the tone's positive half clips at full scale and
  // its negative half goes into the chord; nothing wraps round.
  const PcmFormat format{44100, 1, 16};
  std::vector<uint8_t> pcm;
  for (int i = 0; i < format.ChunkFrames(); ++i) {
    pcm.insert(pcm.end(), {0xF0, 0x7F});
  }
  CueTone cue;
  cue.Start(0);
  cue.MixInto(format, pcm);
  std::vector<int> mixed;
  for (size_t i = 0; i < pcm.size(); i += 2) {
    mixed.push_back(int16_t(uint16_t(pcm[i] | pcm[i + 1] << 8)));
  }
  const auto [lowest, highest] = std::minmax_element(mixed.begin(), mixed.end());
  EXPECT_EQ(*highest, 32767);
  EXPECT_LT(*lowest, 32752 - 3000);
  EXPECT_GT(*lowest, 32752 - 4000);
}

}  // namespace
}  // namespace tessaly
