#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/raster.h"

namespace tessaly {

// How a saved picture is encoded: PNG through stb_image_write.
class ImageFileWriter {
 public:
  virtual ~ImageFileWriter() = default;
  // Encodes width x height pixels of 8-bit RGB, top row first, as PNG bytes.
  virtual bool EncodePng(int width, int height, const std::vector<uint8_t>& rgb,
                         std::string& png) = 0;
};

// A view's picture as saved: its graph above its strip (left-aligned, black
// where one is narrower), every pixel repeated scale x scale times.
Raster StackPictures(const Raster& graph, const Raster& strip, int scale);

// The raster's pixels as 8-bit RGB, top row first.
std::vector<uint8_t> RgbBytes(const Raster& raster);

// Writes the raster as PNG at path (UTF-8) through a CheckedFile, so a failed
// write leaves nothing under path. error says why it failed.
bool SavePicture(ImageFileWriter& writer, const Raster& picture, const std::string& path,
                 std::string* error);

}  // namespace tessaly
