#include "controls/progressbar/progress_bar.h"

#include "controls/progressbar/progress_bar_paint.h"
#include "platform/dpi.h"

namespace sb {

ProgressBar::ProgressBar() {
  model_.SetChangeHook([this](PbProp p) { OnPropertySet(p); });
}

ProgressBar::~ProgressBar() = default;

namespace {
const WindowClass kProgressBarClass{ProgressBar::kClassName};
}

bool ProgressBar::Create(HWND parent, int x, int y, int width, int height, int id) {
  return WindowBase::Create(kProgressBarClass,
                            WindowCreateArgs::Child(parent, x, y, width, height, WS_VISIBLE | WS_CLIPSIBLINGS, id));
}

// Destroyed with its parent: what was drawn for that window is gone with it.
void ProgressBar::OnNcDestroy() {
  shown_.reset();
  shapeSet_ = Shape{};
}

LRESULT ProgressBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      OnPrintClient(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the back buffer covers every pixel
    case WM_SIZE:
      OnSize(LOWORD(lp), HIWORD(lp));
      return 0;
    case kMsgDpiChangedAfterParent:  // the caption font follows the window's new DPI
      windowDpi_ = WindowDpi(hwnd());
      Redraw(false);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_.get());
    case WM_NCDESTROY:
      OnNcDestroy();
      break;
  }
  return DefaultProc(msg, wp, lp);
}

void ProgressBar::OnPaint() {
  PaintDc paint(hwnd());
  if (!paint.get() || !bufferDc_) return;
  const RECT& r = paint.info().rcPaint;
  BitBlt(paint.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, bufferDc_.get(), r.left, r.top, SRCCOPY);
}

void ProgressBar::OnPrintClient(HDC dc) {
  if (dc && bufferDc_) BitBlt(dc, 0, 0, width_, height_, bufferDc_.get(), 0, 0, SRCCOPY);
}

void ProgressBar::OnSize(int width, int height) {
  width_ = width;
  height_ = height;
  windowDpi_ = WindowDpi(hwnd());
  MakeBuffer();
  Redraw(true);
}

void ProgressBar::OnPropertySet(PbProp p) {
  if (site_) site_->MarkChanged(PropertyKey(p));
  Redraw(false);
}

void ProgressBar::Refresh() { Redraw(true); }

bool ProgressBar::MakeBuffer() {
  bufferSelect_.reset();
  bufferBitmap_.reset();
  if (width_ <= 0 || height_ <= 0) return false;
  WindowDc screen = WindowDc::Client(hwnd());
  if (!screen) return false;
  if (!bufferDc_) bufferDc_.reset(CreateCompatibleDC(screen.get()));
  if (!bufferDc_) return false;
  bufferBitmap_.reset(CreateCompatibleBitmap(screen.get(), width_, height_));
  if (!bufferBitmap_) return false;
  bufferSelect_.emplace(bufferDc_.get(), bufferBitmap_.get());
  return true;
}

bool ProgressBar::FontCurrent() const {
  return font_ && fontMadeFor_ && *fontMadeFor_ == model_.TextFont() && fontDpi_ == CurrentDpi();
}

// Looking the DPI up costs server calls under Wine, too much for every
// property change: it is read again only when the window is sized or its DPI changes.
int ProgressBar::CurrentDpi() const { return windowDpi_ ? windowDpi_ : WindowDpi(hwnd()); }

void ProgressBar::UpdateFont() {
  if (FontCurrent()) return;
  fontDpi_ = CurrentDpi();
  font_ = CreateTextFont(model_.TextFont(), fontDpi_);
  fontMadeFor_ = model_.TextFont();
}

void ProgressBar::Redraw(bool force) {
  const HWND window = hwnd();
  if (!window) return;
  PicturePlan plan = PlanPicture(model_, table_, width_, height_);
  const Colour background = GetSysColor(COLOR_BTNFACE);
  if (!force && shown_ && FontCurrent() && background == shownBackground_ && *shown_ == plan) return;

  // A new shape is made whenever its size or corners differ from the one the
  // window has: setting a window region costs about a millisecond under Wine,
  // and an equal one would change nothing.
  const Shape shape{plan.width, plan.height, plan.corner};
  if (shape != shapeSet_) {
    UniqueRegion region(CreateRoundRectRgn(0, 0, plan.width, plan.height, plan.corner, plan.corner));
    // The region belongs to the window once it is set.
    if (region && SetWindowRgn(window, region.get(), TRUE)) {
      region.release();
      shapeSet_ = shape;
    }
  }

  UpdateFont();
  if (!bufferBitmap_ && !MakeBuffer()) {
    shown_.reset();
    return;
  }
  PaintPicture(bufferDc_.get(), plan, font_.get(), background);
  if (WindowDc dc = WindowDc::Client(window)) {
    BitBlt(dc.get(), 0, 0, width_, height_, bufferDc_.get(), 0, 0, SRCCOPY);
  }
  shown_ = std::move(plan);
  shownBackground_ = background;
  ++drawCount_;
}

UniqueBitmap ProgressBar::Snapshot() const {
  if (!bufferDc_ || width_ <= 0 || height_ <= 0) return UniqueBitmap();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap copy(CreateDIBSection(bufferDc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!copy) return copy;
  UniqueMemoryDc dc(CreateCompatibleDC(bufferDc_.get()));
  if (!dc) return UniqueBitmap();
  {
    SelectGuard select(dc.get(), copy.get());
    BitBlt(dc.get(), 0, 0, width_, height_, bufferDc_.get(), 0, 0, SRCCOPY);
  }
  return copy;
}

bool ProgressBar::GradientTwoColour(HDC dc, int direction, Colour start, Colour end, int left, int top, int right,
                                    int bottom) {
  return sb::GradientTwoColour(dc, direction, start, end, left, top, right, bottom);
}

bool ProgressBar::DrawGradientFourColour(HDC dc, int left, int top, int width, int height, Colour topLeft,
                                         Colour topRight, Colour bottomLeft, Colour bottomRight) {
  return sb::DrawGradientFourColour(dc, left, top, width, height, topLeft, topRight, bottomLeft, bottomRight);
}

}  // namespace sb
