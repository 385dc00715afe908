// Runs with HOME pointing at a folder without an ALSA configuration, so Wine
// finds no sound device at all: a normal situation the player must report.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/form.h"
#include "platform/media_player.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

TEST(MediaPlayerWithoutSoundDevice, ReportsItAndPlaysNothing) {
  ASSERT_EQ(waveOutGetNumDevs(), 0u) << "this test needs a process without sound devices";
  sbtest::MessageBoxAnswerer dialogs;
  sbtest::TestHttpServer server;
  server.Serve("/tone.mp3", sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tone1k.mp3"), "audio/mpeg");
  sb::Form host;
  ASSERT_TRUE(host.CreateForm({L"无声", 8895, 1200}));
  sb::MediaPlayer player;
  ASSERT_TRUE(player.Create({host.hwnd(), RECT{0, 0, 593, 45}, 1}));
  std::vector<sb::PlayerState> states;
  std::vector<std::wstring> texts;
  player.StateChanged = [&](int s) {
    states.push_back(static_cast<sb::PlayerState>(s));
    texts.push_back(player.Status());
  };
  const std::wstring url = server.Root() + L"tone.mp3\r\n";
  for (int attempt = 0; attempt < 2; ++attempt) {
    states.clear();
    texts.clear();
    if (attempt == 0) {
      player.SetURL(url);
    } else {
      player.Play();
    }
    ASSERT_TRUE(sbtest::PumpUntil([&] { return !states.empty() && states.back() == sb::PlayerState::Failed; }, 10000));
    sbtest::PumpFor(100);
    EXPECT_EQ(states, (std::vector<sb::PlayerState>{sb::PlayerState::Connecting, sb::PlayerState::Failed}));
    EXPECT_EQ(texts.back(), L"未找到音频设备");
    EXPECT_EQ(player.Status(), L"未找到音频设备");
    EXPECT_EQ(player.Error(), sb::PlayerError::NoDevice);
    EXPECT_EQ(player.URL(), url);
  }
  player.Stop();
  EXPECT_EQ(player.Status(), L"已停止");
  EXPECT_EQ(dialogs.count(), 0);
}

}  // namespace
