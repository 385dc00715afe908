// The skin's drawing primitives. Rectangles are x, y, width, height and mean
// (x, y)-(x + width, y + height), right and bottom exclusive.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace sb {

inline constexpr COLORREF kSkinKeyColor = RGB(0xFF, 0x00, 0xFF);
inline constexpr COLORREF kSkinFrameColor = RGB(0x54, 0xA5, 0xD5);
inline constexpr COLORREF kSkinFrameColorDisabled = RGB(0xA4, 0xCF, 0xE9);
inline constexpr COLORREF kSkinPressedFrameColor = RGB(0x39, 0x86, 0xC4);
inline constexpr COLORREF kSkinBarColor = RGB(0x4C, 0xD6, 0xF6);
inline constexpr COLORREF kSkinDisabledTextColor = RGB(0x79, 0x8A, 0x96);
inline constexpr COLORREF kSkinWhite = RGB(0xFF, 0xFF, 0xFF);

// ScratchSurface: a memory DC compatible with the display holding a
// display-compatible bitmap of the given size. Move-only; frees both.
// Creation and deletion are counted in SkinState::gdiObjects.
class Surface {
 public:
  Surface() noexcept = default;
  static Surface Make(int width, int height);  // empty Surface on failure
  Surface(Surface&& o) noexcept;
  Surface& operator=(Surface&& o) noexcept;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  ~Surface();
  HDC dc() const noexcept { return dc_; }
  int width() const noexcept { return w_; }
  int height() const noexcept { return h_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept;

 private:
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ oldBmp_ = nullptr;
  int w_ = 0, h_ = 0;
};

// Nine-part copy of a source piece; corners keep their size. Returns nonzero when it drew.
int NineGridBlt(HDC target, int tx, int ty, int tw, int th, HDC source, int sx, int sy, int sw, int sh, int left,
                int top, int right, int bottom, std::optional<COLORREF> keyColor = std::nullopt);
// Copies source -> target leaving the target where the source has the key colour (mask method).
void KeyColorBlt(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy, COLORREF keyColor,
                 HPALETTE palette = nullptr);
void FillBox(HDC dc, int x, int y, int width, int height, COLORREF colour);
void FrameBox(HDC dc, int x, int y, int width, int height, COLORREF colour);
void DrawTextBox(HDC dc, const std::wstring& text, int x, int y, int width, int height, UINT flags);
void FocusBox(HDC dc, int x, int y, int width, int height);

struct WindowBoxInfo {
  int left, top, right, bottom, width, height;
};
WindowBoxInfo WindowBox(HWND hwnd);

// Rounds x / 2 to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4).
int HalfToEven(int x);

}  // namespace sb
