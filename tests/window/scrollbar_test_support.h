// Windows and pixel helpers shared by the scroll bar tests and the bench.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/handles.h"
#include "window/cool_scrollbars.h"
#include "window/subclassing_thunk.h"

namespace sbtest {

// A visible top-level window (plain class) to hold targets.
HWND CreateTestParent(int width, int height);
// A child window of a plain class with the given styles at (x, y), size w x h.
HWND CreateScrollTarget(HWND parent, DWORD style, DWORD exStyle, int x, int y, int w, int h);

// A scroll bar object with its messages routed the way the main window does it.
struct RoutedScrollbars {
  sb::cCoolScrollbars bars;
  std::array<sb::cSubclassingThunk, 4> thunks;  // destroyed before `bars`
  bool Init(HWND target, bool customDraw);
};

// 32-bit top-down pixels as 0x00BBGGRR.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> data;
  COLORREF At(int x, int y) const;
  bool Any(int x1, int y1, int x2, int y2, COLORREF c) const;
  bool All(int x1, int y1, int x2, int y2, COLORREF c) const;
};

// A memory canvas filled with `background`.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF background);
  HDC dc() const { return dc_.get(); }
  Pixels Read() const;
  HBITMAP bitmap() const { return bitmap_.get(); }

 private:
  int width_, height_;
  void* bits_ = nullptr;
  sb::UniqueBitmap bitmap_;  // outlives the DC it is selected into
  sb::UniqueMemoryDc dc_;
};

// What the screen shows inside a window's rectangle.
Pixels GrabScreen(HWND hwnd);

}  // namespace sbtest
