#include "window/cool_scrollbar_host.h"

#include "window/scrollbar_painter.h"

namespace sb {

CoolScrollbarHost::~CoolScrollbarHost() { Detach(); }

void CoolScrollbarHost::Detach() {
  // Thunks first: they point at the object that is about to go.
  for (auto& thunk : thunks_) thunk.reset();
  m_oSB.reset();
}

bool CoolScrollbarHost::Attach(HWND list) {
  Detach();
  auto scrollbars = std::make_unique<cCoolScrollbars>();
  if (!scrollbars->InitializeCoolSB(list, false)) return false;
  cCoolScrollbars* owner = scrollbars.get();
  owner->OnPaint = [owner](HDC dc, int id, int x1, int y1, int x2, int y2, int part, bool pressed) {
    m_oSB_OnPaint(*owner, dc, id, x1, y1, x2, y2, part, pressed);
  };
  const HWND windows[4] = {list, owner->BarWindow(1), owner->BarWindow(0), owner->CornerWindow()};
  for (int i = 0; i < 4; ++i) {
    auto thunk = std::make_unique<cSubclassingThunk>();
    if (i == 0) {
      for (UINT msg : cCoolScrollbars::kTargetMessages) thunk->AddBeforeMsgs(msg);
    } else {
      thunk->AddBeforeMsgs(WM_PAINT);
    }
    if (!thunk->Subclass(windows[i], owner)) {
      for (auto& t : thunks_) t.reset();
      return false;
    }
    thunks_[i] = std::move(thunk);
  }
  m_oSB = std::move(scrollbars);
  m_oSB->CustomDraw(true);
  return true;
}

}  // namespace sb
