#include "display/raster.h"

#include <algorithm>
#include <cstring>

namespace tessaly {

Raster::Raster(int width, int height, uint32_t colour) {
  if (width > 0 && height > 0) {
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height), colour);
  }
}

uint32_t Raster::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return kBlack;
  }
  return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void Raster::SetPixel(int x, int y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return;
  }
  pixels_[size_t(y) * size_t(width_) + size_t(x)] = colour;
}

void Raster::FillRect(int left, int top, int right, int bottom, uint32_t colour) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  if (left >= right || top >= bottom) {
    return;
  }
  for (int y = top; y < bottom; ++y) {
    uint32_t* row = pixels_.data() + size_t(y) * size_t(width_);
    std::fill(row + left, row + right, colour);
  }
}

void Raster::Move(int srcX, int srcY, int w, int h, int dstX, int dstY) {
  // Clip the pair of areas so that both lie inside the image; 64-bit sums keep
  // extreme arguments from wrapping.
  int64_t sx = srcX, sy = srcY, dx = dstX, dy = dstY, cw = w, ch = h;
  const auto clipStart = [](int64_t& s, int64_t& d, int64_t& len) {
    const int64_t cut = std::max<int64_t>({0, -s, -d});
    s += cut;
    d += cut;
    len -= cut;
  };
  const auto clipEnd = [](int64_t s, int64_t d, int64_t& len, int64_t limit) {
    len = std::min({len, limit - s, limit - d});
  };
  clipStart(sx, dx, cw);
  clipStart(sy, dy, ch);
  clipEnd(sx, dx, cw, width_);
  clipEnd(sy, dy, ch, height_);
  if (cw <= 0 || ch <= 0) {
    return;
  }
  const size_t stride = size_t(width_);
  const size_t bytes = size_t(cw) * sizeof(uint32_t);
  // Rows in the order that never overwrites a row still to be read.
  if (dy <= sy) {
    for (int64_t r = 0; r < ch; ++r) {
      std::memmove(pixels_.data() + size_t(dy + r) * stride + size_t(dx),
                   pixels_.data() + size_t(sy + r) * stride + size_t(sx), bytes);
    }
  } else {
    for (int64_t r = ch - 1; r >= 0; --r) {
      std::memmove(pixels_.data() + size_t(dy + r) * stride + size_t(dx),
                   pixels_.data() + size_t(sy + r) * stride + size_t(sx), bytes);
    }
  }
}

}  // namespace tessaly
