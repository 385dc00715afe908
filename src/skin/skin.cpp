#include "skin/skin.h"

#include "skin/skin_button.h"
#include "skin/skin_kind.h"
#include "skin/skin_painters.h"
#include "skin/skin_props.h"
#include "skin/skin_state.h"

namespace sb {

namespace {

void Initialise(SkinState& skin) {
  skin.initialised = true;
  InitLeaveTracking(skin);
  BuildSkinBitmaps(skin);
}

void Teardown(SkinState& skin) {
  skin.attachCount = 0;
  skin.buttonFaceStrip.reset();
  skin.comboPartsStrip.reset();
  skin.glyphStrip.reset();
  skin.optionFaceStrip.reset();
  skin.headerFaceStrip.reset();
  skin.initialised = false;
}

BOOL CALLBACK AttachChild(HWND child, LPARAM) {
  SkinAttach(child);
  return TRUE;
}

BOOL CALLBACK DetachChild(HWND child, LPARAM) {
  SkinDetach(child);
  return TRUE;
}

void AttachKindState(SkinKind kind, HWND hwnd) {
  switch (kind) {
    case SkinKind::PushButton:
      AttachButton(hwnd);
      break;
    case SkinKind::ComboBox:
    case SkinKind::DriveList:
    case SkinKind::CheckBox:
    case SkinKind::OptionButton:
      SetSkinProp(hwnd, kPropMouseFlag, 0);
      SetSkinProp(hwnd, kPropOldState, 0);
      break;
    case SkinKind::ListHeader:
      SetSkinProp(hwnd, kPropMouseFlag, 0);
      SetSkinProp(hwnd, kPropHdIndex, -1);
      SetSkinProp(hwnd, kPropHmIndex, -1);
      break;
    default:
      break;
  }
}

void DetachKindState(SkinKind kind, HWND hwnd) {
  switch (kind) {
    case SkinKind::PushButton:
      DetachButton(hwnd);
      break;
    case SkinKind::ComboBox:
    case SkinKind::DriveList:
    case SkinKind::CheckBox:
    case SkinKind::OptionButton:
      RemoveSkinProp(hwnd, kPropMouseFlag);
      RemoveSkinProp(hwnd, kPropOldState);
      break;
    case SkinKind::ListHeader:
      RemoveSkinProp(hwnd, kPropMouseFlag);
      RemoveSkinProp(hwnd, kPropHdIndex);
      RemoveSkinProp(hwnd, kPropHmIndex);
      break;
    default:
      break;
  }
}

// Background included: a list view repainted without erasing leaves the area
// below its rows as it was.
void Repaint(HWND hwnd) {
  SendMessageW(hwnd, WM_NCPAINT, 1, 0);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_INTERNALPAINT);
}

// The last window gone takes the bitmaps with it; the next attach builds them again.
void ReleaseOne(SkinState& skin) {
  if (--skin.attachCount <= 0) Teardown(skin);
}

LRESULT RouteByKind(SkinKind kind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  switch (kind) {
    case SkinKind::PushButton:
      return HandleButtonMessage(hwnd, msg, wp, lp, old);
    case SkinKind::CheckBox:
      return HandleCheckBoxMessage(hwnd, msg, wp, lp, old);
    case SkinKind::OptionButton:
      return HandleOptionMessage(hwnd, msg, wp, lp, old);
    case SkinKind::ComboBox:
    case SkinKind::DriveList:
      return HandleComboMessage(kind, hwnd, msg, wp, lp, old);
    case SkinKind::DropDownList:
    case SkinKind::DataList:
      return HandleDropListMessage(kind, hwnd, msg, wp, lp, old);
    case SkinKind::ListHeader:
      return HandleHeaderMessage(hwnd, msg, wp, lp, old);
    case SkinKind::ProgressBar:
      return HandleProgressMessage(hwnd, msg, wp, lp, old);
    case SkinKind::Grid:
      return HandleGridMessage(hwnd, msg, wp, lp, old);
    case SkinKind::Form:
    case SkinKind::Other:
      break;
  }
  if (msg == WM_NCPAINT) return FlatBorderNcPaint(hwnd, wp, lp, old);
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}

// Dialogs a skinned form opens (message boxes) announce themselves through
// WM_ACTIVATE: the other window is owned by this one, or is itself a form.
bool ShouldAttachActivated(HWND hwnd, HWND other) {
  return other && (GetParent(other) == hwnd || KindOf(other) == SkinKind::Form);
}

LRESULT Route(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  switch (msg) {
    case WM_DESTROY:
      SkinDetach(hwnd);
      return CallWindowProcW(old, hwnd, msg, wp, lp);
    case WM_ACTIVATE: {
      HWND other = reinterpret_cast<HWND>(lp);
      if (ShouldAttachActivated(hwnd, other)) SkinAttach(other);
      return CallWindowProcW(old, hwnd, msg, wp, lp);
    }
    case WM_ENTERIDLE:
    case WM_CTLCOLORLISTBOX: {
      LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
      if (lp != 0) SkinAttach(reinterpret_cast<HWND>(lp));
      return result;
    }
    default:
      break;
  }
  LRESULT result = RouteByKind(KindOf(hwnd), hwnd, msg, wp, lp, old);
  if (msg == WM_LBUTTONUP) {
    HWND parent = GetParent(hwnd);
    RefreshCheckAndOption(parent ? parent : hwnd);
  }
  return result;
}

}  // namespace

bool SkinAttach(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd) || IsSkinned(hwnd)) return false;
  SkinState& skin = Skin();
  if (!skin.initialised) Initialise(skin);
  const SkinKind kind = KindOf(hwnd);
  if (kind == SkinKind::Form) EnumChildWindows(hwnd, AttachChild, 0);
  AttachKindState(kind, hwnd);
  ++skin.attachCount;
  LONG_PTR previous = SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinWindowProc));
  if (previous == 0) {
    // Not subclassable from here (another process's window): undo everything.
    DetachKindState(kind, hwnd);
    if (kind == SkinKind::Form) EnumChildWindows(hwnd, DetachChild, 0);
    ReleaseOne(skin);
    return false;
  }
  SetSkinProp(hwnd, kPropProcAddr, previous);
  Repaint(hwnd);
  return true;
}

bool SkinDetach(HWND hwnd) {
  if (!hwnd) return false;
  const INT_PTR previous = GetSkinProp(hwnd, kPropProcAddr);
  if (previous == 0) return false;
  const SkinKind kind = KindOf(hwnd);
  if (kind == SkinKind::Form) EnumChildWindows(hwnd, DetachChild, 0);
  DetachKindState(kind, hwnd);
  RemoveSkinProp(hwnd, kPropProcAddr);
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, previous);
  Repaint(hwnd);
  ReleaseOne(Skin());
  return true;
}

LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC old = reinterpret_cast<WNDPROC>(GetSkinProp(hwnd, kPropProcAddr));
  if (!old) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    return Route(hwnd, msg, wp, lp, old);
  } catch (...) {
    // Nothing may unwind into user32; the message counts as handled.
    return 0;
  }
}

}  // namespace sb
