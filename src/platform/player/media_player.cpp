#include "platform/media_player.h"

#include <algorithm>
#include <cwctype>
#include <thread>

#include "platform/player/playback_event.h"
#include "platform/player/playback_session.h"
#include "platform/player/player_window.h"
#include "platform/player/warm_up.h"

namespace sb {
namespace {

// The catalogue hands over addresses with surrounding blanks and a trailing
// CRLF; opening needs them gone, URL() still reads back what was put.
std::wstring TrimAddress(const std::wstring& url) {
  size_t begin = 0, end = url.size();
  while (begin < end && std::iswspace(url[begin])) ++begin;
  while (end > begin && std::iswspace(url[end - 1])) --end;
  return url.substr(begin, end - begin);
}

std::wstring StatusText(PlayerState state, PlayerError error) {
  switch (state) {
    case PlayerState::Connecting: return L"正在连接…";
    case PlayerState::Buffering: return L"正在缓冲…";
    case PlayerState::Playing: return L"正在播放";
    case PlayerState::Paused: return L"已暂停";
    case PlayerState::Stopped: return L"已停止";
    case PlayerState::Ended: return L"播放完毕";
    case PlayerState::Failed:
      switch (error) {
        case PlayerError::Unreachable: return L"无法连接到媒体地址";
        case PlayerError::NotAudio: return L"不是可播放的音频";
        case PlayerError::NoDevice: return L"未找到音频设备";
        case PlayerError::Interrupted: return L"媒体传输中断";
        case PlayerError::None: break;
      }
      return L"无法播放";
    case PlayerState::Undefined: break;
  }
  return L"";
}

}  // namespace

double PlayerClockMs() {
  static const double perMs = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / perMs;
}

struct MediaPlayer::Impl {
  explicit Impl(MediaPlayer& owner) : owner(owner) {}

  MediaPlayer& owner;
  PlayerWindow window;
  std::wstring url;
  PlayerState state = PlayerState::Undefined;
  PlayerError error = PlayerError::None;
  int volume = 50;
  bool autoStart = true;
  int stallTimeoutMs = 20000;
  size_t windowBytes = limits::kMediaWindowBytes;
  WPARAM generation = 0;
  double openTickMs = 0;
  double lastFirstBufferMs = 0;
  double knownDuration = 0;  // of the current address, once a session has told it
  std::unique_ptr<PlaybackSession> session;
  std::shared_ptr<StreamBuffer> completeMedia;  // kept for replays of the same address
  std::thread warmUp;

  void SetState(PlayerState s, PlayerError e = PlayerError::None) {
    if (s == state && e == error) return;
    state = s;
    error = e;
    window.ShowPlaying(s == PlayerState::Playing || s == PlayerState::Buffering || s == PlayerState::Connecting);
    PostMessageW(window.hwnd(), kMsgRaiseState, static_cast<WPARAM>(s), 0);
  }

  void Open() {
    DropSession();
    const std::wstring address = TrimAddress(url);
    if (address.empty()) return SetState(PlayerState::Undefined);
    SessionOptions options;
    options.address = address;
    options.notify = window.hwnd();
    options.generation = ++generation;
    options.volume = volume;
    options.stallTimeoutMs = stallTimeoutMs;
    options.windowBytes = windowBytes;
    options.arrived = completeMedia;
    openTickMs = PlayerClockMs();
    lastFirstBufferMs = 0;
    session = std::make_unique<PlaybackSession>(std::move(options));
    // Raised before the threads can post anything, so notifications keep their order.
    SetState(PlayerState::Connecting);
    session->Start();
    window.StartTicks();
  }

  void DropSession() {
    if (!session) return;
    Tick();
    if (!completeMedia) completeMedia = session->CompleteMedia();
    lastFirstBufferMs = session->FirstBufferTickMs();
    ++generation;  // whatever the old threads posted is stale now
    session.reset();
    window.StopTicks();
  }

  void OnPlaybackEvent(WPARAM gen, LPARAM lp) {
    if (gen != generation || !session) return;
    const PlaybackEvent e = UnpackPlaybackEvent(lp);
    // The engine may report playing just before the user paused.
    if (state == PlayerState::Paused && (e.state == PlayerState::Playing || e.state == PlayerState::Buffering)) return;
    if (e.state == PlayerState::Ended || e.state == PlayerState::Failed) {
      DropSession();
      if (e.state == PlayerState::Ended) window.ShowTimes(0, knownDuration, 0);
    }
    SetState(e.state, e.error);
  }

  void Tick() {
    if (!session) return;
    if (const double d = session->DurationSeconds(); d > 0) knownDuration = d;
    window.ShowTimes(session->PositionSeconds(), knownDuration, session->ArrivedSeconds());
  }

