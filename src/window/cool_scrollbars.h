// cCoolScrollbars: three owner-drawn static windows laid over a target's own
// scroll bars and corner, painted in a look of their own. The target keeps its
// scroll bars and their logic; mouse actions pass through the static windows
// to them. The object only follows, through BeforeMsg, which expects the
// target's messages (kTargetMessages) and WM_PAINT of its three windows.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "platform/handles.h"
#include "window/scrollbar_geometry.h"
#include "window/subclassing_sink.h"

namespace sb {

struct CoolBarState {
  UniqueWindow barWindow;
  bool trackVisible = false;
  int trackLength = 0;
  bool middle = false;
  BarRect middleRect;
  BarRect firstArrow;
  BarRect secondArrow;
  BarRect firstPage;
  BarRect secondPage;
  BarRect thumb;
  std::array<bool, 5> pressed{};  // first arrow, second arrow, first page, second page, thumb
  int trackStart = 0;
  int thumbPosition = 0;
  int thumbLength = 0;
};

class cCoolScrollbars : public SubclassingSink {
 public:
  // hDC, ScrollBarID (0 horizontal, 1 vertical, -1 corner), x1, y1, x2, y2, Part, Pressed.
  using PaintEvent = std::function<void(HDC, int, int, int, int, int, int, bool)>;

  static constexpr std::array<UINT, 9> kTargetMessages = {
      WM_ENABLE,        WM_PAINT, WM_WINDOWPOSCHANGED, WM_STYLECHANGED, WM_NCLBUTTONDOWN,
      WM_NCLBUTTONDBLCLK, WM_NCRBUTTONDOWN, WM_TIMER, WM_CAPTURECHANGED};
  static constexpr UINT_PTR kTrackTimerId = 1;

  cCoolScrollbars() = default;
  ~cCoolScrollbars();
  cCoolScrollbars(const cCoolScrollbars&) = delete;
  cCoolScrollbars& operator=(const cCoolScrollbars&) = delete;

  bool InitializeCoolSB(HWND hwnd, bool CustomDraw);
  bool UninitializeCoolSB();
  void Refresh();
  bool CustomDraw() const { return customDraw_; }
  void CustomDraw(bool New_CustomDraw);
  // ScrollBarID 0 or 1; any other value throws std::out_of_range.
  bool Enabled(int ScrollBarID) const;
  // True when the vertical bar stands at the right (the name is historical).
  bool HasLeftScrollbar() const { return rightSide_; }
  bool HasSizer() const { return sizer_ && rightSide_; }
  bool Initialized() const { return target_ != nullptr; }

  PaintEvent OnPaint;

  HWND Target() const { return target_; }
  HWND BarWindow(int ScrollBarID) const { return bars_.at(ScrollBarID).barWindow.get(); }
  HWND CornerWindow() const { return corner_.get(); }
  const CoolBarState& Bar(int ScrollBarID) const { return bars_.at(ScrollBarID); }
  const RECT& CornerRect() const { return cornerRect_; }
  int TrackingPart() const { return trackingPart_; }

  void AfterMsg(LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  void BeforeMsg(BOOL& bHandled, LRESULT& lReturn, HWND& hWnd, UINT& uMsg, WPARAM& wParam,
                 LPARAM& lParam) override;

 private:
  void Layout();
  void CalcArrows(int bar);
  void CalcThumbAndParts(int bar);
  void StartTracking(WPARAM hitTest, LPARAM screenPoint);
  void TrackingTick(WPARAM timerId);
  void StopTracking(LPARAM newCapture);
  void PaintBar(int bar);
  void PaintCorner();
  void DrawBar(int bar, HDC dc);
  void DrawArrow(HDC dc, const BarRect& r, UINT glyph, bool pressed) const;
  void FillTrack(HDC dc, const BarRect& r) const;
  void DrawSizer(HDC dc);
  void Raise(HDC dc, int bar, const BarRect& r, int part, bool pressed);

  HWND target_ = nullptr;
  HWND parent_ = nullptr;
  bool parentIsDesktop_ = false;
  std::array<CoolBarState, 2> bars_;
  int currentBar_ = 0;
  UniqueWindow corner_;
  RECT cornerRect_{};
  bool enabled_ = false;
  bool rightSide_ = true;
  bool sizer_ = false;
  POINT pressPoint_{};
  int trackingPart_ = 0;
  UniqueBrush dither_;
  bool customDraw_ = false;
};

}  // namespace sb
