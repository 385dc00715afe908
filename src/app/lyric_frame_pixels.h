// The pixels of one desktop lyrics frame, window-free: coverage masks of the
// two lines (from the font rasteriser) become a 32-bit premultiplied BGRA
// image whose only opaque parts are the text. The current line's sung part
// (left of a column) takes the sung colour, the rest the unsung colour, each
// glyph over its dark outline; the next line is drawn in its own colour.
#pragma once

#include <cstdint>
#include <vector>

namespace sb {

// 0x00RRGGBB.
struct LyricColours {
  uint32_t sung = 0x00FF9A1F;
  uint32_t unsung = 0x00FFFFFF;
  uint32_t next = 0x00D8E8FF;
  uint32_t outline = 0x00101820;
  uint32_t hover = 0x00000000;
  uint8_t hoverAlpha = 0x40;  // the faint background under the mouse
};

// Coverage 0..255 for every pixel, row by row, top row first.
struct LyricMasks {
  int width = 0;
  int height = 0;
  int currentBottom = 0;  // rows above this belong to the current line
  std::vector<uint8_t> text;
  std::vector<uint8_t> outline;

  void Resize(int w, int h);
};

// Writes width x height pixels (B, G, R, A in memory, premultiplied, top row
// first) to `bgra`; columns left of `fillColumn` of the current line are sung.
// Only columns firstColumn..lastColumn-1 are written: a moving fill changes no others.
void ComposeLyricFrame(const LyricMasks& masks, int fillColumn, bool hover, const LyricColours& colours,
                       uint32_t* bgra, int firstColumn = 0, int lastColumn = INT32_MAX);

}  // namespace sb
