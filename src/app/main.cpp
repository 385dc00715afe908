#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/main_window.h"
#include "app/main_window_song_host.h"
#include "app/screenshot_run.h"
#include "app/single_instance.h"
#include "app/window_snapshot.h"
#include "platform/user_settings.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything that makes a window (OLE has one of its own).
  sb::SingleInstance instance;
  if (!instance.first()) return sb::ActivateRunningInstance(5000) ? 0 : 1;
  HRESULT ole = OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  int exitCode = 1;
  {
    sb::MainWindow form1;
    sb::MainWindowSongHost songHost(form1);
    sb::SongCommands songCommands(songHost);
    form1.SetPeers(&songCommands);
    std::wstring screenshot = sb::EnvironmentValue(L"SONGBOX_SCREENSHOT");
    if (!screenshot.empty()) sb::ArmScreenshot(form1, sb::HostPathToWindows(screenshot));
    if (form1.Load()) exitCode = sb::RunMessageLoop(form1.hwnd(), form1.Keys());
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return exitCode;
}
