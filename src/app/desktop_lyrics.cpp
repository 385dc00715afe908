#include "app/desktop_lyrics.h"

#include <algorithm>
#include <cwchar>
#include <optional>

#include "platform/user_settings.h"

namespace sb {
namespace {

constexpr char kSection[] = "player";
constexpr char kOnKey[] = "desktop_lyrics";
constexpr char kLockedKey[] = "desktop_lyrics_locked";
constexpr char kXKey[] = "desktop_lyrics_x";
constexpr char kYKey[] = "desktop_lyrics_y";
constexpr wchar_t kNoSong[] = L"新歌音乐盒";
// Between the player's readings the position runs on for at most this long.
constexpr double kMaxExtrapolationMs = 400;

std::optional<int> ReadInt(const std::wstring& path, const char* key) {
  const std::optional<std::wstring> text = ReadSetting(path, kSection, key);
  if (!text || text->empty()) return std::nullopt;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text->c_str(), &end, 10);
  if (*end != L'\0' || value < -1000000 || value > 1000000) return std::nullopt;
  return static_cast<int>(value);
}

std::wstring Words(const std::wstring& text, const LrcLine* line) {
  if (!line || line->end > text.size() || line->words > line->end) return {};
  return text.substr(line->words, line->end - line->words);
}

bool Running(PlayerState s) {
  return s == PlayerState::Playing || s == PlayerState::Paused || s == PlayerState::Buffering ||
         s == PlayerState::Connecting;
}

}  // namespace

void DesktopLyrics::Load(HWND mainWindow) {
  mainWindow_ = mainWindow;
  if (!window_.Create()) return;
  window_.onHoverChanged = [this] { Update(); };
  window_.onMoved = [this] { KeepPlace(); };
  window_.onTick = [this] { Update(); };
  window_.onDisplayChanged = [this] {
    Update(true);
    PlaceOnAMonitor();
  };
  const std::wstring ini = PerUserSettingsPath();
  window_.SetLocked(ReadSetting(ini, kSection, kLockedKey) == L"1");
  const std::optional<int> x = ReadInt(ini, kXKey), y = ReadInt(ini, kYKey);
  placed_ = x && y;
  if (placed_) place_ = {*x, *y};
  Update(true);
  PlaceOnAMonitor();
  if (ReadSetting(ini, kSection, kOnKey) == L"1") Show(true);
}

void DesktopLyrics::Save(const char* key, const std::wstring& value) const {
  WriteSettingIfFileExists(PerUserSettingsPath(), kSection, key, value);
}

void DesktopLyrics::ChooseOn(bool on) {
  if (!window_.hwnd()) return;
  Save(kOnKey, on ? L"1" : L"0");
  Show(on);
}

void DesktopLyrics::Show(bool on) {
  on_ = on;
  if (on) {
    Update(true);
    window_.Present(frame_, &place_);
    window_.ShowNoActivate();
  } else {
    window_.Hide();
  }
  UpdateTicks();
}

void DesktopLyrics::Close() {
  window_.Hide();
  on_ = false;
}

void DesktopLyrics::ChooseLocked(bool locked) {
  window_.SetLocked(locked);
  Save(kLockedKey, locked ? L"1" : L"0");
  Update();
}

