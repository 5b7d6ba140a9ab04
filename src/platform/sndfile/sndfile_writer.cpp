#include "platform/sndfile/sndfile_writer.h"

#ifdef _WIN32
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#include <windows.h>
#endif
#include <sndfile.h>

#include <vector>

namespace tessaly {

SndfileWriter::~SndfileWriter() {
  Close();
}

bool SndfileWriter::FlacAvailable() {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  return sf_format_check(&info) != 0;
}

int SndfileWriter::FileFormat(SoundFileType type, const PcmFormat& format) {
  if (type == SoundFileType::kFlac) {
    return SF_FORMAT_FLAC | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16);
  }
  // RF64, so a WAV past 4 GiB (about 6 h 46 min of 44.1 kHz 16-bit stereo)
  // keeps sizes that fit; Open asks for plain RIFF while the file stays small.
  return SF_FORMAT_RF64 | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
}

bool SndfileWriter::Open(const std::filesystem::path& path, SoundFileType type,
                         const PcmFormat& format) {
  Close();
  SF_INFO info{};
  info.samplerate = format.sampleRate;
  info.channels = format.channels;
  info.format = FileFormat(type, format);
  if (sf_format_check(&info) == 0) {
    error_ = "This sound file format is not available";
    return false;
  }
#ifdef _WIN32
  SNDFILE* file = sf_wchar_open(path.c_str(), SFM_WRITE, &info);
#else
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
#endif
  if (file == nullptr) {
    error_ = sf_strerror(nullptr);
    return false;
  }
  if (type == SoundFileType::kWav) {
    sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  } else {
    // FLAC level 2: fixed predictors and exact stereo choice, all in integers.
    // The higher levels fit LPC coefficients in floating point, whose last bits
    // differ between builds of libFLAC, so the same sound would give different
    // files on Linux and Windows.
    double level = 0.25;
    if (sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof(level)) != SF_TRUE) {
      error_ = sf_strerror(file);
      sf_close(file);
      return false;
    }
  }
  file_ = file;
  format_ = format;
  error_.clear();
  return true;
}

bool SndfileWriter::Write(std::span<const uint8_t> pcm) {
  auto* file = static_cast<SNDFILE*>(file_);
  if (file == nullptr) {
    return false;
  }
  const size_t samples = pcm.size() / size_t(format_.bitsPerSample / 8);
  // libsndfile converts from its own sample types: short for 16-bit, and for
  // 8-bit unsigned PCM the same values moved to the signed range.
  std::vector<short> values(samples);
  for (size_t i = 0; i < samples; ++i) {
    values[i] = format_.bitsPerSample == 8
                    ? short((int(pcm[i]) - 128) * 256)
                    : short(int16_t(uint16_t(pcm[2 * i] | (pcm[2 * i + 1] << 8))));
  }
  const sf_count_t frames = sf_count_t(samples) / format_.channels;
  if (sf_writef_short(file, values.data(), frames) != frames) {
    error_ = sf_strerror(file);
    return false;
  }
  return true;
}

bool SndfileWriter::Close() {
  auto* file = static_cast<SNDFILE*>(file_);
  if (file == nullptr) {
    return true;
  }
  file_ = nullptr;
  if (sf_close(file) != 0) {
    error_ = "The sound file could not be completed";
    return false;
  }
  return true;
}

}  // namespace tessaly
