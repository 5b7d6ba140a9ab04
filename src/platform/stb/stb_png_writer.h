#pragma once

#include "display/picture_export.h"

namespace tessaly {

// PNG through stb_image_write.
class StbPngWriter final : public ImageFileWriter {
 public:
  bool EncodePng(int width, int height, const std::vector<uint8_t>& rgb, std::string& png) override;
};

}  // namespace tessaly
