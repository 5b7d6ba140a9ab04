#pragma once

#include <string>

#include "sound/offline_render.h"

namespace tessaly {

// Sound files through libsndfile: 16-bit (or 8-bit) PCM WAV (RF64 once the data
// passes 4 GiB), or FLAC when the library was built with it.
class SndfileWriter final : public SoundFileWriter {
 public:
  SndfileWriter() = default;
  ~SndfileWriter() override;
  SndfileWriter(const SndfileWriter&) = delete;
  SndfileWriter& operator=(const SndfileWriter&) = delete;

  bool Open(const std::filesystem::path& path, SoundFileType type,
            const PcmFormat& format) override;
  bool Write(std::span<const uint8_t> pcm) override;
  bool Close() override;
  std::string LastError() const override { return error_; }

  // Whether FLAC files can be written.
  static bool FlacAvailable();
  // The libsndfile format (SF_FORMAT_*) a file of type is written in.
  static int FileFormat(SoundFileType type, const PcmFormat& format);

 private:
  void* file_ = nullptr;  // SNDFILE
  PcmFormat format_;
  std::string error_;
};

}  // namespace tessaly
