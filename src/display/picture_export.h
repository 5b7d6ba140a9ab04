#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/raster.h"

namespace tessaly {

// Where a saved picture goes: a PNG file (stb_image_write), or memory in tests.
class ImageFileWriter {
 public:
  virtual ~ImageFileWriter() = default;
  // Writes width x height pixels of 8-bit RGB, top row first, as PNG at path.
  virtual bool WritePng(const std::string& path, int width, int height,
                        const std::vector<uint8_t>& rgb) = 0;
};

// A view's picture as saved: its graph above its strip (left-aligned, black
// where one is narrower), every pixel repeated scale x scale times.
Raster StackPictures(const Raster& graph, const Raster& strip, int scale);

// The raster's pixels as 8-bit RGB, top row first.
std::vector<uint8_t> RgbBytes(const Raster& raster);

// Writes the raster as PNG under a temporary name beside path and renames it,
// so a failed write leaves nothing under path.
bool SavePicture(ImageFileWriter& writer, const Raster& picture, const std::string& path);

}  // namespace tessaly
