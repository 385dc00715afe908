#include "platform/paint_behind.h"

#include <vector>

namespace sb {

namespace {

// The client area of `h` in its parent's client coordinates.
RECT ClientInParent(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  MapWindowPoints(h, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Sends WM_PRINTCLIENT to `target` with its client origin at `origin` of the
// child's coordinates, clipped to its client area.
void PrintAt(HWND target, HDC dc, POINT origin, const RECT& clip, LPARAM flags) {
  const int saved = SaveDC(dc);
  SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  SendMessageW(target, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags);
  RestoreDC(dc, saved);
}

}  // namespace

void PaintWhatLiesBehind(HWND child, HDC dc) {
  HWND parent = GetParent(child);
  if (!parent) return;
  const RECT self = ClientInParent(child);
  RECT parentClient{};
  GetClientRect(parent, &parentClient);
  PrintAt(parent, dc, {-self.left, -self.top}, parentClient, PRF_CLIENT | PRF_ERASEBKGND);
  std::vector<HWND> beneath;
  for (HWND s = GetWindow(child, GW_HWNDNEXT); s; s = GetWindow(s, GW_HWNDNEXT)) {
    RECT r = ClientInParent(s), overlap{};
    if (IsWindowVisible(s) && IntersectRect(&overlap, &r, &self)) beneath.push_back(s);
  }
  for (auto it = beneath.rbegin(); it != beneath.rend(); ++it) {
    const RECT r = ClientInParent(*it);
    PrintAt(*it, dc, {r.left - self.left, r.top - self.top}, {0, 0, r.right - r.left, r.bottom - r.top}, PRF_CLIENT);
  }
}

}  // namespace sb
