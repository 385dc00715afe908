#include "window/shade_color.h"

namespace sb::Module1 {

uint32_t ShadeColor(uint32_t color, int amount) {
  auto channel = [amount](uint32_t value) -> uint32_t {
    const int64_t shaded = static_cast<int64_t>(value & 0xFF) + amount;
    if (shaded > 255) return 255;
    if (shaded < 0) return 0;
    return static_cast<uint32_t>(shaded);
  };
  return channel(color) + channel(color >> 8) * 256 + channel(color >> 16) * 65536;
}

}  // namespace sb::Module1
