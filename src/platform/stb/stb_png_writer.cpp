#include "platform/stb/stb_png_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace tessaly {

bool StbPngWriter::EncodePng(int width, int height, const std::vector<uint8_t>& rgb,
                             std::string& png) {
  png.clear();
  if (width <= 0 || height <= 0 || rgb.size() != size_t(width) * size_t(height) * 3) {
    return false;
  }
  // Into memory: stb's own file writing ignores failed writes, so the file is
  // written by the caller's checked path.
  auto append = [](void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size_t(size));
  };
  return stbi_write_png_to_func(append, &png, width, height, 3, rgb.data(), width * 3) != 0 &&
         !png.empty();
}

}  // namespace tessaly
