#include "platform/form.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/paint_behind.h"
#include "platform/supplementary_text.h"

namespace sb {

namespace {

bool IsTextLabel(const wchar_t* className, DWORD style) {
  if (lstrcmpiW(className, L"STATIC") != 0) return false;
  switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_LEFTNOWORDWRAP:
      return true;
    default:
      return false;
  }
}

constexpr wchar_t kTextLabelProp[] = L"SongBoxTextLabel";

bool ParentGivesHollowBrush(HWND label) {
  HWND parent = GetParent(label);
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!parent || !dc) return false;
  const auto brush = SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                  reinterpret_cast<LPARAM>(label));
  return brush == reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// The static's own text, except a text holding a character beyond the BMP
// in a label that shows its text as it is (SS_NOPREFIX): that one is drawn
// on one line through DrawTextLine, in the font and colour the static uses.
void DrawLabelText(HWND label, HDC dc, const RECT& rc) {
  const LONG_PTR style = GetWindowLongPtrW(label, GWL_STYLE);
  const std::wstring text = (style & SS_NOPREFIX) ? Form::GetText(label) : std::wstring();
  if (!HasSurrogatePair(text)) {
    DefSubclassProc(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    return;
  }
  const int saved = SaveDC(dc);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  SendMessageW(GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
  const UINT align = (style & SS_TYPEMASK) == SS_CENTER ? DT_CENTER : (style & SS_TYPEMASK) == SS_RIGHT ? DT_RIGHT : DT_LEFT;
  RECT box = rc;
  DrawTextLine(dc, text, box, align | DT_SINGLELINE | DT_NOPREFIX | ((style & SS_ENDELLIPSIS) ? DT_END_ELLIPSIS : 0));
  RestoreDC(dc, saved);
}

// Double-buffered: what lies behind first, then the static's own text on top
// (its brush is hollow, see OnCtlColor).
void PaintTransparentLabel(HWND label) {
  PaintDc paint(label);
  RECT rc{};
  GetClientRect(label, &rc);
  if (!paint.get() || rc.right <= 0 || rc.bottom <= 0) return;
  UniqueMemoryDc mem(CreateCompatibleDC(paint.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(paint.get(), rc.right, rc.bottom));
  if (!mem || !bitmap) return;
  SelectGuard select(mem.get(), bitmap.get());
  PaintWhatLiesBehind(label, mem.get());
  DrawLabelText(label, mem.get(), rc);
  BitBlt(paint.get(), 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
}

// The static itself draws a new text straight over the old one (with the
// hollow brush nothing erases it), so it sets the text while it may not draw,
// and the label then paints whole: what lies behind first, the text on top.
LRESULT SetTransparentLabelText(HWND label, WPARAM wp, LPARAM lp) {
  const bool shown = (GetWindowLongPtrW(label, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown) DefSubclassProc(label, WM_SETREDRAW, FALSE, 0);
  const LRESULT result = DefSubclassProc(label, WM_SETTEXT, wp, lp);
  if (shown) {
    DefSubclassProc(label, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  return result;
}

}  // namespace

int TwipsToPixels(int twips) { return TwipsToPixelsAt(twips, SystemDpi()); }
int PixelsToTwips(int pixels) { return PixelsToTwipsAt(pixels, SystemDpi()); }

UniqueFont MakeFont(const wchar_t* face, int points, bool bold, BYTE charset) {
  return MakeFontAt({face, points, bold, charset}, SystemDpi());
}

namespace {
const WindowClass kFormClass{kFormClassName, CS_DBLCLKS};
constexpr FontSpec kDefaultFont{L"宋体", 9, false};
}

Form::Form() = default;

Form::~Form() = default;

bool Form::CreateForm(const FormCreateArgs& args) {
  if (hwnd()) return false;
  dpi_ = SystemDpi();
  scaledFonts_.clear();
  defaultFont_ = MakeFontAt(kDefaultFont, dpi_);
  backgroundBrush_.reset(CreateSolidBrush(args.background));
  RECT r{0, 0, Px(args.clientWidthTwips), Px(args.clientHeightTwips)};
  AdjustWindowRectEx(&r, args.style, FALSE, args.exStyle);
  WindowCreateArgs window;
  window.exStyle = args.exStyle;
  window.text = args.caption.c_str();
  window.style = args.style;
  window.x = window.y = CW_USEDEFAULT;
  window.width = r.right - r.left;
  window.height = r.bottom - r.top;
  window.parent = args.owner;
  if (!Create(kFormClass, window)) return false;
  AdoptMonitorDpi(args);
  if (args.icon) {
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(args.icon));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(args.icon));
  }
  return true;
}

// A window that opens on a monitor of another scale than the system's has
// that monitor's DPI from the start; the controls that follow are made at it.
void Form::AdoptMonitorDpi(const FormCreateArgs& args) {
  const int monitor = WindowDpi(hwnd());
  if (monitor != dpi_) {
    dpi_ = monitor;
    defaultFont_ = MakeFontAt(kDefaultFont, dpi_);
    RECT r{0, 0, Px(args.clientWidthTwips), Px(args.clientHeightTwips)};
    AdjustWindowRectEx(&r, args.style, FALSE, args.exStyle);
    SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowDpi(hwnd(), dpi_);
}

HWND Form::AddControl(const ControlArgs& a) {
  if (!hwnd()) return nullptr;
  HWND c = CreateWindowExW(a.exStyle, a.className, a.text.c_str(), WS_CHILD | a.style, Px(a.left), Px(a.top),
                           Px(a.width), Px(a.height), hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(a.id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (!c) return nullptr;
  places_[c] = {a.left, a.top, a.left + a.width, a.top + a.height};
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(a.font ? a.font : defaultFont_.get()), FALSE);
  if (IsTextLabel(a.className, a.style) && SetWindowSubclass(c, &Form::LabelProc, 1, 0))
    SetPropW(c, kTextLabelProp, reinterpret_cast<HANDLE>(1));
  return c;
}

void Form::OnClick(HWND control, std::function<void()> handler) { clicks_[control] = std::move(handler); }

void Form::SetColors(HWND control, ControlColors colors) {
  colors_[control] = colors;
  if (colors.back) colorBrushes_[control].reset(CreateSolidBrush(*colors.back));
  InvalidateRect(control, nullptr, TRUE);
}

void Form::AutoSize(HWND label) {
  std::wstring text = GetText(label);
  WindowDc dc = WindowDc::Client(label);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
  SelectGuard sel(dc.get(), font);
  RECT r{0, 0, 0, 0};
  DrawTextLine(dc.get(), text.empty() ? L" " : text, r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SetWindowPos(label, nullptr, 0, 0, text.empty() ? 0 : r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetText(HWND control, const std::wstring& text) { SetWindowTextW(control, text.c_str()); }

std::wstring Form::GetText(HWND control) {
  int n = GetWindowTextLengthW(control);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(control, s.data(), n + 1);
  s.resize(static_cast<size_t>(n > 0 ? n : 0));
  return s;
}

void Form::StartTimer(UINT_PTR id, UINT ms, std::function<void()> handler) {
  timers_[id] = std::move(handler);
  SetTimer(hwnd(), id, ms, nullptr);
}

void Form::StopTimer(UINT_PTR id) {
  if (hwnd()) KillTimer(hwnd(), id);
  timers_.erase(id);
}

HFONT Form::ScaledFont(const FontSpec& design) {
  scaledFonts_.emplace_back(design, MakeFontAt(design, dpi_));
  return scaledFonts_.back().second.get();
}

void Form::Place(HWND child, const RECT& twips) {
  if (!child) return;
  places_[child] = twips;
  MoveWindow(child, Px(twips.left), Px(twips.top), Px(twips.right - twips.left), Px(twips.bottom - twips.top), TRUE);
}

// Every control (nested ones too) that used one of the old fonts gets its new one; the old
// fonts go only after that.
void Form::RemakeScaledFonts() {
  std::map<HFONT, HFONT> renewed;
  std::vector<UniqueFont> old;
  UniqueFont defaultFont = MakeFontAt(kDefaultFont, dpi_);
  renewed[defaultFont_.get()] = defaultFont.get();
  old.push_back(std::exchange(defaultFont_, std::move(defaultFont)));
  for (auto& [design, font] : scaledFonts_) {
    UniqueFont fresh = MakeFontAt(design, dpi_);
    renewed[font.get()] = fresh.get();
    old.push_back(std::exchange(font, std::move(fresh)));
  }
  EnumChildWindows(
      hwnd(),
      [](HWND c, LPARAM fonts) -> BOOL {
        const auto& map = *reinterpret_cast<const std::map<HFONT, HFONT>*>(fonts);
        auto it = map.find(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)));
        if (it != map.end()) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(it->second), FALSE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&renewed));
}

void Form::ApplyDpi(int dpi, const RECT& window) {
  if (!hwnd() || dpi < 48) return;
  const int oldDpi = std::exchange(dpi_, dpi);
  SetWindowDpi(hwnd(), dpi);
  RemakeScaledFonts();
  SetWindowPos(hwnd(), nullptr, window.left, window.top, window.right - window.left, window.bottom - window.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  for (const auto& [child, twips] : places_) {
    if (!IsWindow(child)) continue;
    SetWindowPos(child, nullptr, Px(twips.left), Px(twips.top), Px(twips.right - twips.left),
                 Px(twips.bottom - twips.top), SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  for (HWND c = GetWindow(hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    SendMessageW(c, kMsgDpiChangedAfterParent, 0, 0);
  OnDpiLayout(oldDpi);
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

HFONT Form::KeepFont(UniqueFont font) {
  fonts_.push_back(std::move(font));
  return fonts_.back().get();
}

void Form::CentreOver(HWND other) {
  if (!hwnd()) return;
  MONITORINFO monitor{sizeof(monitor)};
  HMONITOR m = MonitorFromWindow(other ? other : hwnd(), MONITOR_DEFAULTTONEAREST);
  if (!GetMonitorInfoW(m, &monitor)) return;
  const RECT work = monitor.rcWork;
  RECT around = work, self{};
  if (other) GetWindowRect(other, &around);
  GetWindowRect(hwnd(), &self);
  const int w = self.right - self.left, h = self.bottom - self.top;
  int x = (around.left + around.right - w) / 2, y = (around.top + around.bottom - h) / 2;
  x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - w));
  y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - h));
  SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Unload() { Destroy(); }

bool Form::IsTransparentLabel(HWND control) const {
  if (!GetPropW(control, kTextLabelProp)) return false;
  auto it = colors_.find(control);
  return it == colors_.end() || !it->second.back;
}

LRESULT Form::OnCtlColor(HDC dc, HWND control) {
  if (IsTransparentLabel(control)) {
    auto it = colors_.find(control);
    if (it != colors_.end()) SetTextColor(dc, it->second.fore);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  auto it = colors_.find(control);
  if (it == colors_.end()) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(backgroundBrush_.get());
  }
  SetTextColor(dc, it->second.fore);
  if (it->second.back) {
    SetBkColor(dc, *it->second.back);
    return reinterpret_cast<LRESULT>(colorBrushes_[control].get());
  }
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(backgroundBrush_.get());
}

void Form::OnCommand(WPARAM wp, LPARAM lp) {
  HWND control = reinterpret_cast<HWND>(lp);
  if (!control || HIWORD(wp) != BN_CLICKED) return;  // STN_CLICKED has the same code
  auto it = clicks_.find(control);
  if (it != clicks_.end() && it->second) {
    auto handler = it->second;  // the handler may replace itself
    handler();
  }
}

LRESULT Form::OnEraseBackground(HDC dc) {
  RECT r;
  GetClientRect(hwnd(), &r);
  FillRect(dc, &r, backgroundBrush_.get());
  return 1;
}

LRESULT Form::OnTimer(WPARAM id, LPARAM lp) {
  auto it = timers_.find(id);
  if (it == timers_.end() || !it->second) return DefaultProc(WM_TIMER, id, lp);
  auto handler = it->second;
  handler();
  return 0;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(wp, lp);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wp));
    case WM_PRINTCLIENT:  // a transparent label asks for what lies behind it
      OnEraseBackground(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_TIMER:
      return OnTimer(wp, lp);
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_DESTROY:
      OnUnload();
      ForgetWindowDpi(hwnd());
      return 0;
    case WM_DPICHANGED:
      ApplyDpi(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_APPCOMMAND:
      if (appCommandTarget_ && IsWindow(appCommandTarget_)) return SendMessageW(appCommandTarget_, msg, wp, lp);
      break;
  }
  return DefaultProc(msg, wp, lp);
}

// A label paints itself transparently when its parent gives it the hollow
// brush (see OnCtlColor); asking the parent keeps this independent of the
// form object, which may already be gone while its windows are destroyed.
LRESULT CALLBACK Form::LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  switch (msg) {
    case WM_ERASEBKGND:
      if (ParentGivesHollowBrush(hwnd)) return 1;
      break;
    case WM_PAINT:
      if (ParentGivesHollowBrush(hwnd)) {
        try {
          PaintTransparentLabel(hwnd);
        } catch (...) {
          ValidateRect(hwnd, nullptr);  // nothing may unwind into user32
        }
        return 0;
      }
      break;
    case WM_SETTEXT:
      if (ParentGivesHollowBrush(hwnd)) return SetTransparentLabelText(hwnd, wp, lp);
      break;
    case WM_NCDESTROY:
      RemovePropW(hwnd, kTextLabelProp);
      RemoveWindowSubclass(hwnd, &Form::LabelProc, id);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void DoEvents() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

void PumpPaintMessages() {
  MSG m;
  while (PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&m);
}

void DispatchLoopMessage(MSG& m, HWND keyWindow, HACCEL keys) {
  // Only keys meant for that window: the download window keeps its own keys.
  const bool forKeyWindow = keys && keyWindow && (m.hwnd == keyWindow || IsChild(keyWindow, m.hwnd));
  if (forKeyWindow && TranslateAcceleratorW(keyWindow, keys, &m)) return;
  TranslateMessage(&m);
  DispatchMessageW(&m);
}

int RunMessageLoop(HWND keyWindow, HACCEL keys) {
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchLoopMessage(m, keyWindow, keys);
  return static_cast<int>(m.wParam);
}

int MsgBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags) {
  return MessageBoxW(owner, text.c_str(), title.c_str(), flags);
}

std::wstring AppFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return L".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

}  // namespace sb
