// The floating desktop lyrics window: a top-level tool window above every
// other, never in the taskbar and never activated, drawn only through
// UpdateLayeredWindow from a LyricFrameRenderer. Unlocked, the left button
// drags it anywhere on its text (the window follows the captured mouse itself,
// with no modal move loop) and the mouse over it asks for a faint background;
// locked, clicks go through it to whatever lies beneath.
// Its window text is whatever the owner says is being sung. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/window_base.h"

namespace sb {

class LyricFrameRenderer;

class DesktopLyricsWindow : public WindowBase {
 public:
  static constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

  DesktopLyricsWindow() = default;
  ~DesktopLyricsWindow() override = default;

  bool Create();  // hidden, at the top left of the primary monitor
  int Dpi() const;
  void SetLocked(bool locked);
  bool Locked() const { return locked_; }
  bool Hover() const { return hover_; }
  // Hands the renderer's frame to the window, its top left moved to `at`
  // (screen) or, without one, left where it is (the user may be dragging it);
  // only `dirty` changed, when given.
  bool Present(const LyricFrameRenderer& frame, const POINT* at, const RECT* dirty = nullptr);
  void ShowNoActivate();
  void Hide();

  // Called back on the UI thread.
  std::function<void()> onHoverChanged;
  std::function<void()> onMoved;  // a drag ended
  std::function<void()> onTick;   // the frame timer
  std::function<void()> onDisplayChanged;
  void StartTicks(UINT ms);
  void StopTicks();
  bool Ticking() const { return ticking_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  LRESULT OnHitTest();
  void OnMouseOver(LPARAM lp);
  void OnMouseLeave();
  void OnButtonDown(LPARAM lp);
  void OnButtonUp();

  bool locked_ = false;
  bool hover_ = false;
  bool ticking_ = false;
  bool dragging_ = false;
  POINT grab_{};  // the pressed point, relative to the window's top left
};

}  // namespace sb
