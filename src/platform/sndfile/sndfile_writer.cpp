#include "platform/sndfile/sndfile_writer.h"

#include <sndfile.h>

#include <vector>

namespace tessaly {

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

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

bool SndfileWriter::Open(const std::string& path, const PcmFormat& format) {
  Close();
  SF_INFO info{};
  info.samplerate = format.sampleRate;
  info.channels = format.channels;
  if (EndsWith(path, ".flac")) {
    info.format =
        SF_FORMAT_FLAC | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16);
  } else {
    info.format = SF_FORMAT_WAV | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
  }
  if (sf_format_check(&info) == 0) {
    error_ = "This sound file format is not available";
    return false;
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    error_ = sf_strerror(nullptr);
    return false;
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
