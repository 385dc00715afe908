#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/media_player.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

using sb::PlayerState;

std::wstring AudioPath() { return sbtest::UnixToWindowsPath(sbtest::EnvW(L"SONGBOX_TEST_AUDIO")); }

long long AudioSize() {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExW(AudioPath().c_str(), GetFileExInfoStandard, &a)) return 0;
  return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

std::string MediaBytes(const wchar_t* name) { return sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\" + name); }

class MediaPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.CreateForm({L"播放器测试", 8895, 1200}));
    ShowWindow(host.hwnd(), SW_SHOW);
    ASSERT_TRUE(player.Create({host.hwnd(), RECT{0, 0, 593, 45}, 7}));
    player.StateChanged = [this](int state) {
      states.push_back(static_cast<PlayerState>(state));
      texts.push_back(player.Status());
    };
    tone = MediaBytes(L"tone1k.mp3");
    ASSERT_FALSE(tone.empty());
    server.Serve("/tone.mp3", tone, "audio/mpeg");
  }

  bool WaitFor(PlayerState s, int ms = 10000) {
    return sbtest::PumpUntil([&] { return !states.empty() && states.back() == s; }, ms);
  }

  sb::Form host;
  sb::MediaPlayer player;
  sbtest::TestHttpServer server;
  std::string tone;
  std::vector<PlayerState> states;
  std::vector<std::wstring> texts;
};

TEST_F(MediaPlayerTest, ToneOverHttpPlaysToTheEnd) {
  const long long before = AudioSize();
  player.SetURL(server.Root() + L"tone.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Ended, 15000));
  for (size_t i = 0; i < states.size(); ++i) printf("state %d %ls\n", static_cast<int>(states[i]), texts[i].c_str());
  printf("grew %lld\n", AudioSize() - before);
}

}  // namespace
