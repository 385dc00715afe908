// Gives a list window the custom-drawn scroll bars: one cCoolScrollbars with
// custom drawing by m_oSB_OnPaint, and the four subclassing thunks that route
// the list's messages and the paints of the three bar windows to it. Attaching
// again replaces the previous object with its windows and thunks.
#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "window/cool_scrollbars.h"
#include "window/subclassing_thunk.h"

namespace sb {

class CoolScrollbarHost {
 public:
  CoolScrollbarHost() = default;
  ~CoolScrollbarHost();
  CoolScrollbarHost(const CoolScrollbarHost&) = delete;
  CoolScrollbarHost& operator=(const CoolScrollbarHost&) = delete;

  bool Attach(HWND list);
  void Detach();
  cCoolScrollbars* Scrollbars() const { return m_oSB.get(); }

 private:
  std::unique_ptr<cCoolScrollbars> m_oSB;
  // The list, the vertical bar, the horizontal bar, the corner.
  std::array<std::unique_ptr<cSubclassingThunk>, 4> thunks_;
};

}  // namespace sb
