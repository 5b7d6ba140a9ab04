#pragma once

#include "display/picture_export.h"

namespace tessaly {

// PNG files through stb_image_write.
class StbPngWriter final : public ImageFileWriter {
 public:
  bool WritePng(const std::string& path, int width, int height,
                const std::vector<uint8_t>& rgb) override;
};

}  // namespace tessaly
