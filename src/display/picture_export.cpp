#include "display/picture_export.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

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

bool SavePicture(ImageFileWriter& writer, const Raster& picture, const std::string& path) {
  namespace fs = std::filesystem;
  if (picture.empty()) {
    return false;
  }
  const fs::path target(path);
  std::string name = ".";
  name += target.filename().string();
  name += ".partial";
  const fs::path temporary = target.parent_path() / name;
  std::error_code error;
  if (!writer.WritePng(temporary.string(), picture.width(), picture.height(), RgbBytes(picture))) {
    fs::remove(temporary, error);
    return false;
  }
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace tessaly
