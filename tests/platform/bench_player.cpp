// Start latency (address put to first buffer handed to the device; median of
// five demo songs) and CPU load while playing, served over loopback.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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
  sbtest::TestHttpServer server;
  for (int i = 3; i < 8; ++i) {
    const std::string song = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tune" + std::to_wstring(i) + L".mp3");
    if (song.empty()) {
      std::fprintf(stderr, "demo song %d missing\n", i);
      return 1;
    }
    server.Serve("/media/tune" + std::to_string(i) + ".mp3", song, "audio/mpeg");
  }
  sb::Form host;
  host.CreateForm({L"bench", 8895, 1000});
  sb::MediaPlayer player;
  player.Create({host.hwnd(), RECT{0, 0, 593, 45}, 1});
  // As in the program, the player window is up a while before a song is chosen.
  RunLoopFor(500);

  // Five songs one after the other, each put while the previous one plays.
  std::vector<double> latencies;
  for (int i = 3; i < 8; ++i) {
    player.SetURL(server.Root() + L"media/tune" + std::to_wstring(i) + L".mp3");
    sbtest::PumpUntil([&] { return player.FirstBufferTickMs() > 0 || player.State() == sb::PlayerState::Failed; },
                      5000);
    if (player.FirstBufferTickMs() <= 0) {
      std::fprintf(stderr, "no audio started: %ls\n", player.Status().c_str());
      return 1;
    }
    latencies.push_back(player.FirstBufferTickMs() - player.OpenTickMs());
    RunLoopFor(300);
  }
  std::sort(latencies.begin(), latencies.end());

  const double cpu0 = ProcessCpuMs(), wall0 = sb::PlayerClockMs(), pos0 = player.PositionSeconds();
  RunLoopFor(3000);
  const double cpu = ProcessCpuMs() - cpu0, wall = sb::PlayerClockMs() - wall0;
  const double played = player.PositionSeconds() - pos0;
  const bool stillPlaying = player.State() == sb::PlayerState::Playing;
  player.Stop();

  std::printf("player_open_to_first_buffer_ms: %.1f ms\n", latencies[latencies.size() / 2]);
  std::printf("play_cpu_percent: %.2f %%\n", 100.0 * cpu / wall);
  // The test sound device takes the sound faster than real time; per second
  // of sound played is what a real device would cost.
  if (played > 0) std::printf("play_cpu_percent_per_audio_second: %.2f %%\n", 100.0 * cpu / (played * 1000));
  if (!stillPlaying) std::fprintf(stderr, "playback did not last the measurement\n");
  return 0;
}
