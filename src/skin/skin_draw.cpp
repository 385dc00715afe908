#include "skin/skin_draw.h"

#include <ole2.h>
#include <olectl.h>

#include <utility>

#include "platform/handles.h"
#include "skin/skin_state.h"

namespace sb {

namespace {

// An owner whose object is counted in SkinState::gdiObjects while it lives.
template <typename Owner>
class Counted {
 public:
  explicit Counted(typename Owner::handle_type h) noexcept : owner_(h) {
    if (owner_) ++Skin().gdiObjects;
  }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  ~Counted() {
    if (owner_) --Skin().gdiObjects;
  }
  typename Owner::handle_type get() const noexcept { return owner_.get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(owner_); }

 private:
  Owner owner_;
};

using CountedDc = Counted<UniqueMemoryDc>;
using CountedBitmap = Counted<UniqueBitmap>;
using CountedBrush = Counted<UniqueBrush>;
using CountedPalette = Counted<UniquePalette>;

// The screen's DC serves as the display DC: opening a DC of its own for the
// display costs registry look-ups on every surface under Wine (about 1.4 ms).
class DisplayDc {
 public:
  DisplayDc() noexcept : dc_(WindowDc::Client(nullptr)) {
    if (dc_) ++Skin().gdiObjects;
  }
  DisplayDc(const DisplayDc&) = delete;
  DisplayDc& operator=(const DisplayDc&) = delete;
  ~DisplayDc() {
    if (dc_) --Skin().gdiObjects;
  }
  HDC get() const noexcept { return dc_.get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(dc_); }

