#include "skin/skin_button.h"

#include <string>

#include "platform/handles.h"
#include "skin/skin_painters.h"
#include "skin/skin_props.h"

namespace sb {

namespace {

constexpr wchar_t kPropHdcPrefix[] = L"HDC";
constexpr wchar_t kPropBmpPrefix[] = L"BMP";
constexpr int kStateCount = 4;
constexpr int kStateNormal = 0;
constexpr int kStateHot = 1;
constexpr int kStatePressed = 2;
constexpr int kStateDisabled = 3;

constexpr UINT_PTR kFadeTimerId = 1;
constexpr UINT kFadeIntervalMs = 15;
constexpr int kFadeStep = 3;
constexpr int kLeaveAlpha = 140;
constexpr int kReleaseAlpha = 60;
constexpr UINT kCaptionFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;

HDC StateDc(HWND hwnd, int state) {
  return reinterpret_cast<HDC>(GetSkinProp(hwnd, StatePropName(kPropHdcPrefix, state).c_str()));
}

// Whether the images are made for a button that has none yet (attach) or
// replace the ones it has (a new size).
enum class Images { Fresh, Replace };

// Gives state image `state` a fresh W x H bitmap (making its DC first when
// there is none) and frees the bitmap it replaces.
void MakeStateImage(HWND hwnd, int state, HDC windowDc, int width, int height, Images mode) {
  SkinState& skin = Skin();
  const std::wstring dcName = StatePropName(kPropHdcPrefix, state);
  const std::wstring bmpName = StatePropName(kPropBmpPrefix, state);
  HDC dc = mode == Images::Replace ? reinterpret_cast<HDC>(GetSkinProp(hwnd, dcName.c_str())) : nullptr;
  if (!dc) {
    UniqueMemoryDc made(CreateCompatibleDC(windowDc));
    if (!made) return;
    ++skin.gdiObjects;
    dc = made.release();
    SetSkinProp(hwnd, dcName.c_str(), reinterpret_cast<INT_PTR>(dc));
  }
  UniqueBitmap bmp(CreateCompatibleBitmap(windowDc, width, height));
  if (!bmp) return;
  ++skin.gdiObjects;
  SelectObject(dc, bmp.get());
  if (mode == Images::Replace) {
    UniqueBitmap old(reinterpret_cast<HBITMAP>(GetSkinProp(hwnd, bmpName.c_str())));
    if (old) --skin.gdiObjects;
  }
  SetSkinProp(hwnd, bmpName.c_str(), reinterpret_cast<INT_PTR>(bmp.release()));
}

void FreeStateImage(HWND hwnd, int state) {
  SkinState& skin = Skin();
  const std::wstring dcName = StatePropName(kPropHdcPrefix, state);
  const std::wstring bmpName = StatePropName(kPropBmpPrefix, state);
  // The DC goes first so the bitmap is no longer selected when it is deleted.
  {
    UniqueMemoryDc dc(reinterpret_cast<HDC>(GetSkinProp(hwnd, dcName.c_str())));
    if (dc) --skin.gdiObjects;
  }
  UniqueBitmap bmp(reinterpret_cast<HBITMAP>(GetSkinProp(hwnd, bmpName.c_str())));
  if (bmp) --skin.gdiObjects;
  RemoveSkinProp(hwnd, dcName.c_str());
  RemoveSkinProp(hwnd, bmpName.c_str());
}

void MakeStateImages(HWND hwnd, Images mode) {
  WindowBoxInfo box = WindowBox(hwnd);
  WindowDc windowDc = WindowDc::Whole(hwnd);
  for (int i = 0; i < kStateCount; ++i) MakeStateImage(hwnd, i, windowDc.get(), box.width, box.height, mode);
  PaintButtonFaces(hwnd);
}

// Rounds the corners by a 3 x 3 ellipse. The region belongs to the window once handed over.
void SetRoundRegion(HWND hwnd) {
  WindowBoxInfo box = WindowBox(hwnd);
  SkinState& skin = Skin();
  UniqueRegion rgn(CreateRoundRectRgn(0, 0, box.width + 1, box.height + 1, 3, 3));
  if (!rgn) return;
  ++skin.gdiObjects;
  if (SetWindowRgn(hwnd, rgn.get(), TRUE)) rgn.release();
  --skin.gdiObjects;
}

int State(HWND hwnd) { return static_cast<int>(GetSkinProp(hwnd, kPropOldState)); }
void SetState(HWND hwnd, int state) { SetSkinProp(hwnd, kPropOldState, state); }
int Alpha(HWND hwnd) { return static_cast<int>(GetSkinProp(hwnd, kPropAlphaLevel)); }
void SetAlpha(HWND hwnd, int alpha) { SetSkinProp(hwnd, kPropAlphaLevel, alpha); }

bool CursorOver(HWND hwnd) {
  POINT pt{};
  return GetCursorPos(&pt) && WindowFromPoint(pt) == hwnd;
}

constexpr LONG_PTR kTypeMask = BS_TYPEMASK;

// Dialogs move the default-button look between their buttons with
// BM_SETSTYLE. A skin-painted button keeps its owner-draw type (so its own
// painting never shows through) and the requested type is remembered for detach.
LRESULT OnSetStyle(HWND hwnd, WPARAM wp, LPARAM lp, WNDPROC old) {
  LONG_PTR saved = GetSkinProp(hwnd, kPropOldStyle);
  LONG_PTR wanted = (saved & ~kTypeMask) | (static_cast<LONG_PTR>(wp) & kTypeMask);
  SetSkinProp(hwnd, kPropOldStyle, wanted);
  bool skinPainted = !KeepsOwnPainting(saved) && !KeepsOwnPainting(wanted);
  WPARAM type = skinPainted ? (wp & ~static_cast<WPARAM>(kTypeMask)) | BS_OWNERDRAW : wp;
  return CallWindowProcW(old, hwnd, BM_SETSTYLE, type, lp);
}

// The blend behind BlendButtonFace with the alpha already at hand: property
// reads are round trips to the window server, and a fade step is hot.
void BlendFaceAt(HWND hwnd, HDC target, int alpha) {
  if (!IsWindowEnabled(hwnd)) SetState(hwnd, kStateDisabled);
  if (KeepsOwnPainting(GetSkinProp(hwnd, kPropOldStyle))) return;
  int state = State(hwnd);
  if (state < 0 || state >= kStateCount) return;
  HDC source = StateDc(hwnd, state);
  if (!source) return;
  WindowBoxInfo box = WindowBox(hwnd);
  WindowDc own;
  if (!target) {
    own = WindowDc::Whole(hwnd);
    target = own.get();
  }
  BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha & 0xFF), 0};
  AlphaBlend(target, 0, 0, box.width, box.height, source, 0, 0, box.width, box.height, blend);
}

