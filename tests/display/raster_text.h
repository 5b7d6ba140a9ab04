#pragma once

// Pictures as text for the painters' tests: one letter a pixel.

#include <cstdint>
#include <string>

#include "display/raster.h"

namespace tessaly {

constexpr uint32_t kUnpainted = 0x00123456;  // not a colour any painter makes
constexpr uint32_t kFace = 0x00C8D0D4;

// Line y from x = from to to: g, r, b for the one-sample colours of 100, 50 and
// 150 (and the panel's marker lines), # black, . face, ? anything else.
inline std::string Line(const Raster& r, int y, int from, int to) {
  std::string s;
  for (int x = from; x < to; ++x) {
    const uint32_t c = r.Pixel(x, y);
    s += c == Rgb(0, 255, 0)   ? 'g'
         : c == Rgb(255, 0, 0) ? 'r'
         : c == Rgb(0, 0, 255) ? 'b'
         : c == kBlack         ? '#'
         : c == kFace          ? '.'
                               : '?';
  }
  return s;
}

}  // namespace tessaly
