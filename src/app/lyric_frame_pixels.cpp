#include "app/lyric_frame_pixels.h"

#include <algorithm>
#include <array>

namespace sb {
namespace {

uint32_t Channel(uint32_t rgb, int shift) { return (rgb >> shift) & 0xFF; }

// a * b / 255, rounded, for 0..255 values.
uint32_t Mul(uint32_t a, uint32_t b) {
  const uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// A premultiplied pixel: `top` at alpha `ta` over `under` (premultiplied, alpha `ua`).
struct Premul {
  uint32_t b = 0, g = 0, r = 0, a = 0;
};

Premul Over(uint32_t rgb, uint32_t alpha, const Premul& under) {
  const uint32_t keep = 255 - alpha;
  return {Mul(Channel(rgb, 0), alpha) + Mul(under.b, keep), Mul(Channel(rgb, 8), alpha) + Mul(under.g, keep),
          Mul(Channel(rgb, 16), alpha) + Mul(under.r, keep), alpha + Mul(under.a, keep)};
}

uint32_t Pack(const Premul& p) { return p.b | p.g << 8 | p.r << 16 | p.a << 24; }

}  // namespace

void LyricMasks::Resize(int w, int h) {
  width = std::max(0, w);
  height = std::max(0, h);
  text.assign(static_cast<size_t>(width) * height, 0);
  outline.assign(static_cast<size_t>(width) * height, 0);
  currentBottom = std::clamp(currentBottom, 0, height);
}

void ComposeLyricFrame(const LyricMasks& m, int fillColumn, bool hover, const LyricColours& c, uint32_t* bgra,
                       int firstColumn, int lastColumn) {
  const Premul base = hover ? Over(c.hover, c.hoverAlpha, {}) : Premul{};
  const uint32_t empty = Pack(base);
  const int from = std::clamp(firstColumn, 0, m.width);
  const int to = std::clamp(lastColumn, from, m.width);
  for (int y = 0; y < m.height; ++y) {
    const size_t row = static_cast<size_t>(y) * m.width;
    const bool current = y < m.currentBottom;
    const int split = current ? std::clamp(fillColumn, 0, m.width) : 0;
    for (int x = from; x < to; ++x) {
      const uint8_t t = m.text[row + x];
      const uint8_t o = m.outline[row + x];
      if ((t | o) == 0) {
        bgra[row + x] = empty;
        continue;
      }
      const uint32_t colour = !current ? c.next : x < split ? c.sung : c.unsung;
      bgra[row + x] = Pack(Over(colour, t, Over(c.outline, o, base)));
    }
  }
}

}  // namespace sb
