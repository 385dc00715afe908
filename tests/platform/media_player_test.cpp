// The player against the real sound path: Wine's waveOut writes through an
// ALSA file device into $SONGBOX_TEST_AUDIO (the file starts afresh on every
// opening of the device), so each test can check what was really played.
// That device is not paced by a clock (it takes the sound several times
// faster than real time), so the tests judge content, not durations.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/media_player.h"
#include "audio_capture.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

using sb::PlayerState;

// Wine hands the stream to ALSA in the format it was opened with (checked:
// the tone's mono 44.1 kHz 16-bit arrives as such), so the file holds the
// decoder's PCM as it is.
constexpr double kToneRate = 44100;

std::wstring AudioPath() { return sbtest::UnixToWindowsPath(sbtest::EnvW(L"SONGBOX_TEST_AUDIO")); }

long long AudioSize() {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExW(AudioPath().c_str(), GetFileExInfoStandard, &a)) return 0;
  return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}


using sbtest::AnalyseTone;

// The player's "elapsed / total" label: the static child that holds a " / ".
std::wstring TimeText(HWND player) {
  for (HWND c = GetWindow(player, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    std::wstring text = sb::Form::GetText(c);
    if (text.find(L" / ") != std::wstring::npos) return text;
  }
  return L"(no time label)";
}

std::string MediaBytes(const wchar_t* name) { return sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\" + name); }

std::string HttpHead(size_t contentLength, const char* type = "audio/mpeg") {
  return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(type) + "\r\nContent-Length: " +
         std::to_string(contentLength) + "\r\nConnection: close\r\n\r\n";
}

// A PCM WAV file of a sine.
std::string MakeWav(int rate, int channels, double seconds, double frequency) {
  const uint32_t frames = static_cast<uint32_t>(rate * seconds);
  const uint32_t dataBytes = frames * channels * 2;
  std::string w = "RIFF";
  auto u32 = [&](uint32_t v) { w.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { w.append(reinterpret_cast<const char*>(&v), 2); };
  u32(36 + 12 + dataBytes);
  w += "WAVE";
  w += "LIST";  // an unrelated chunk first, as editors write them
  u32(4);
  w += "INFO";
  w += "fmt ";
  u32(16);
  u16(1);
  u16(static_cast<uint16_t>(channels));
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate * channels * 2));
  u16(static_cast<uint16_t>(channels * 2));
  u16(16);
  w += "data";
  u32(dataBytes);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * frequency * i / rate));
    for (int c = 0; c < channels; ++c) u16(static_cast<uint16_t>(v));
  }
  return w;
}

class MediaPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.CreateForm({L"播放器测试", 8895, 1200}));
    ShowWindow(host.hwnd(), SW_SHOW);
    ASSERT_TRUE(player.Create({host.hwnd(), RECT{0, 0, 593, 45}, 7}));
    player.StateChanged = [this](int state) {
      states.push_back(static_cast<PlayerState>(state));
      texts.push_back(player.Status());
      EXPECT_EQ(GetCurrentThreadId(), uiThread);
    };
    tone = MediaBytes(L"tone1k.mp3");
    ASSERT_FALSE(tone.empty());
    server.Serve("/tone.mp3", tone, "audio/mpeg");
  }

  bool WaitFor(PlayerState s, int ms = 10000) {
    return sbtest::PumpUntil([&] { return !states.empty() && states.back() == s; }, ms);
  }
  bool WaitForEnd(int ms = 10000) {
    return sbtest::PumpUntil(
        [&] { return !states.empty() && (states.back() == PlayerState::Ended || states.back() == PlayerState::Failed); },
        ms);
  }
  void ExpectStates(const std::vector<PlayerState>& want, const std::vector<std::wstring>& wantTexts) {
    EXPECT_EQ(states, want);
    EXPECT_EQ(texts, wantTexts);
  }
  // The whole device output of the last opening is the 3 s tone.
  void ExpectToneOnDevice() {
    const sbtest::ToneReport r = AnalyseTone(sbtest::CapturedSamples(), kToneRate);
    EXPECT_NEAR(r.seconds, 3.0, 0.12);
    EXPECT_GT(r.rms, 2000);  // volume 50 of a half-scale sine: about 5800
    EXPECT_NEAR(r.frequency, 1000, 10);
  }

  DWORD uiThread = GetCurrentThreadId();
  // Declared before the player so it outlives it, and released before the
  // server goes away so a stalling handler lets its connection go.
  sbtest::TestHttpServer server;
  struct Release {
    sb::UniqueKernelHandle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ~Release() { SetEvent(event.get()); }
  } stallRelease;
  sb::Form host;
  sb::MediaPlayer player;
  sbtest::MessageBoxAnswerer dialogs;
  std::string tone;
  std::vector<PlayerState> states;
  std::vector<std::wstring> texts;
};

