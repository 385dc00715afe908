// Desktop lyrics (桌面歌词): the line being sung floats above every window in
// a DesktopLyricsWindow, its sung part filling in karaoke style, the next line
// below it. It follows the player (state changes, seeks) and draws a frame
// only when what it shows changes: the fill at most every kFrameMs while a
// song with timed lyrics plays, nothing at all while paused, stopped or off.
// A song without timed lyrics shows its title. On/off, the lock and the place
// are kept in the per-user settings file, beside "连续播放". UI thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/desktop_lyrics_window.h"
#include "app/lyric_frame_renderer.h"
#include "catalogue/lrc_timeline.h"
#include "platform/media_player.h"

namespace sb {

class DesktopLyrics {
 public:
  static constexpr UINT kFrameMs = 50;  // 20 frames a second: smooth enough, and timers may fire early
  // A last line fills over the rest of the song, or this long when the song's length is unknown.
  static constexpr int64_t kLastLineMs = 5000;

  explicit DesktopLyrics(MediaPlayer& player) : player_(player) {}
  DesktopLyrics(const DesktopLyrics&) = delete;
  DesktopLyrics& operator=(const DesktopLyrics&) = delete;

  // Takes the kept choices; `mainWindow`'s monitor gives the first place.
  void Load(HWND mainWindow);
  bool On() const { return on_; }
  bool Locked() const { return window_.Locked(); }
  // The user's choices, also kept in the per-user settings file if one exists.
  void ChooseOn(bool on);
  void ChooseLocked(bool locked);
  // The program is closing: the window goes, the choices stay as they are.
  void Close();

  // The song the player holds (its id and title); its lyrics when known.
  void SetSong(const std::wstring& songId, const std::wstring& title);
  // The lyrics of a song, taken up when that song is (or becomes) the player's.
  void SetLyrics(const std::wstring& songId, const std::wstring& text);
  void OnPlayerState(PlayerState state);
  void OnSeek(double seconds);

  HWND hwnd() const { return window_.hwnd(); }
  POINT Place() const { return place_; }
  const std::wstring& CurrentLine() const { return current_; }
  const std::wstring& NextLine() const { return next_; }
  const LyricFrameRenderer& Frame() const { return frame_; }
  int FramesPresented() const { return presented_; }
  bool Ticking() const { return window_.Ticking(); }
  bool Hover() const { return hoverShown_; }  // the faint background is shown

 private:
  struct View {
    std::wstring current, next, sung;  // sung: the line being sung, "" when none
    double fill = 0;
  };
  void Show(bool on);
  View Compute();
  double PositionMs();
  void Update(bool relayout = false);
  void UpdateTicks();
  void PlaceOnAMonitor();
  void KeepPlace();
  void Save(const char* key, const std::wstring& value) const;

  MediaPlayer& player_;
  HWND mainWindow_ = nullptr;
  DesktopLyricsWindow window_;
  LyricFrameRenderer frame_;
  bool on_ = false;
  POINT place_{};
  bool placed_ = false;
  std::wstring songId_, title_;
  LrcTimeline timeline_;
  std::wstring lyricsText_;
  std::wstring lastLyricsId_, lastLyricsText_;
  PlayerState state_ = PlayerState::Undefined;
  double seekMs_ = 0, seekAtMs_ = 0;  // a seek the player has not reported a reading after yet
  double pausedAtMs_ = -1;            // where the song was when it paused, run on from the last reading
  std::wstring current_, next_, sung_;
  int fillColumn_ = -1;
  bool hoverShown_ = false;
  int dpi_ = 0;
  int presented_ = 0;
};

}  // namespace sb
