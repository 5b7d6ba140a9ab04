#include "display/picture_export.h"

#include <algorithm>

#include "samples/checked_file.h"

namespace tessaly {

Raster StackPictures(const Raster& graph, const Raster& strip, int scale) {
  scale = std::max(scale, 1);
  const int width = std::max(graph.width(), strip.width());
  Raster out(width * scale, (graph.height() + strip.height()) * scale);
  auto place = [&](const Raster& part, int top) {
    for (int y = 0; y < part.height(); ++y) {
      for (int x = 0; x < part.width(); ++x) {
        const int px = x * scale;
        const int py = (top + y) * scale;
        out.FillRect(px, py, px + scale, py + scale, part.Pixel(x, y));
      }
    }
  };
  place(graph, 0);
  place(strip, graph.height());
  return out;
}

std::vector<uint8_t> RgbBytes(const Raster& raster) {
  std::vector<uint8_t> rgb;
  rgb.reserve(raster.pixels().size() * 3);
  for (const uint32_t c : raster.pixels()) {
    rgb.push_back(uint8_t(RedOf(c)));
    rgb.push_back(uint8_t(GreenOf(c)));
    rgb.push_back(uint8_t(BlueOf(c)));
  }
  return rgb;
}

bool SavePicture(ImageFileWriter& writer, const Raster& picture, const std::string& path,
                 std::string* error) {
  std::string png;
  if (picture.empty() ||
      !writer.EncodePng(picture.width(), picture.height(), RgbBytes(picture), png)) {
    if (error != nullptr) {
      *error = "Cannot encode the picture of " + path;
    }
    return false;
  }
  return WriteFileChecked(path, png, error);
}

}  // namespace tessaly
