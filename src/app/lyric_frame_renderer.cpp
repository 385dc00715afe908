#include "app/lyric_frame_renderer.h"

#include <algorithm>
#include <cmath>

#include "platform/dpi.h"
#include "platform/supplementary_text.h"

namespace sb {
namespace {

// Sizes in pixels at 96 DPI.
constexpr int kBigPx = 36;
constexpr int kSmallPx = 22;
constexpr int kPadPx = 8;
constexpr int kGapPx = 4;
constexpr int kOutlinePx = 2;

int Scale(int px, int dpi) { return ScaleForDpi(px, dpi); }

UniqueFont LyricFont(int heightPx, bool bold) {
  LOGFONTW lf{};
  lf.lfHeight = -heightPx;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;  // grey coverage, no colour fringes
  lstrcpynW(lf.lfFaceName, L"微软雅黑", LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&lf));
}

}  // namespace

// The bitmap leaves the DC before its owner deletes it.
LyricFrameRenderer::~LyricFrameRenderer() {
  if (dc_ && originalBitmap_) SelectObject(dc_.get(), originalBitmap_);
}

bool LyricFrameRenderer::MakeSurface(int dpi) {
  if (dpi == dpi_ && bits_) return true;
  bigFont_ = LyricFont(Scale(kBigPx, dpi), true);
  smallFont_ = LyricFont(Scale(kSmallPx, dpi), false);
  const int pad = Scale(kPadPx, dpi);
  const int width = Scale(kDesignWidth, dpi);
  const int height = pad + Scale(kBigPx, dpi) * 5 / 4 + Scale(kGapPx, dpi) + Scale(kSmallPx, dpi) * 5 / 4 + pad;
  if (!dc_) dc_.reset(CreateCompatibleDC(nullptr));
  if (!dc_) return false;
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return false;
  HGDIOBJ previous = SelectObject(dc_.get(), bitmap.get());
  if (!originalBitmap_) originalBitmap_ = previous;
  bitmap_ = std::move(bitmap);  // the old one is deselected above, so it may go
  bits_ = static_cast<uint32_t*>(bits);
  masks_.currentBottom = pad + Scale(kBigPx, dpi) * 5 / 4 + Scale(kGapPx, dpi) / 2;
  masks_.Resize(width, height);
  dpi_ = dpi;
  return true;
}

int LyricFrameRenderer::TextWidth(const std::wstring& text, HFONT font) const {
  SelectGuard select(dc_.get(), font);
  return TextLineExtent(dc_.get(), text).cx;
}

void LyricFrameRenderer::Rasterise(const std::wstring& text, HFONT font, int x, int y, int r) {
  const int n = masks_.width * masks_.height;
  std::fill(bits_, bits_ + n, 0u);
  SelectGuard select(dc_.get(), font);
  SetBkMode(dc_.get(), TRANSPARENT);
  SetTextColor(dc_.get(), RGB(255, 255, 255));
  // The outline: the glyphs stamped around a circle of radius r.
  const int d = static_cast<int>(std::lround(r * 0.7071));
  const POINT around[] = {{r, 0}, {-r, 0}, {0, r}, {0, -r}, {d, d}, {-d, d}, {d, -d}, {-d, -d}};
  GdiFlush();
  if (r > 0) {
    for (const POINT& p : around) TextOutLine(dc_.get(), x + p.x, y + p.y, text);
    GdiFlush();
    for (int i = 0; i < n; ++i) masks_.outline[i] = std::max(masks_.outline[i], static_cast<uint8_t>(bits_[i] >> 8));
    std::fill(bits_, bits_ + n, 0u);
  }
  TextOutLine(dc_.get(), x, y, text);
  GdiFlush();
  for (int i = 0; i < n; ++i) masks_.text[i] = std::max(masks_.text[i], static_cast<uint8_t>(bits_[i] >> 8));
}

bool LyricFrameRenderer::Layout(const std::wstring& current, const std::wstring& next, int dpi) {
  if (!MakeSurface(dpi > 0 ? dpi : 96)) return false;
  masks_.Resize(masks_.width, masks_.height);
  stale_ = true;
  const int pad = Scale(kPadPx, dpi_);
  const int r = Scale(kOutlinePx, dpi_);
  // Centred; a line wider than the frame starts at its left edge and is cut.
  auto left = [&](int width) { return width + 2 * pad <= masks_.width ? (masks_.width - width) / 2 : pad; };
  const int bigWidth = TextWidth(current, bigFont_.get());
  const int top = pad;
  currentRect_ = {left(bigWidth), top, left(bigWidth) + bigWidth, top + Scale(kBigPx, dpi_) * 5 / 4};
  if (!current.empty()) Rasterise(current, bigFont_.get(), currentRect_.left, top, r);
  if (!next.empty()) Rasterise(next, smallFont_.get(), left(TextWidth(next, smallFont_.get())), masks_.currentBottom + Scale(kGapPx, dpi_) / 2, r / 2);
  return true;
}

int LyricFrameRenderer::FillColumn(double fraction) const {
  const double f = std::clamp(fraction, 0.0, 1.0);
  return currentRect_.left + static_cast<int>(std::lround(f * (currentRect_.right - currentRect_.left)));
}

RECT LyricFrameRenderer::Render(int fillColumn, bool hover) {
  if (!bits_) return {};
  RECT dirty{0, 0, masks_.width, masks_.height};
  if (!stale_ && hover == hover_)
    dirty = {std::min(fillColumn, fill_), 0, std::max(fillColumn, fill_), masks_.currentBottom};
  ComposeLyricFrame(masks_, fillColumn, hover, colours_, bits_, dirty.left, dirty.right);
  stale_ = false;
  fill_ = fillColumn;
  hover_ = hover;
  return dirty;
}

}  // namespace sb