const std::vector<PlayerState> kPlayedThrough = {PlayerState::Connecting, PlayerState::Buffering, PlayerState::Playing,
                                                 PlayerState::Ended};
const std::vector<std::wstring> kPlayedThroughTexts = {L"正在连接…", L"正在缓冲…", L"正在播放", L"播放完毕"};

TEST_F(MediaPlayerTest, ToneOverHttpReachesTheDeviceWholeAndInTune) {
  EXPECT_EQ(player.URL(), L"");
  EXPECT_EQ(player.Status(), L"");
  const std::wstring url = server.Root() + L"tone.mp3";
  player.SetURL(url);
  EXPECT_EQ(player.URL(), url);
  EXPECT_EQ(player.Status(), L"正在连接…");
  player.Play();  // the caller's explicit play right after the address must not restart it
  ASSERT_TRUE(WaitForEnd(15000));
  ExpectStates(kPlayedThrough, kPlayedThroughTexts);
  ExpectToneOnDevice();
  EXPECT_EQ(TimeText(player.hwnd()), L"00:00 / 00:03") << "the length stays known after the end";
  player.Stop();
  EXPECT_EQ(TimeText(player.hwnd()), L"00:00 / 00:03");
  EXPECT_EQ(server.CountRequests("/tone.mp3"), 1);
  EXPECT_GT(player.FirstBufferTickMs(), player.OpenTickMs());
  EXPECT_LT(player.FirstBufferTickMs() - player.OpenTickMs(), 5000) << "a bound, not the figure: see the benchmark";
  EXPECT_EQ(player.URL(), url);
  EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(MediaPlayerTest, ToneFromALocalFileAtFullVolume) {
  player.SetVolume(100);
  player.SetURL(sbtest::MediaDir() + L"\\media\\tone1k.mp3");
  ASSERT_TRUE(WaitForEnd(15000));
  ExpectStates(kPlayedThrough, kPlayedThroughTexts);
  ExpectToneOnDevice();
  // The file's sine is at half scale: about 11600 RMS unscaled, half that at volume 50.
  EXPECT_GT(AnalyseTone(sbtest::CapturedSamples(), kToneRate).rms, 10000);
}

TEST_F(MediaPlayerTest, AddressWithBlanksAndTrailingCrlfPlaysAndReadsBackUnchanged) {
  const std::wstring url = L" " + server.Root() + L"tone.mp3\r\n";
  player.SetURL(url);
  EXPECT_EQ(player.URL(), url);
  ASSERT_TRUE(WaitForEnd(15000));
  ExpectStates(kPlayedThrough, kPlayedThroughTexts);
  EXPECT_EQ(server.RequestedPaths(), std::vector<std::string>{"/tone.mp3"});
  EXPECT_EQ(player.URL(), url);
}

TEST_F(MediaPlayerTest, TagsAndGarbageAroundFramesAreSkipped) {
  // A large ID3v2 tag (as with embedded cover art), junk before the first
  // frame and between frames, an ID3v1 tag at the end.
  std::string id3 = "ID3";
  id3 += std::string{4, 0, 0};
  const size_t body = 100000;
  id3 += static_cast<char>((body >> 21) & 0x7F);
  id3 += static_cast<char>((body >> 14) & 0x7F);
  id3 += static_cast<char>((body >> 7) & 0x7F);
  id3 += static_cast<char>(body & 0x7F);
  id3 += std::string(body, '\xFF');  // sync-like bytes inside the tag must not be taken for audio
  std::string tagged = id3 + "<junk\xFF\xFB junk>" + tone.substr(0, 20000) + std::string(333, '\x55') +
                       tone.substr(20000) + "TAG" + std::string(125, ' ');
  server.Serve("/tagged.mp3", tagged, "audio/mpeg");
  player.SetURL(server.Root() + L"tagged.mp3");
  ASSERT_TRUE(WaitForEnd(15000));
  ExpectStates(kPlayedThrough, kPlayedThroughTexts);
  const sbtest::ToneReport r = AnalyseTone(sbtest::CapturedSamples(), kToneRate);
  EXPECT_NEAR(r.seconds, 3.0, 0.15);
  EXPECT_NEAR(r.frequency, 1000, 15);
}

TEST_F(MediaPlayerTest, WavePcmPlays) {
  server.Serve("/beep.wav", MakeWav(22050, 1, 1.0, 500), "audio/wav");
  player.SetURL(server.Root() + L"beep.wav");
  ASSERT_TRUE(WaitForEnd(10000));
  ExpectStates(kPlayedThrough, kPlayedThroughTexts);
  const sbtest::ToneReport r = AnalyseTone(sbtest::CapturedSamples(), 22050);
  EXPECT_NEAR(r.seconds, 1.0, 0.05);
  EXPECT_NEAR(r.frequency, 500, 5);
  EXPECT_GT(r.rms, 3000);  // half of 12000 / sqrt 2
}

TEST_F(MediaPlayerTest, DemoSongPlaysAndStopSilencesIt) {
  const std::string song = MediaBytes(L"tune0.mp3");
  ASSERT_FALSE(song.empty());
  server.Serve("/media/tune0.mp3", song, "audio/mpeg");
  player.SetURL(server.Root() + L"media/tune0.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  EXPECT_TRUE(sbtest::PumpUntil([&] { return player.PositionSeconds() > 0.5; }, 10000));
  EXPECT_EQ(player.State(), PlayerState::Playing);
  EXPECT_NEAR(player.DurationSeconds(), 12.0, 0.2);  // tune0 is 12 s long
  const long long playing = AudioSize();
  EXPECT_TRUE(sbtest::PumpUntil([&] { return AudioSize() > playing; }, 10000))
      << "the device output should grow while playing";
  const auto samples = sbtest::CapturedSamples();
  ASSERT_FALSE(samples.empty());
  EXPECT_GT(AnalyseTone(samples, 88200).rms, 300);

  const double before = sb::PlayerClockMs();
  player.Stop();
  EXPECT_LT(sb::PlayerClockMs() - before, 3000);
  EXPECT_EQ(player.Status(), L"已停止");
  const long long stopped = AudioSize();
  sbtest::PumpFor(600);
  EXPECT_EQ(AudioSize(), stopped) << "nothing may reach the device after Stop";
  EXPECT_EQ(states.back(), PlayerState::Stopped);
  EXPECT_EQ(texts.back(), L"已停止");
}

TEST_F(MediaPlayerTest, SecondAddressReplacesTheFirst) {
  server.Serve("/media/tune1.mp3", MediaBytes(L"tune1.mp3"), "audio/mpeg");
  player.SetURL(server.Root() + L"media/tune1.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  sbtest::PumpFor(300);
  states.clear();
  texts.clear();
  const std::wstring second = server.Root() + L"tone.mp3";
  player.SetURL(second);
  EXPECT_EQ(player.URL(), second);
  ASSERT_TRUE(WaitForEnd(15000));
  ExpectStates(kPlayedThrough, kPlayedThroughTexts);
  // The device was opened afresh for the tone and nothing of the song followed it.
  ExpectToneOnDevice();
  sbtest::PumpFor(300);
  EXPECT_EQ(states.size(), kPlayedThrough.size()) << "the replaced song must not report anything";
}

TEST_F(MediaPlayerTest, PauseResumeAndReplayFromWhatArrived) {
  player.SetURL(server.Root() + L"tone.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  sbtest::PumpFor(500);
  player.Pause();
  EXPECT_EQ(player.Status(), L"已暂停");
  sbtest::PumpFor(300);  // let the device return what it already had
  const long long paused = AudioSize();
  const double position = player.PositionSeconds();
  sbtest::PumpFor(700);
  EXPECT_LE(AudioSize() - paused, 4 * 4410) << "at most a device period may trickle out while paused";
  EXPECT_NEAR(player.PositionSeconds(), position, 0.05);
  player.Play();
  EXPECT_EQ(player.Status(), L"正在播放");
  ASSERT_TRUE(WaitForEnd(15000));
  EXPECT_EQ(player.Status(), L"播放完毕");
  EXPECT_EQ(std::vector<PlayerState>(states.end() - 3, states.end()),
            (std::vector<PlayerState>{PlayerState::Paused, PlayerState::Playing, PlayerState::Ended}));

  // Play after the end replays the media that has already arrived.
  states.clear();
  player.Play();
  ASSERT_TRUE(WaitForEnd(15000));
  EXPECT_EQ(states.back(), PlayerState::Ended);
  ExpectToneOnDevice();
  // And so does Play after Stop.
  player.Play();
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  player.Stop();
  states.clear();
  player.Play();
  ASSERT_TRUE(WaitForEnd(15000));
  EXPECT_EQ(states, (std::vector<PlayerState>{PlayerState::Stopped, PlayerState::Connecting, PlayerState::Buffering,
                                              PlayerState::Playing, PlayerState::Ended}));
  ExpectToneOnDevice();
  EXPECT_EQ(server.CountRequests("/tone.mp3"), 1);
}

TEST_F(MediaPlayerTest, SeekMovesPlaybackButNotPastWhatArrived) {
  player.SetURL(server.Root() + L"tone.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  player.Seek(2.0);
  ASSERT_TRUE(WaitForEnd(15000));
  EXPECT_EQ(states.back(), PlayerState::Ended);
  const sbtest::ToneReport r = AnalyseTone(sbtest::CapturedSamples(), kToneRate);
  EXPECT_LT(r.seconds, 2.0) << "about 1 s from the seek target plus what was queued before it";
  EXPECT_GT(r.seconds, 0.8);

  // Half of the tone arrives, then the server goes quiet.
  server.Route("/half.mp3", [&](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    c.Send(HttpHead(tone.size()) + tone.substr(0, tone.size() / 2));
    WaitForSingleObject(stallRelease.event.get(), 15000);
  });
  states.clear();
  player.SetURL(server.Root() + L"half.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  sbtest::PumpFor(200);
  player.Seek(2.8);
  EXPECT_TRUE(sbtest::PumpUntil([&] { return player.PositionSeconds() > 1.2; }, 10000));
  EXPECT_LT(player.PositionSeconds(), 1.6) << "only what has arrived can be reached";
  player.Stop();
}

TEST_F(MediaPlayerTest, ASongLongerThanTheWindowPlaysWholeSeeksWithinWhatIsKeptAndIsFetchedAgainToReplay) {
  server.Serve("/media/tune0.mp3", MediaBytes(L"tune0.mp3"), "audio/mpeg");  // 12 s, about 190 KB
  const std::wstring url = server.Root() + L"media/tune0.mp3";
  player.SetURL(url);
  ASSERT_TRUE(WaitForEnd(30000));
  const double whole = AnalyseTone(sbtest::CapturedSamples(), 88200).seconds;  // stereo, read as mono

  sb::MediaPlayer small;
  ASSERT_TRUE(small.Create({host.hwnd(), RECT{0, 50, 593, 95}, 8, 50, true, 64u << 10}));
  const auto ended = [&] { return small.State() == PlayerState::Ended || small.State() == PlayerState::Failed; };
  small.SetURL(url);
  ASSERT_TRUE(sbtest::PumpUntil(ended, 30000));
  EXPECT_EQ(small.State(), PlayerState::Ended);
  EXPECT_NEAR(AnalyseTone(sbtest::CapturedSamples(), 88200).seconds, whole, 0.1)
      << "the same sound, though its start was dropped on the way";

  small.Play();
  // By 7 s the window (about 4 s of this song) holds nothing before about 5 s.
  ASSERT_TRUE(sbtest::PumpUntil([&] { return small.PositionSeconds() > 7; }, 30000));
  const double before = small.PositionSeconds();
  small.Seek(0);
  EXPECT_TRUE(sbtest::PumpUntil([&] { return small.PositionSeconds() < before; }, 10000));
  EXPECT_GT(small.PositionSeconds(), 3.0) << "back to the oldest second held, not to the start";
  EXPECT_EQ(small.State(), PlayerState::Playing);
  small.Stop();
  EXPECT_EQ(server.CountRequests("/media/tune0.mp3"), 3) << "only the song held whole is replayed from memory";
}

TEST_F(MediaPlayerTest, FailuresReportAClearStatusWithoutDialogs) {
  struct Case {
    std::wstring url;
    std::vector<PlayerState> states;
    std::wstring text;
  };
  server.Serve("/page.html", "<html><head><title>x</title></head><body>" + std::string(5000, 'x') + "</body></html>");
  server.Serve("/empty.mp3", "", "audio/mpeg");
  const std::vector<Case> cases = {
      {server.Root() + L"missing.mp3", {PlayerState::Connecting, PlayerState::Failed}, L"无法连接到媒体地址"},
      {L"http://127.0.0.1:1/none.mp3", {PlayerState::Connecting, PlayerState::Failed}, L"无法连接到媒体地址"},
      {sbtest::MediaDir() + L"\\media\\no-such-file.mp3", {PlayerState::Connecting, PlayerState::Failed},
       L"无法连接到媒体地址"},
      {server.Root() + L"page.html", {PlayerState::Connecting, PlayerState::Buffering, PlayerState::Failed},
       L"不是可播放的音频"},
      {server.Root() + L"empty.mp3", {PlayerState::Connecting, PlayerState::Buffering, PlayerState::Failed},
       L"不是可播放的音频"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << sbtest::Gbk(c.url));
    states.clear();
    texts.clear();
    player.SetURL(c.url);
    ASSERT_TRUE(WaitForEnd(10000));
    sbtest::PumpFor(100);
    EXPECT_EQ(states, c.states);
    EXPECT_EQ(texts.back(), c.text);
    EXPECT_EQ(player.Status(), c.text);
    EXPECT_EQ(player.URL(), c.url);
  }
  // Play on a failed address tries again and fails the same way.
  states.clear();
  player.Play();
  ASSERT_TRUE(WaitForEnd(10000));
  EXPECT_EQ(player.Status(), L"不是可播放的音频");
  EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(MediaPlayerTest, StalledServerEndsInAnInterruptedStatusNotAHang) {
  server.Route("/stall.mp3", [&](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    c.Send(HttpHead(tone.size()) + tone.substr(0, tone.size() / 2));
    WaitForSingleObject(stallRelease.event.get(), 20000);
  });
  player.SetStallTimeoutMs(3000);
  player.SetURL(server.Root() + L"stall.mp3");
  ASSERT_TRUE(WaitForEnd(12000));
  EXPECT_EQ(states, (std::vector<PlayerState>{PlayerState::Connecting, PlayerState::Buffering, PlayerState::Playing,
                                              PlayerState::Buffering, PlayerState::Failed}));
  EXPECT_EQ(texts[3], L"正在缓冲…");
  EXPECT_EQ(player.Status(), L"媒体传输中断");
  const sbtest::ToneReport r = AnalyseTone(sbtest::CapturedSamples(), kToneRate);
  EXPECT_NEAR(r.seconds, 1.5, 0.15) << "what arrived was played";

  // Stop while the server is silent returns at once.
  player.SetStallTimeoutMs(20000);
  player.SetURL(server.Root() + L"stall.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  EXPECT_TRUE(sbtest::PumpUntil([&] { return player.Status() == L"正在缓冲…"; }, 10000));
  const double before = sb::PlayerClockMs();
  player.Stop();
  EXPECT_LT(sb::PlayerClockMs() - before, 3000);
  EXPECT_EQ(player.Status(), L"已停止");
  EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(MediaPlayerTest, ServerSlowToAnswerIsWaitedFor) {
  server.Route("/slow.mp3", [&](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    if (WaitForSingleObject(stallRelease.event.get(), 1500) == WAIT_OBJECT_0) return;
    c.Respond(200, tone, "audio/mpeg");
  });
  player.SetURL(server.Root() + L"slow.mp3");
  ASSERT_TRUE(WaitForEnd(20000));
  ExpectStates(kPlayedThrough, kPlayedThroughTexts);
  ExpectToneOnDevice();
}

TEST_F(MediaPlayerTest, DroppedTransferPlaysWhatArrivedThenSaysSo) {
  server.Route("/drop.mp3", [&](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    c.Send(HttpHead(tone.size()) + tone.substr(0, tone.size() / 3));
    c.Close();
  });
  player.SetURL(server.Root() + L"drop.mp3");
  ASSERT_TRUE(WaitForEnd(10000));
  EXPECT_EQ(states.back(), PlayerState::Failed);
  EXPECT_EQ(player.Status(), L"媒体传输中断");
  const sbtest::ToneReport r = AnalyseTone(sbtest::CapturedSamples(), kToneRate);
  EXPECT_NEAR(r.seconds, 1.0, 0.15);
}

TEST_F(MediaPlayerTest, OwnControlsSitInsideTheGivenRect) {
  HWND w = player.hwnd();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(GetParent(w), host.hwnd());
  EXPECT_EQ(GetDlgCtrlID(w), 7);
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 593);
  EXPECT_EQ(r.bottom, 45);

  std::vector<std::wstring> buttons;
  std::vector<HWND> bars;
  for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[64]{}, text[64]{};
    GetClassNameW(c, cls, 64);
    GetWindowTextW(c, text, 64);
    RECT cr{};
    GetWindowRect(c, &cr);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&cr), 2);
    EXPECT_GE(cr.left, 0);
    EXPECT_GE(cr.top, 0);
    EXPECT_LE(cr.right, 593);
    EXPECT_LE(cr.bottom, 45);
    if (lstrcmpiW(cls, L"Button") == 0) buttons.push_back(text);
    if (lstrcmpiW(cls, TRACKBAR_CLASSW) == 0) bars.push_back(c);
  }
  EXPECT_EQ(buttons, (std::vector<std::wstring>{L"播放", L"停止"}));
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(SendMessageW(bars[1], TBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(player.Volume(), 50);

  // The buttons drive the player.
  HWND play = FindWindowExW(w, nullptr, L"Button", L"播放");
  HWND stop = FindWindowExW(w, nullptr, L"Button", L"停止");
  player.SetURL(server.Root() + L"tone.mp3");
  ASSERT_TRUE(WaitFor(PlayerState::Playing));
  EXPECT_EQ(play, FindWindowExW(w, nullptr, L"Button", L"暂停"));
  SendMessageW(play, BM_CLICK, 0, 0);
  EXPECT_EQ(player.State(), PlayerState::Paused);
  SendMessageW(play, BM_CLICK, 0, 0);
  EXPECT_EQ(player.State(), PlayerState::Playing);
  SendMessageW(stop, BM_CLICK, 0, 0);
  EXPECT_EQ(player.State(), PlayerState::Stopped);
  // Moving the volume bar sets the volume.
  SendMessageW(bars[1], TBM_SETPOS, TRUE, 80);
  SendMessageW(w, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(bars[1]));
  EXPECT_EQ(player.Volume(), 80);
  sbtest::PumpFor(50);
}

}  // namespace
