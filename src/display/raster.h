#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly {

// Colours are 0x00BBGGRR, as the colour maps compute them.
inline constexpr uint32_t kBlack = 0x000000;

inline constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return (b & 0xFF) << 16 | (g & 0xFF) << 8 | (r & 0xFF);
}
inline constexpr uint32_t RedOf(uint32_t c) {
  return c & 0xFF;
}
inline constexpr uint32_t GreenOf(uint32_t c) {
  return (c >> 8) & 0xFF;
}
inline constexpr uint32_t BlueOf(uint32_t c) {
  return (c >> 16) & 0xFF;
}

// A width x height image of 0x00BBGGRR pixels, row-major, top row first: the
// back buffer of a picture and the surface the strips and panels are drawn on.
// Every drawing call clips to the image, so painters may pass any coordinates.
class Raster {
 public:
  Raster() = default;
  // A negative size gives an empty image.
  Raster(int width, int height, uint32_t colour = kBlack);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return pixels_.empty(); }

  // kBlack outside the image.
  uint32_t Pixel(int x, int y) const;
  const uint32_t* Row(int y) const { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
  const std::vector<uint32_t>& pixels() const { return pixels_; }

  void SetPixel(int x, int y, uint32_t colour);
  // Fills x in [left, right), y in [top, bottom).
  void FillRect(int left, int top, int right, int bottom, uint32_t colour);
  void Fill(uint32_t colour) { FillRect(0, 0, width_, height_, colour); }
  // Copies the w x h area at (srcX, srcY) to (dstX, dstY) within the image, as
  // a blit inside one bitmap does; the areas may overlap. Parts outside the
  // image are neither read nor written.
  void Move(int srcX, int srcY, int w, int h, int dstX, int dstY);

  bool operator==(const Raster& other) const = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

}  // namespace tessaly
