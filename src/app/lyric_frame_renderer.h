// Renders desktop lyrics frames into a 32-bit premultiplied DIB section that a
// layered window takes with UpdateLayeredWindow. Window-free GDI: the lines are
// rasterised into coverage masks only when they change (or the DPI does); a
// karaoke frame is then only the composition of those masks. UI thread only.
#pragma once

#include <windows.h>

#include <string>

#include "app/lyric_frame_pixels.h"
#include "platform/handles.h"

namespace sb {

class LyricFrameRenderer {
 public:
  static constexpr int kDesignWidth = 800;  // pixels at 96 DPI

  LyricFrameRenderer() = default;
  ~LyricFrameRenderer();
  LyricFrameRenderer(const LyricFrameRenderer&) = delete;
  LyricFrameRenderer& operator=(const LyricFrameRenderer&) = delete;

  // Lays out the current line (large, outlined) over the next (smaller) for
  // this DPI. False when the bitmap cannot be made.
  bool Layout(const std::wstring& current, const std::wstring& next, int dpi);
  // The column where the sung part of the current line ends at `fraction` (0..1).
  int FillColumn(double fraction) const;
  // Composes the frame with the current line sung up to `fillColumn`; returns
  // the part that changed since the last frame (all of it after a layout).
  RECT Render(int fillColumn, bool hover);

  HDC dc() const { return dc_.get(); }
  SIZE size() const { return {masks_.width, masks_.height}; }
  const uint32_t* pixels() const { return bits_; }
  // Where the current line's text lies in the frame.
  RECT CurrentTextRect() const { return currentRect_; }
  const LyricColours& colours() const { return colours_; }

 private:
  bool MakeSurface(int dpi);
  // Rasterises `text` with `font` at (x, y) into `mask`, the surface cleared first.
  void Rasterise(const std::wstring& text, HFONT font, int x, int y, int outlineRadius);
  int TextWidth(const std::wstring& text, HFONT font) const;

  LyricColours colours_;
  LyricMasks masks_;
  int dpi_ = 0;
  UniqueFont bigFont_;
  UniqueFont smallFont_;
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ originalBitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  RECT currentRect_{};
  bool stale_ = true;  // nothing composed since the last layout
  int fill_ = 0;
  bool hover_ = false;
};

}  // namespace sb
