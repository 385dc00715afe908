// Start-up to a filled song list, a song click to its lyrics and cover, and a
// double-click to the first sound, with the real main window against the
// catalogue service.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <chrono>
#include <vector>
#include <functional>
#include <cstdio>

#include "app/main_window.h"
#include "app/song_list_view.h"
#include "app_test_support.h"
#include "platform/media_player.h"

namespace {

double SecondsSinceProcessStart() {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& f) { return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  return static_cast<double>(ticks(now) - ticks(created)) / 1e7;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

}  // namespace

int main() {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  int rc = 0;
  {
    sb::MainWindow window;
    if (!window.Load()) return 1;
    HWND list = window.Controls().listView1;
    if (!PumpUntil([&] { return window.StartupLoadDone() && sb::RowCount(list) > 0; }, 60000)) {
      std::fprintf(stderr, "the list did not fill from %ls\n", window.ServiceRoot().c_str());
      rc = 1;
    } else {
      std::printf("startup_to_list_s: %.3f s\n", SecondsSinceProcessStart());
      const int rounds = sb::RowCount(list) < 5 ? sb::RowCount(list) : 5;
      double total = 0;
      for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        window.ClickSong(i);
        UpdateWindow(window.hwnd());
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (!window.CoverPicture()) rc = 1;
      }
      std::printf("click_to_lyrics_cover_ms: %.1f ms\n", total / rounds);

      // A double-click on a song until the player hands its first buffer to
      // the sound device: the address page, the media request and the decoder.
      std::vector<double> latencies;
      for (int i = 0; i < rounds; ++i) {
        window.Player().Stop();
        PumpUntil([] { return false; }, 300);
        const double t0 = sb::PlayerClockMs();
        sbtest::NotifyDoubleClick(window, i);
        if (PumpUntil([&] { return window.Player().FirstBufferTickMs() > t0; }, 10000))
          latencies.push_back(window.Player().FirstBufferTickMs() - t0);
      }
      window.Player().Stop();
      if (latencies.empty()) {
        std::fprintf(stderr, "no song reached the sound device\n");
        rc = 1;
      } else {
        std::printf("play_start_latency_ms: %.1f ms\n", sbtest::Median(latencies));
      }
    }
    window.Unload();
  }
  OleUninitialize();
  return rc;
}
