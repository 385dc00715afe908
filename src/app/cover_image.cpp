#include "app/cover_image.h"

#include "platform/form.h"

namespace sb {

bool CoverImage::Create(HWND parent, int left, int top, int width, int height, int id) {
  hwnd_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_CLIPSIBLINGS | SS_OWNERDRAW, TwipsToPixels(left),
                          TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height), parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  return hwnd_ != nullptr;
}

void CoverImage::SetPicture(Microsoft::WRL::ComPtr<IPicture> picture) {
  if (!picture) return;
  picture_ = std::move(picture);
  if (!hwnd_) return;
  InvalidateRect(hwnd_, nullptr, TRUE);
  ShowWindow(hwnd_, SW_SHOWNA);
}

bool CoverImage::Draw(const DRAWITEMSTRUCT& dis) const {
  if (!hwnd_ || dis.hwndItem != hwnd_) return false;
  const RECT& r = dis.rcItem;
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  if (picture_ && SUCCEEDED(picture_->get_Width(&w)) && SUCCEEDED(picture_->get_Height(&h)) && w > 0 && h > 0) {
    int oldMode = SetStretchBltMode(dis.hDC, HALFTONE);
    POINT oldOrigin{};
    SetBrushOrgEx(dis.hDC, 0, 0, &oldOrigin);
    // Picture units run bottom-up: start at the top and walk down by -h.
    picture_->Render(dis.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, h, w, -h, &r);
    SetBrushOrgEx(dis.hDC, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dis.hDC, oldMode);
  } else {
    FillRect(dis.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  }
  return true;
}

}  // namespace sb
