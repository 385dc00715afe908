#include "controls/progressbar/progress_bar_paint.h"

#include <climits>
#include <cstring>
#include <vector>

#include "platform/form.h"

namespace sb {

namespace {

COLOR16 Channel16(int channel8) { return static_cast<COLOR16>(channel8 << 8); }

TRIVERTEX Vertex(int x, int y, Colour c) {
  TRIVERTEX v{};
  v.x = x;
  v.y = y;
  v.Red = Channel16(RedOf(c));
  v.Green = Channel16(GreenOf(c));
  v.Blue = Channel16(BlueOf(c));
  v.Alpha = 0;
  return v;
}

void DrawCaption(HDC dc, const PicturePlan& plan, HFONT font) {
  SelectGuard selectFont(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  const int length = static_cast<int>(plan.caption.size());
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, plan.caption.c_str(), length, &size)) return;
  TEXTMETRICW tm{};
  if (!GetTextMetricsW(dc, &tm)) return;
  CaptionOrigin at = PlaceCaption(plan.alignment, plan.width, plan.height, size.cx, tm.tmHeight);
  CaptionCopies copies = CaptionCopiesFor(plan.effect, at, plan.textColour, plan.effectColour);
  for (int i = 0; i < copies.count; ++i) {
    const CaptionCopy& c = copies.copies[static_cast<std::size_t>(i)];
    SetTextColor(dc, c.colour);
    if (!TextOutW(dc, c.x, c.y, plan.caption.c_str(), length)) return;
  }
}

}  // namespace

bool GradientTwoColour(HDC dc, int direction, Colour start, Colour end, int left, int top, int right, int bottom) {
  TRIVERTEX vertices[2] = {Vertex(left, top, start), Vertex(right, bottom, end)};
  GRADIENT_RECT rect{0, 1};
  ULONG mode = direction == 0 ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V;
  return GradientFill(dc, vertices, 2, &rect, 1, mode) != FALSE;
}

bool DrawGradientFourColour(HDC dc, int left, int top, int width, int height, Colour topLeft, Colour topRight,
                            Colour bottomLeft, Colour bottomRight) {
  if (width < 0 || height < 0 || width > (INT_MAX - 3) / 3) return false;
  if (width == 0 || height == 0) return true;
  auto leftColumn = ColourRamp(height, ToBgr(topLeft), ToBgr(bottomLeft));
  auto rightColumn = ColourRamp(height, ToBgr(topRight), ToBgr(bottomRight));
  if (!leftColumn || !rightColumn) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = 1;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  // The device reads whole DWORD-aligned rows, so the buffer is padded to one.
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  std::vector<BYTE> row((rowBytes + 3) & ~static_cast<std::size_t>(3));
  for (int r = 0; r < height; ++r) {
    auto pixels = ColourRamp(width, (*leftColumn)[static_cast<std::size_t>(r)], (*rightColumn)[static_cast<std::size_t>(r)]);
    if (!pixels) return false;
    std::memcpy(row.data(), pixels->data(), rowBytes);
    if (SetDIBitsToDevice(dc, left, top + r, static_cast<DWORD>(width), 1, 0, 0, 0, 1, row.data(), &info,
                          DIB_RGB_COLORS) == 0) {
      return false;
    }
  }
  return true;
}

UniqueFont CreateTextFont(const FontDesc& font, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -RoundHalfEven(font.points * dpi / 72.0);
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikethrough;
  lf.lfCharSet = static_cast<BYTE>(font.charset);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  wcsncpy_s(lf.lfFaceName, LF_FACESIZE, font.name.c_str(), _TRUNCATE);
  return UniqueFont(CreateFontIndirectW(&lf));
}

void PaintPicture(HDC dc, const PicturePlan& plan, HFONT font, Colour background) {
  RECT all{0, 0, plan.width, plan.height};
  SetDCBrushColor(dc, background);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));

  for (int i = 0; i < plan.bandCount; ++i) {
    const GradientBand& b = plan.bands[static_cast<std::size_t>(i)];
    GradientTwoColour(dc, b.direction, b.from, b.to, b.left, b.top, b.right, b.bottom);
  }

  {
    SelectGuard pen(dc, GetStockObject(DC_PEN));
    SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    SetDCPenColor(dc, plan.outline);
    RoundRect(dc, 0, 0, plan.outlineRight, plan.outlineBottom, plan.corner, plan.corner);
  }

  if (plan.hasCaption) DrawCaption(dc, plan, font);
}

}  // namespace sb
