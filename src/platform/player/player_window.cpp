#include "platform/player/player_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/dpi.h"

namespace sb {
namespace {

constexpr wchar_t kClassName[] = L"SongBoxMediaPlayer";
constexpr COLORREF kBackground = RGB(238, 245, 252);
constexpr COLORREF kLine = RGB(196, 214, 232);
constexpr UINT_PTR kTickTimer = 1;
constexpr int kPlayId = 101, kStopId = 102;
constexpr int kSeekUnitsPerSecond = 10;

const WindowClass kPlayerClass{kClassName, CS_HREDRAW | CS_VREDRAW};

std::wstring Clock(double seconds) {
  int s = seconds > 0 ? static_cast<int>(seconds) : 0;
  wchar_t text[16];
  swprintf(text, 16, L"%02d:%02d", s / 60, s % 60);
  return text;
}

}  // namespace

bool PlayerWindow::Create(HWND parent, const RECT& rect, int id, int volume, PlayerWindowEvents events) {
  if (hwnd()) return false;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);  // the seek and volume bars
  events_ = std::move(events);
  initialVolume_ = volume;
  fontDpi_ = WindowDpi(parent);
  font_ = MakeFontAt({L"宋体", 9, false}, fontDpi_);
  background_.reset(CreateSolidBrush(kBackground));
  // Clipped by its siblings: the owner's status label lies over its strip.
  if (!WindowBase::Create(kPlayerClass,
                          WindowCreateArgs::Child(parent, rect.left, rect.top, rect.right - rect.left,
                                                  rect.bottom - rect.top,
                                                  WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, id)))
    return false;
  RECT client{};
  GetClientRect(hwnd(), &client);
  OnSize(client.right, client.bottom);
  return true;
}

LRESULT PlayerWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_COMMAND:
      OnCommand(wp, lp);
      return 0;
    case WM_HSCROLL:
      OnHScroll(reinterpret_cast<HWND>(lp), LOWORD(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:  // a transparent label over the strip draws it beneath its text
      Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(reinterpret_cast<HDC>(wp));
    case kMsgDpiChangedAfterParent:
      OnDpiChanged();
      return 0;
    case WM_CONTEXTMENU:
      return 0;  // the player has no context menu
    case WM_TIMER:
      if (wp == kTickTimer && events_.tick) events_.tick();
      return 0;
    case kMsgPlaybackEvent:
      if (events_.playbackEvent) events_.playbackEvent(wp, lp);
      return 0;
    case kMsgRaiseState:
      if (events_.raiseState) events_.raiseState(static_cast<int>(wp));
      return 0;
    default:
      return DefaultProc(msg, wp, lp);
  }
}

void PlayerWindow::OnCreate() {
  const HWND h = hwnd();
  HINSTANCE inst = GetModuleHandleW(nullptr);
  auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, h,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return c;
  };
  play_ = child(L"Button", L"播放", BS_PUSHBUTTON | WS_TABSTOP, kPlayId);
  stop_ = child(L"Button", L"停止", BS_PUSHBUTTON | WS_TABSTOP, kStopId);
  seek_ = child(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS | TBS_ENABLESELRANGE | WS_TABSTOP, 0);
  time_ = child(L"STATIC", L"00:00 / 00:00", SS_CENTER | SS_CENTERIMAGE, 0);
  volumeLabel_ = child(L"STATIC", L"音量", SS_RIGHT | SS_CENTERIMAGE, 0);
  volume_ = child(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 0);
  SendMessageW(seek_, TBM_SETRANGE, TRUE, MAKELPARAM(0, 0));
  SendMessageW(volume_, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendMessageW(volume_, TBM_SETPAGESIZE, 0, 10);
  SendMessageW(volume_, TBM_SETPOS, TRUE, initialVolume_);
}

// One compact row along the top, in design twips at the window's DPI; the
// strip below stays free for the owner's status label. The time is never
// narrower than its text in the player's font.
void PlayerWindow::OnSize(int width, int height) {
  if (!play_) return;
  const int dpi = WindowDpi(hwnd());
  if (dpi != fontDpi_) RemakeFont(dpi);
  const auto px = [dpi](int twips) { return TwipsToPixelsAt(twips, dpi); };
  const int rowTop = px(45), rowHeight = std::min(px(360), std::max(px(240), height - px(90)));
  const int button = px(660), gap = px(60), volumeLabelWidth = px(450), volumeWidth = px(1350);
  const int timeWidth = std::max(px(1440), TextWidth(time_, L"00:00 / 00:00") + px(120));
  int x = gap;
  MoveWindow(play_, x, rowTop, button, rowHeight, TRUE);
  x += button + gap;
  MoveWindow(stop_, x, rowTop, button, rowHeight, TRUE);
  x += button + gap;
  const int right = width - gap;
  const int volumeLeft = right - volumeWidth;
  const int labelLeft = volumeLeft - std::max(volumeLabelWidth, TextWidth(volumeLabel_, L"音量") + gap);
  const int timeLeft = labelLeft - gap - timeWidth;
  MoveWindow(seek_, x, rowTop, std::max(px(300), timeLeft - x), rowHeight, TRUE);
  MoveWindow(time_, timeLeft, rowTop, timeWidth, rowHeight, TRUE);
  MoveWindow(volumeLabel_, labelLeft, rowTop, volumeLeft - labelLeft, rowHeight, TRUE);
  MoveWindow(volume_, volumeLeft, rowTop, volumeWidth, rowHeight, TRUE);
}

