#include "playback/menu_form.h"

namespace sb {

bool MenuForm::Load() {
  if (IsLoaded()) return true;
  if (!CreateForm({L"Form2", 3000, 2000})) return false;
  menuBar_.reset(CreateMenu());
  munFile_ = CreatePopupMenu();
  // The main window's accelerator table gives these keys the same items.
  AppendMenuW(munFile_, MF_STRING, kMunR, L"刷新(&R)\tF5");
  AppendMenuW(munFile_, MF_STRING, kMunPlay, L"播放(&P)\tF8");
  AppendMenuW(munFile_, MF_STRING, kMunDown, L"下载(&D)\tF4");
  AppendMenuW(munFile_, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(munFile_, MF_STRING | MF_UNCHECKED, kMunContinuous, L"连续播放(&C)");
  AppendMenuW(munFile_, MF_STRING | MF_UNCHECKED, kMunDesktopLyrics, L"桌面歌词(&L)");
  AppendMenuW(munFile_, MF_STRING | MF_UNCHECKED | MF_GRAYED, kMunLockLyrics, L"锁定桌面歌词(&K)");
  AppendMenuW(menuBar_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(munFile_), L"文件");
  inet1_.SetRequestTimeout(60);
  return true;
}

void MenuForm::PopupMunFile(POINT screen) {
  if (!Load()) return;
  // A pop-up menu closes properly only when its owner is the foreground window.
  SetForegroundWindow(hwnd());
  UINT id = static_cast<UINT>(
      TrackPopupMenu(munFile_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                     hwnd(), nullptr));
  PostMessageW(hwnd(), WM_NULL, 0, 0);
  RunItem(id);
}

void MenuForm::RunItem(UINT id) {
  std::function<void()> handler;
  switch (id) {
    case kMunR: handler = MunR_Click; break;
    case kMunPlay: handler = MunPlay_Click; break;
    case kMunDown:
      if (MunDownEnabled()) handler = MunDown_Click;
      break;
    case kMunContinuous: handler = MunContinuous_Click; break;
    case kMunDesktopLyrics: handler = MunDesktopLyrics_Click; break;
    case kMunLockLyrics:
      if (Enabled(kMunLockLyrics)) handler = MunLockLyrics_Click;
      break;
    default: break;
  }
  if (handler) handler();
}

void MenuForm::SetMunDownEnabled(bool enabled) {
  if (munFile_) EnableMenuItem(munFile_, kMunDown, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool MenuForm::MunDownEnabled() const { return !munFile_ || Enabled(kMunDown); }

bool MenuForm::Enabled(UINT id) const {
  if (!munFile_) return false;
  UINT state = GetMenuState(munFile_, id, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

bool MenuForm::Checked(UINT id) const {
  if (!munFile_) return false;
  UINT state = GetMenuState(munFile_, id, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

void MenuForm::ShowDesktopLyricsState(bool on, bool locked) {
  if (!munFile_) return;
  CheckMenuItem(munFile_, kMunDesktopLyrics, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(munFile_, kMunLockLyrics, MF_BYCOMMAND | (locked ? MF_CHECKED : MF_UNCHECKED));
  EnableMenuItem(munFile_, kMunLockLyrics, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

void MenuForm::SetMunContinuousChecked(bool checked) {
  if (munFile_) CheckMenuItem(munFile_, kMunContinuous, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool MenuForm::MunContinuousChecked() const { return Checked(kMunContinuous); }

}  // namespace sb
