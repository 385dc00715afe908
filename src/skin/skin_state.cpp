#include "skin/skin_state.h"

#include <commctrl.h>

#include "skin/skin_props.h"

namespace sb {

namespace {

using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);

TrackMouseEventFn g_user32TrackMouseEvent = nullptr;

}  // namespace

SkinState& Skin() {
  static SkinState state;
  return state;
}

void InitLeaveTracking(SkinState& state) {
  HMODULE user32 = GetModuleHandleW(L"user32");
  // user32 is part of every GUI process; loading it here only matters in a
  // process that has none, and then it stays for the process lifetime.
  if (!user32) user32 = LoadLibraryW(L"user32");
  g_user32TrackMouseEvent =
      user32 ? reinterpret_cast<TrackMouseEventFn>(reinterpret_cast<void*>(GetProcAddress(user32, "TrackMouseEvent")))
             : nullptr;
  state.user32LeaveTracking = g_user32TrackMouseEvent != nullptr;
}

void TrackLeave(HWND hwnd) {
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);  // 24 on 64-bit: the record holds a window handle
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = hwnd;
  tme.dwHoverTime = 0;
  if (Skin().user32LeaveTracking && g_user32TrackMouseEvent) {
    g_user32TrackMouseEvent(&tme);
  } else {
    _TrackMouseEvent(&tme);
  }
}

void ArmLeaveTracking(HWND hwnd) {
  if (GetSkinProp(hwnd, kPropMouseFlag) != 0) return;
  SetSkinProp(hwnd, kPropMouseFlag, 1);
  TrackLeave(hwnd);
}

}  // namespace sb