 private:
  WindowDc dc_;
};

void Stretch(HDC dst, int dx, int dy, int dw, int dh, HDC src, int sx, int sy, int sw, int sh) {
  // A non-positive extent would mirror the piece; such a piece has nothing to show.
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  StretchBlt(dst, dx, dy, dw, dh, src, sx, sy, sw, sh, SRCCOPY);
}

void Copy(HDC dst, int dx, int dy, int w, int h, HDC src, int sx, int sy) {
  if (w <= 0 || h <= 0) return;
  BitBlt(dst, dx, dy, w, h, src, sx, sy, SRCCOPY);
}

}  // namespace

Surface Surface::Make(int width, int height) {
  Surface s;
  if (width <= 0 || height <= 0) return s;
  DisplayDc display;
  if (!display) return s;
  UniqueMemoryDc dc(CreateCompatibleDC(display.get()));
  if (!dc) return s;
  ++Skin().gdiObjects;
  UniqueBitmap bmp(CreateCompatibleBitmap(display.get(), width, height));
  if (!bmp) {
    --Skin().gdiObjects;
    return s;
  }
  ++Skin().gdiObjects;
  s.oldBmp_ = SelectObject(dc.get(), bmp.get());
  s.dc_ = dc.release();
  s.bmp_ = bmp.release();
  s.w_ = width;
  s.h_ = height;
  return s;
}

Surface::Surface(Surface&& o) noexcept
    : dc_(std::exchange(o.dc_, nullptr)),
      bmp_(std::exchange(o.bmp_, nullptr)),
      oldBmp_(std::exchange(o.oldBmp_, nullptr)),
      w_(std::exchange(o.w_, 0)),
      h_(std::exchange(o.h_, 0)) {}

Surface& Surface::operator=(Surface&& o) noexcept {
  if (this != &o) {
    reset();
    dc_ = std::exchange(o.dc_, nullptr);
    bmp_ = std::exchange(o.bmp_, nullptr);
    oldBmp_ = std::exchange(o.oldBmp_, nullptr);
    w_ = std::exchange(o.w_, 0);
    h_ = std::exchange(o.h_, 0);
  }
  return *this;
}

Surface::~Surface() { reset(); }

void Surface::reset() noexcept {
  if (!dc_) return;
  if (oldBmp_) SelectObject(dc_, oldBmp_);
  // The owners free the DC and then the bitmap it no longer holds.
  UniqueBitmap bmp(std::exchange(bmp_, nullptr));
  UniqueMemoryDc dc(std::exchange(dc_, nullptr));
  Skin().gdiObjects -= bmp ? 2 : 1;
  oldBmp_ = nullptr;
  w_ = h_ = 0;
}

int NineGridBlt(HDC target, int tx, int ty, int tw, int th, HDC source, int sx, int sy, int sw, int sh, int left,
                int top, int right, int bottom, std::optional<COLORREF> keyColor) {
  if (tw <= 0 || th <= 0 || sw <= 0 || sh <= 0) return 0;
  Surface s = Surface::Make(tw, th);
  if (!s) return 0;
  HDC d = s.dc();
  const int L = left, T = top, R = right, B = bottom;
  if (L <= 0 && T <= 0 && R <= 0 && B <= 0) {
    Stretch(d, 0, 0, tw, th, source, sx, sy, sw, sh);
  } else {
    if (L > 0 && T > 0) Copy(d, 0, 0, L, T, source, sx, sy);
    if (R > 0 && T > 0) Copy(d, tw - R, 0, R, T, source, sx + sw - R, sy);
    if (L > 0 && B > 0) Copy(d, 0, th - B, L, B, source, sx, sy + sh - B);
    if (R > 0 && B > 0) Copy(d, tw - R, th - B, R, B, source, sx + sw - R, sy + sh - B);
    if (L > 0) Stretch(d, 0, T, L, th - T - B, source, sx, sy + T, L, sh - T - B);
    if (R > 0) Stretch(d, tw - R, T, R, th - T - B, source, sx + sw - R, sy + T, R, sh - T - B);
    if (T > 0) Stretch(d, L, 0, tw - L - R, T, source, sx + L, sy, sw - L - R, T);
    if (B > 0) Stretch(d, L, th - B, tw - L - R, B, source, sx + L, sy + sh - B, sw - L - R, B);
    Stretch(d, L, T, tw - L - R, th - T - B, source, sx + L, sy + T, sw - L - R, sh - T - B);
  }
  if (keyColor) {
    KeyColorBlt(target, tx, ty, tw, th, d, 0, 0, *keyColor);
  } else {
    BitBlt(target, tx, ty, tw, th, d, 0, 0, SRCCOPY);
  }
  return 1;
}

void KeyColorBlt(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy, COLORREF keyColor,
                 HPALETTE palette) {
  if (width <= 0 || height <= 0) return;
  DisplayDc display;
  if (!display) return;
  CountedPalette halftone(palette ? nullptr : CreateHalftonePalette(display.get()));
  HPALETTE pal = palette ? palette : halftone.get();
  COLORREF translated = keyColor;
  if (OleTranslateColor(keyColor, pal, &translated) != S_OK) translated = keyColor;
  const COLORREF key = translated & 0x00FFFFFF;

  Surface work = Surface::Make(width, height);
  Surface colour = Surface::Make(width, height);
  CountedDc maskDc(CreateCompatibleDC(display.get()));
  CountedBitmap maskBmp(CreateBitmap(width, height, 1, 1, nullptr));
  if (!work || !colour || !maskDc || !maskBmp) return;
  SelectGuard maskSel(maskDc.get(), maskBmp.get());

  HPALETTE oldWorkPal = pal ? SelectPalette(work.dc(), pal, FALSE) : nullptr;
  if (pal) RealizePalette(work.dc());
  BitBlt(work.dc(), 0, 0, width, height, target, x, y, SRCCOPY);

  HPALETTE oldColourPal = pal ? SelectPalette(colour.dc(), pal, FALSE) : nullptr;
  if (pal) RealizePalette(colour.dc());
  SetBkColor(colour.dc(), GetBkColor(source));
  SetTextColor(colour.dc(), GetTextColor(source));
  BitBlt(colour.dc(), 0, 0, width, height, source, sx, sy, SRCCOPY);

  // The mask is white where the source has the key colour.
  SetBkColor(colour.dc(), key);
  SetTextColor(colour.dc(), RGB(0xFF, 0xFF, 0xFF));
  BitBlt(maskDc.get(), 0, 0, width, height, colour.dc(), 0, 0, SRCCOPY);

  // Key-coloured pixels of the colour surface become black.
  SetTextColor(colour.dc(), RGB(0, 0, 0));
  SetBkColor(colour.dc(), RGB(0xFF, 0xFF, 0xFF));
  BitBlt(colour.dc(), 0, 0, width, height, maskDc.get(), 0, 0, 0x00220326);

  SetTextColor(work.dc(), RGB(0, 0, 0));
  SetBkColor(work.dc(), RGB(0xFF, 0xFF, 0xFF));
  BitBlt(work.dc(), 0, 0, width, height, maskDc.get(), 0, 0, SRCAND);
  BitBlt(work.dc(), 0, 0, width, height, colour.dc(), 0, 0, SRCPAINT);
  BitBlt(target, x, y, width, height, work.dc(), 0, 0, SRCCOPY);

  if (oldColourPal) SelectPalette(colour.dc(), oldColourPal, FALSE);
  if (oldWorkPal) SelectPalette(work.dc(), oldWorkPal, FALSE);
}

void FillBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  CountedBrush brush(CreateSolidBrush(colour));
  if (!brush) return;
  RECT rc{x, y, x + width, y + height};
  FillRect(dc, &rc, brush.get());
}

void FrameBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  CountedBrush brush(CreateSolidBrush(colour));
  if (!brush) return;
  RECT rc{x, y, x + width, y + height};
  FrameRect(dc, &rc, brush.get());
}

void DrawTextBox(HDC dc, const std::wstring& text, int x, int y, int width, int height, UINT flags) {
  RECT rc{x, y, x + width, y + height};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, flags);
}

void FocusBox(HDC dc, int x, int y, int width, int height) {
  RECT rc{x, y, x + width, y + height};
  DrawFocusRect(dc, &rc);
}

WindowBoxInfo WindowBox(HWND hwnd) {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  return {rc.left, rc.top, rc.right, rc.bottom, rc.right - rc.left, rc.bottom - rc.top};
}

int HalfToEven(int x) {
  int q = x / 2;
  if (x % 2 != 0 && x < 0) --q;  // floor
  if (x - 2 * q == 0) return q;
  return (q % 2 == 0) ? q : q + 1;
}

}  // namespace sb
