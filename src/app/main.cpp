#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/main_window.h"
#include "app/main_window_song_host.h"
#include "app/screenshot_run.h"
#include "app/window_snapshot.h"

namespace {

std::wstring EnvironmentValue(const wchar_t* name) {
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(name, value.data(), n);
  value.resize(n);
  return value;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  HRESULT ole = OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  int exitCode = 1;
  {
    sb::MainWindow form1;
    sb::MainWindowSongHost songHost(form1);
    sb::SongCommands songCommands(songHost);
    form1.SetPeers(&songCommands);
    std::wstring screenshot = EnvironmentValue(L"SONGBOX_SCREENSHOT");
    if (!screenshot.empty()) sb::ArmScreenshot(form1, sb::HostPathToWindows(screenshot));
    if (form1.Load()) exitCode = sb::RunMessageLoop(form1.hwnd(), form1.Keys());
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return exitCode;
}
