#include "app/screenshot_run.h"

#include "app/main_window.h"
#include "app/song_list_view.h"
#include "app/window_snapshot.h"

namespace sb {

namespace {
constexpr UINT_PTR kScreenshotTimer = 90;
constexpr UINT kSettleMs = 1000;
}  // namespace

void ArmScreenshot(MainWindow& window, const std::wstring& pngPath) {
  window.onStartupLoaded = [&window, pngPath] {
    if (RowCount(window.Controls().listView1) > 0) window.ClickSong(0);
    window.StartTimer(kScreenshotTimer, kSettleMs, [&window, pngPath] {
      window.StopTimer(kScreenshotTimer);
      RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      SaveClientPng(window.hwnd(), pngPath);
      window.Unload();
    });
  };
}

}  // namespace sb
