// Start latency (address put to first buffer handed to the device) and CPU
// load while playing, with a demo song served over loopback.
#include <windows.h>

#include <cstdio>

#include "platform/form.h"
#include "platform/media_player.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

// Runs the message loop for `ms` without polling.
void RunLoopFor(UINT ms) {
  const UINT_PTR timer = SetTimer(nullptr, 0, ms, nullptr);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER && m.wParam == timer) break;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  KillTimer(nullptr, timer);
}

}  // namespace

int main() {
  const std::string song = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tune3.mp3");
  if (song.empty()) {
    std::fprintf(stderr, "demo song missing\n");
    return 1;
  }
  sbtest::TestHttpServer server;
  server.Serve("/media/tune3.mp3", song, "audio/mpeg");
  sb::Form host;
  host.CreateForm({L"bench", 8895, 1000});
  sb::MediaPlayer player;
  player.Create({host.hwnd(), RECT{0, 0, 593, 45}, 1});
  // As in the program, the player window is up a while before a song is chosen.
  RunLoopFor(500);

  player.SetURL(server.Root() + L"media/tune3.mp3");
  sbtest::PumpUntil([&] { return player.FirstBufferTickMs() > 0 || player.State() == sb::PlayerState::Failed; }, 5000);
  if (player.FirstBufferTickMs() <= 0) {
    std::fprintf(stderr, "no audio started: %ls\n", player.Status().c_str());
    return 1;
  }
  const double latency = player.FirstBufferTickMs() - player.OpenTickMs();

  RunLoopFor(300);
  const double cpu0 = ProcessCpuMs(), wall0 = sb::PlayerClockMs();
  RunLoopFor(3000);
  const double cpu = ProcessCpuMs() - cpu0, wall = sb::PlayerClockMs() - wall0;
  const bool stillPlaying = player.State() == sb::PlayerState::Playing;
  player.Stop();

  std::printf("play_start_latency_ms: %.1f ms\n", latency);
  std::printf("play_cpu_percent: %.2f %%\n", 100.0 * cpu / wall);
  if (!stillPlaying) std::fprintf(stderr, "playback did not last the measurement\n");
  return 0;
}