LRESULT OnPaint(HWND hwnd, WPARAM wp, LPARAM lp, WNDPROC old) {
  if (KeepsOwnPainting(GetSkinProp(hwnd, kPropOldStyle))) return CallWindowProcW(old, hwnd, WM_PAINT, wp, lp);
  StopFade(hwnd);
  SetAlpha(hwnd, 255);
  PaintDc paint(hwnd);
  BlendFaceAt(hwnd, paint.get(), 255);
  return 0;
}

void OnSize(HWND hwnd) {
  MakeStateImages(hwnd, Images::Replace);
  SetRoundRegion(hwnd);
}

void OnFocusChange(HWND hwnd) {
  PaintButtonFaces(hwnd);
  SetAlpha(hwnd, 0);
  StartFade(hwnd);
}

void OnEnable(HWND hwnd, bool enabled) {
  SetState(hwnd, enabled ? kStateNormal : kStateDisabled);
  BlendButtonFace(hwnd, nullptr);
}

void OnMouseMove(HWND hwnd) {
  if (GetSkinProp(hwnd, kPropMouseFlag) == 0) {
    SetSkinProp(hwnd, kPropMouseFlag, 1);
    TrackLeave(hwnd);
    SetState(hwnd, kStateHot);
    SetAlpha(hwnd, 0);
    StartFade(hwnd);
  } else if (!CursorOver(hwnd)) {
    StopFade(hwnd);
    SetAlpha(hwnd, 255);
    BlendFaceAt(hwnd, nullptr, 255);
  }
}

void OnMouseLeave(HWND hwnd) {
  SetSkinProp(hwnd, kPropMouseFlag, 0);
  SetState(hwnd, kStateHot);
  SetAlpha(hwnd, kLeaveAlpha);
  BlendFaceAt(hwnd, nullptr, kLeaveAlpha);
  SetState(hwnd, kStateNormal);
  SetAlpha(hwnd, 0);
  StartFade(hwnd);
}

void OnPress(HWND hwnd) {
  StopFade(hwnd);
  SetState(hwnd, kStatePressed);
  SetAlpha(hwnd, 255);
  BlendFaceAt(hwnd, nullptr, 255);
  SetAlpha(hwnd, 0);
}

void OnRelease(HWND hwnd, int alpha) {
  SetSkinProp(hwnd, kPropMouseFlag, 0);
  SetState(hwnd, kStateNormal);
  SetAlpha(hwnd, alpha);
  StartFade(hwnd);
}

void OnFadeStep(HWND hwnd) {
  int a = Alpha(hwnd);
  BlendFaceAt(hwnd, nullptr, a);
  a += kFadeStep;
  if (a > 255) {
    StopFade(hwnd);
    a = 0;
  }
  SetAlpha(hwnd, a);
}

}  // namespace

