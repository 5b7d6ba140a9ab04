#pragma once

#include <string>

#include "sound/offline_render.h"

namespace tessaly {

// Sound files through libsndfile: 16-bit (or 8-bit) PCM WAV, or FLAC when the
// path ends in ".flac" and the library was built with it.
class SndfileWriter final : public SoundFileWriter {
 public:
  SndfileWriter() = default;
  ~SndfileWriter() override;
  SndfileWriter(const SndfileWriter&) = delete;
  SndfileWriter& operator=(const SndfileWriter&) = delete;

  bool Open(const std::string& path, const PcmFormat& format) override;
  bool Write(std::span<const uint8_t> pcm) override;
  bool Close() override;
  std::string LastError() const override { return error_; }

  // Whether FLAC files can be written.
  static bool FlacAvailable();

 private:
  void* file_ = nullptr;  // SNDFILE
  PcmFormat format_;
  std::string error_;
};

}  // namespace tessaly