// A place off every monitor (one was removed) goes back to the bottom centre
// of the work area of the main window's monitor, where it first appears.
void DesktopLyrics::PlaceOnAMonitor() {
  const SIZE size = frame_.size();
  RECT r{place_.x, place_.y, place_.x + size.cx, place_.y + size.cy};
  if (placed_ && MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return;
  MONITORINFO mi{sizeof(mi)};
  HMONITOR monitor = MonitorFromWindow(mainWindow_, MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfoW(monitor, &mi)) return;
  place_ = {(mi.rcWork.left + mi.rcWork.right - size.cx) / 2, mi.rcWork.bottom - size.cy};
  placed_ = true;
  if (on_) window_.Present(frame_, &place_);
}

void DesktopLyrics::KeepPlace() {
  RECT r{};
  if (!GetWindowRect(window_.hwnd(), &r)) return;
  place_ = {r.left, r.top};
  placed_ = true;
  Save(kXKey, std::to_wstring(place_.x));
  Save(kYKey, std::to_wstring(place_.y));
}

void DesktopLyrics::SetSong(const std::wstring& songId, const std::wstring& title) {
  if (songId == songId_ && title == title_) return;
  const bool sameSong = songId == songId_;
  songId_ = songId;
  title_ = title;
  if (!sameSong) {
    timeline_ = {};
    lyricsText_.clear();
    if (songId == lastLyricsId_) SetLyrics(lastLyricsId_, lastLyricsText_);
  }
  Update();
  UpdateTicks();
}

void DesktopLyrics::SetLyrics(const std::wstring& songId, const std::wstring& text) {
  if (&text != &lastLyricsText_) {
    lastLyricsId_ = songId;
    lastLyricsText_ = text;
  }
  if (songId != songId_) return;
  lyricsText_ = text;
  timeline_ = LrcTimeline::Parse(lyricsText_);
  Update();
  UpdateTicks();
}

void DesktopLyrics::OnPlayerState(PlayerState state) {
  // The last reading may be up to a tick old: the fill stays where it was.
  pausedAtMs_ = state == PlayerState::Paused && state_ == PlayerState::Playing ? PositionMs() : -1;
  state_ = state;
  if (!Running(state)) seekAtMs_ = 0;
  Update();
  UpdateTicks();
}

void DesktopLyrics::OnSeek(double seconds) {
  seekMs_ = std::max(0.0, seconds) * 1000;
  seekAtMs_ = PlayerClockMs();
  pausedAtMs_ = -1;
  Update();
}

void DesktopLyrics::UpdateTicks() {
  if (on_ && state_ == PlayerState::Playing && !timeline_.empty())
    window_.StartTicks(kFrameMs);
  else
    window_.StopTicks();
}

}  // namespace sb

namespace sb {

// The device's last reading run on to now while playing; a seek the player
// has not taken a reading after yet counts from where it was asked to go.
double DesktopLyrics::PositionMs() {
  const PositionSample s = player_.Position();
  const double now = PlayerClockMs();
  const bool playing = state_ == PlayerState::Playing;
  if (state_ == PlayerState::Paused && pausedAtMs_ >= 0) return pausedAtMs_;
  if (seekAtMs_ != 0) {
    if (s.tickMs <= seekAtMs_) return seekMs_ + (playing ? std::clamp(now - seekAtMs_, 0.0, kMaxExtrapolationMs) : 0);
    seekAtMs_ = 0;
  }
  double ms = s.seconds * 1000;
  if (playing && s.advancing) ms += std::clamp(now - s.tickMs, 0.0, kMaxExtrapolationMs);
  return ms;
}

DesktopLyrics::View DesktopLyrics::Compute() {
  View v;
  if (songId_.empty() && title_.empty()) {
    v.current = kNoSong;
    return v;
  }
  if (timeline_.empty() || !Running(state_)) {
    v.current = title_;
    return v;
  }
  const auto ms = static_cast<int64_t>(PositionMs());
  const LrcLine* line = timeline_.LineAt(ms);
  if (!line) {
    v.current = title_;
    v.next = Words(lyricsText_, &timeline_.lines().front());
    return v;
  }
  const LrcLine* next = timeline_.NextAfter(line);
  v.current = v.sung = Words(lyricsText_, line);
  v.next = Words(lyricsText_, next);
  const auto durationMs = static_cast<int64_t>(player_.DurationSeconds() * 1000);
  const int64_t endMs = next ? next->ms : durationMs > line->ms ? durationMs : line->ms + kLastLineMs;
  v.fill = static_cast<double>(ms - line->ms) / static_cast<double>(std::max<int64_t>(1, endMs - line->ms));
  return v;
}

// Lays the lines out again only when they change, and hands a frame to the
// window only when the fill moved a column or the hover changed.
void DesktopLyrics::Update(bool relayout) {
  const View v = Compute();
  if (v.sung != sung_ && window_.hwnd()) {
    sung_ = v.sung;
    SetWindowTextW(window_.hwnd(), sung_.c_str());
  }
  const int dpi = relayout || dpi_ == 0 ? window_.Dpi() : dpi_;
  if (relayout || dpi != dpi_ || v.current != current_ || v.next != next_) {
    if (!frame_.Layout(v.current, v.next, dpi)) return;
    current_ = v.current;
    next_ = v.next;
    dpi_ = dpi;
    fillColumn_ = -1;
  }
  const int fill = frame_.FillColumn(v.fill);
  const bool hover = window_.Hover() && !window_.Locked();
  if (fill == fillColumn_ && hover == hoverShown_) return;
  fillColumn_ = fill;
  hoverShown_ = hover;
  const RECT dirty = frame_.Render(fill, hover);
  if (on_ && window_.Present(frame_, nullptr, &dirty)) ++presented_;
}

}  // namespace sb