  void OnPlayPause() {
    if (state == PlayerState::Playing || state == PlayerState::Buffering || state == PlayerState::Connecting) {
      owner.Pause();
    } else {
      owner.Play();
    }
  }
};

MediaPlayer::MediaPlayer() : impl_(std::make_unique<Impl>(*this)) {}

MediaPlayer::~MediaPlayer() {
  impl_->DropSession();
  if (impl_->warmUp.joinable()) impl_->warmUp.join();
}

bool MediaPlayer::Create(const MediaPlayerCreateArgs& args) {
  impl_->volume = std::clamp(args.volume, 0, 100);
  impl_->autoStart = args.autoStart;
  impl_->windowBytes = args.mediaWindowBytes;
  Impl* impl = impl_.get();
  PlayerWindowEvents events;
  events.playPause = [impl] { impl->OnPlayPause(); };
  events.stop = [this] { Stop(); };
  events.seek = [this](double seconds) { Seek(seconds); };
  events.volume = [this](int v) { SetVolume(v); };
  events.tick = [impl] { impl->Tick(); };
  events.playbackEvent = [impl](WPARAM gen, LPARAM lp) { impl->OnPlaybackEvent(gen, lp); };
  events.raiseState = [this](int state) {
    if (StateChanged) StateChanged(state);
  };
  if (!impl_->window.Create(args.parent, args.rect, args.id, impl_->volume, std::move(events))) return false;
  if (!impl_->warmUp.joinable()) impl_->warmUp = std::thread(WarmUpPlayback);
  return true;
}

HWND MediaPlayer::hwnd() const { return impl_->window.hwnd(); }

void MediaPlayer::SetURL(const std::wstring& url) {
  impl_->DropSession();
  impl_->url = url;
  impl_->completeMedia.reset();
  impl_->knownDuration = 0;
  impl_->window.ShowTimes(0, 0, 0);
  if (impl_->autoStart) {
    impl_->Open();
  } else {
    impl_->SetState(TrimAddress(url).empty() ? PlayerState::Undefined : PlayerState::Stopped);
  }
}

std::wstring MediaPlayer::URL() const { return impl_->url; }

void MediaPlayer::Play() {
  switch (impl_->state) {
    case PlayerState::Paused:
      if (impl_->session) {
        impl_->session->Resume();
        impl_->SetState(PlayerState::Playing);
        impl_->window.StartTicks();
        return;
      }
      break;
    case PlayerState::Playing:
    case PlayerState::Buffering:
    case PlayerState::Connecting:
      if (impl_->session) return;
      break;
    default:
      break;
  }
  impl_->Open();
}

void MediaPlayer::Stop() {
  impl_->DropSession();
  impl_->window.ShowTimes(0, impl_->knownDuration, 0);
  if (impl_->state != PlayerState::Undefined) impl_->SetState(PlayerState::Stopped);
}

void MediaPlayer::Pause() {
  if (!impl_->session) return;
  if (impl_->state != PlayerState::Playing && impl_->state != PlayerState::Buffering &&
      impl_->state != PlayerState::Connecting) {
    return;
  }
  impl_->session->Pause();
  impl_->SetState(PlayerState::Paused);
}

std::wstring MediaPlayer::Status() const { return StatusText(impl_->state, impl_->error); }

int MediaPlayer::Volume() const { return impl_->volume; }

void MediaPlayer::SetVolume(int volume) {
  impl_->volume = std::clamp(volume, 0, 100);
  impl_->window.SetVolume(impl_->volume);
  if (impl_->session) impl_->session->SetVolume(impl_->volume);
}

PlayerState MediaPlayer::State() const { return impl_->state; }
PlayerError MediaPlayer::Error() const { return impl_->error; }

double MediaPlayer::PositionSeconds() const {
  return impl_->session ? impl_->session->PositionSeconds() : 0;
}

PositionSample MediaPlayer::Position() const { return impl_->session ? impl_->session->Position() : PositionSample{}; }

double MediaPlayer::DurationSeconds() const {
  return impl_->session ? impl_->session->DurationSeconds() : 0;
}

void MediaPlayer::Seek(double seconds) {
  if (!impl_->session) return;
  impl_->session->Seek(seconds);
  if (Seeked) Seeked(seconds);
}

double MediaPlayer::OpenTickMs() const { return impl_->openTickMs; }

double MediaPlayer::FirstBufferTickMs() const {
  return impl_->session ? impl_->session->FirstBufferTickMs() : impl_->lastFirstBufferMs;
}

void MediaPlayer::SetStallTimeoutMs(int ms) { impl_->stallTimeoutMs = std::max(100, ms); }

}  // namespace sb