bool KeepsOwnPainting(LONG_PTR style) {
  return (style & 6) != 0 || (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

void AttachButton(HWND hwnd) {
  MakeStateImages(hwnd, Images::Fresh);
  LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  if (!KeepsOwnPainting(style)) SendMessageW(hwnd, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
  SetSkinProp(hwnd, kPropOldStyle, style);
  SetSkinProp(hwnd, kPropMouseFlag, 0);
  SetSkinProp(hwnd, kPropTimerId, 0);
  SetState(hwnd, IsWindowEnabled(hwnd) ? kStateNormal : kStateDisabled);
  SetAlpha(hwnd, 0);
  SetRoundRegion(hwnd);
}

void DetachButton(HWND hwnd) {
  for (int i = 0; i < kStateCount; ++i) FreeStateImage(hwnd, i);
  StopFade(hwnd);
  // Only the button type is the skin's change; visibility and the enabled
  // state may have moved since attach and stay as they are now.
  LONG_PTR now = GetWindowLongPtrW(hwnd, GWL_STYLE);
  SetWindowLongPtrW(hwnd, GWL_STYLE, (now & ~kTypeMask) | (GetSkinProp(hwnd, kPropOldStyle) & kTypeMask));
  RemoveSkinProp(hwnd, kPropOldStyle);
  RemoveSkinProp(hwnd, kPropMouseFlag);
  RemoveSkinProp(hwnd, kPropTimerId);
  RemoveSkinProp(hwnd, kPropOldState);
  RemoveSkinProp(hwnd, kPropAlphaLevel);
  SetWindowRgn(hwnd, nullptr, TRUE);
}

void PaintButtonFaces(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
  length = GetWindowTextW(hwnd, caption.data(), length + 1);
  caption.resize(static_cast<size_t>(length > 0 ? length : 0));
  WindowBoxInfo box = WindowBox(hwnd);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  HDC strip = Skin().buttonFaceStrip.dc();
  bool focused = GetFocus() == hwnd;
  for (int i = 0; i < kStateCount; ++i) {
    HDC dc = StateDc(hwnd, i);
    if (!dc) continue;
    SelectGuard selectFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    NineGridBlt(dc, 0, 0, box.width, box.height, strip, 0, 21 * i, 7, 21, 3, 3, 3, 3);
    SetTextColor(dc, i == kStateDisabled ? kSkinDisabledTextColor : RGB(0, 0, 0));
    DrawTextBox(dc, caption, 2, 2, box.width - 4, box.height - 4, kCaptionFlags);
    if (focused) FocusBox(dc, 2, 2, box.width - 4, box.height - 4);
  }
}

void BlendButtonFace(HWND hwnd, HDC target) { BlendFaceAt(hwnd, target, Alpha(hwnd)); }

void StartFade(HWND hwnd) {
  if (GetSkinProp(hwnd, kPropTimerId) != 0) return;
  SetSkinProp(hwnd, kPropTimerId, static_cast<INT_PTR>(SetTimer(hwnd, kFadeTimerId, kFadeIntervalMs, nullptr)));
}

void StopFade(HWND hwnd) {
  INT_PTR id = GetSkinProp(hwnd, kPropTimerId);
  if (id == 0) return;
  KillTimer(hwnd, static_cast<UINT_PTR>(id));
  SetSkinProp(hwnd, kPropTimerId, 0);
}

LRESULT HandleButtonMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  switch (msg) {
    case WM_PAINT:
      return OnPaint(hwnd, wp, lp, old);
    case WM_NCPAINT:
      return FlatBorderNcPaint(hwnd, wp, lp, old);
    case BM_SETSTYLE:
      return OnSetStyle(hwnd, wp, lp, old);
    case WM_TIMER:
      OnFadeStep(hwnd);
      return CallWindowProcW(old, hwnd, msg, wp, lp);
    default:
      break;
  }
  LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
  // The control's own procedure may have run a click handler that detached the skin.
  if (!IsSkinned(hwnd)) return result;
  switch (msg) {
    case WM_SIZE:
      OnSize(hwnd);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      OnFocusChange(hwnd);
      break;
    case WM_ENABLE:
      OnEnable(hwnd, wp != 0);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(hwnd);
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(hwnd);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnPress(hwnd);
      break;
    case WM_LBUTTONUP:
      OnRelease(hwnd, kReleaseAlpha);
      break;
    case WM_KEYDOWN:
      if (wp == VK_SPACE) OnPress(hwnd);
      break;
    case WM_KEYUP:
      if (wp == VK_SPACE) OnRelease(hwnd, 0);
      break;
    default:
      break;
  }
  return result;
}

}  // namespace sb
