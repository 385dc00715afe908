#include "download/download_icon.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sb {

namespace {

// Premultiplied BGRA of one pixel of the icon, with 1-pixel antialiasing at the disc's rim.
uint32_t IconPixel(int x, int y, int size) {
  double c = (size - 1) / 2.0, r = size / 2.0 - 0.5;
  double dx = x - c, dy = y - c;
  double cover = std::clamp(r - std::sqrt(dx * dx + dy * dy) + 0.5, 0.0, 1.0);
  if (cover <= 0) return 0;
  // Arrow: a shaft in the middle third and a head below it.
  double u = static_cast<double>(x) / size, v = static_cast<double>(y) / size;
  bool shaft = u > 0.42 && u < 0.58 && v > 0.2 && v < 0.55;
  bool head = v >= 0.5 && v < 0.78 && std::abs(u - 0.5) < (0.78 - v) * 0.95;
  bool bar = v > 0.8 && v < 0.86 && u > 0.28 && u < 0.72;
  uint8_t red = 0x00, green = 0x80, blue = 0x80;
  if (shaft || head || bar) red = green = blue = 0xFF;
  auto a = static_cast<uint8_t>(cover * 255);
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(red * a / 255) << 16) |
         (static_cast<uint32_t>(green * a / 255) << 8) | static_cast<uint32_t>(blue * a / 255);
}

}  // namespace

UniqueIcon MakeDownloadIcon(int size) {
  BITMAPV5HEADER h{};
  h.bV5Size = sizeof h;
  h.bV5Width = size;
  h.bV5Height = -size;
  h.bV5Planes = 1;
  h.bV5BitCount = 32;
  h.bV5Compression = BI_BITFIELDS;
  h.bV5RedMask = 0x00FF0000;
  h.bV5GreenMask = 0x0000FF00;
  h.bV5BlueMask = 0x000000FF;
  h.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  WindowDc screen = WindowDc::Client(nullptr);
  UniqueBitmap colour(CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits,
                                       nullptr, 0));
  if (!colour || !bits) return UniqueIcon();
  auto* px = static_cast<uint32_t*>(bits);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) px[y * size + x] = IconPixel(x, y, size);
  std::vector<uint8_t> opaque(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
  UniqueBitmap mask(CreateBitmap(size, size, 1, 1, opaque.data()));
  ICONINFO ii{TRUE, 0, 0, mask.get(), colour.get()};
  return UniqueIcon(CreateIconIndirect(&ii));
}

}  // namespace sb