void PlayerWindow::RemakeFont(int dpi) {
  UniqueFont fresh = MakeFontAt({L"宋体", 9, false}, dpi);
  for (HWND c : {play_, stop_, time_, volumeLabel_})
    if (c) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(fresh.get()), TRUE);
  font_ = std::move(fresh);
  fontDpi_ = dpi;
}

int PlayerWindow::TextWidth(HWND control, const wchar_t* text) const {
  WindowDc dc = WindowDc::Client(control);
  SelectGuard select(dc.get(), font_.get());
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text, lstrlenW(text), &size);
  return size.cx;
}

void PlayerWindow::OnDpiChanged() {
  RECT client{};
  GetClientRect(hwnd(), &client);
  OnSize(client.right, client.bottom);
}

void PlayerWindow::OnCommand(WPARAM wp, LPARAM) {
  if (HIWORD(wp) != BN_CLICKED) return;
  if (LOWORD(wp) == kPlayId && events_.playPause) events_.playPause();
  if (LOWORD(wp) == kStopId && events_.stop) events_.stop();
}

void PlayerWindow::OnHScroll(HWND bar, int code) {
  const int pos = static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0));
  if (bar == volume_) {
    if (events_.volume) events_.volume(pos);
    return;
  }
  if (bar != seek_) return;
  if (code == TB_THUMBTRACK) {
    dragging_ = true;
    return;
  }
  if (code == TB_ENDTRACK && !dragging_) return;  // keyboard/page moves end with TB_ENDTRACK too
  dragging_ = false;
  double target = static_cast<double>(pos) / kSeekUnitsPerSecond;
  target = std::min(target, arrived_);
  if (events_.seek) events_.seek(target);
}

void PlayerWindow::OnPaint() {
  PaintDc paint(hwnd());
  Paint(paint.get());
}

void PlayerWindow::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  FillRect(dc, &client, background_.get());
  UniquePen pen(CreatePen(PS_SOLID, 1, kLine));
  SelectGuard select(dc, pen.get());
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, client.right, 0);
  MoveToEx(dc, 0, client.bottom - 1, nullptr);
  LineTo(dc, client.right, client.bottom - 1);
}

LRESULT PlayerWindow::OnCtlColor(HDC dc) {
  SetBkColor(dc, kBackground);
  SetTextColor(dc, RGB(0, 64, 96));
  return reinterpret_cast<LRESULT>(background_.get());
}

void PlayerWindow::ShowPlaying(bool playing) {
  SetWindowTextW(play_, playing ? L"暂停" : L"播放");
}

void PlayerWindow::ShowTimes(double elapsed, double total, double arrived) {
  arrived_ = arrived;
  total_ = std::max(total, arrived);
  const int range = static_cast<int>(std::ceil(total_ * kSeekUnitsPerSecond));
  if (SendMessageW(seek_, TBM_GETRANGEMAX, 0, 0) != range) SendMessageW(seek_, TBM_SETRANGEMAX, TRUE, range);
  SendMessageW(seek_, TBM_SETSEL, TRUE, MAKELPARAM(0, std::min(range, static_cast<int>(arrived * kSeekUnitsPerSecond))));
  if (!dragging_) SendMessageW(seek_, TBM_SETPOS, TRUE, static_cast<LPARAM>(elapsed * kSeekUnitsPerSecond));
  std::wstring text = Clock(elapsed) + L" / " + (total > 0 ? Clock(total) : std::wstring(L"--:--"));
  wchar_t current[32]{};
  GetWindowTextW(time_, current, 32);
  if (text != current) SetWindowTextW(time_, text.c_str());
}

void PlayerWindow::SetVolume(int volume) {
  SendMessageW(volume_, TBM_SETPOS, TRUE, volume);
}

void PlayerWindow::StartTicks() {
  if (ticking_) return;
  ticking_ = SetTimer(hwnd(), kTickTimer, 250, nullptr) != 0;
}

void PlayerWindow::StopTicks() {
  if (!ticking_) return;
  KillTimer(hwnd(), kTickTimer);
  ticking_ = false;
}

}  // namespace sb
