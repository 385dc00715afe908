// Saves the player window, idle and while playing, as PNGs under the build
// folder given as the argument (gallery/player_*.png).
#include <windows.h>

#include <string>

#include "platform/form.h"
#include "platform/media_player.h"
#include "test_env.h"
#include "test_http_server.h"

int wmain(int argc, wchar_t** argv) {
  const std::wstring out = (argc > 1 ? std::wstring(argv[1]) : sbtest::BuildDir()) + L"\\gallery";
  CreateDirectoryW(out.c_str(), nullptr);
  sbtest::TestHttpServer server;
  server.Serve("/tune2.mp3", sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tune2.mp3"), "audio/mpeg");
  sb::Form host;
  host.CreateForm({L"播放器", 8895 + 240, 675 + 240});
  SetWindowPos(host.hwnd(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  sb::MediaPlayer player;
  const int pad = sb::TwipsToPixels(120);
  player.Create({host.hwnd(), RECT{pad, pad, pad + sb::TwipsToPixels(8895), pad + sb::TwipsToPixels(675)}, 1});
  sbtest::PumpFor(300);
  sbtest::SaveWindowPng(player.hwnd(), out + L"\\player_idle.png");
  player.SetURL(server.Root() + L"tune2.mp3");
  sbtest::PumpUntil([&] { return player.PositionSeconds() > 2.2; }, 8000);
  sbtest::SaveWindowPng(player.hwnd(), out + L"\\player_playing.png");
  player.Stop();
  return 0;
}
