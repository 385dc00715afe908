// Follows the song in the lyrics box Geci: selects the line whose time stamp
// was passed last and scrolls it into view, never changing the text. The
// user's scrolling or selecting in the box pauses it for a while.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "catalogue/lrc_timeline.h"
#include "platform/media_player.h"

namespace sb {

class LyricFollower {
 public:
  static constexpr double kUserPauseMs = 5000;

  LyricFollower() = default;
  ~LyricFollower();
  LyricFollower(const LyricFollower&) = delete;
  LyricFollower& operator=(const LyricFollower&) = delete;

  // Watches the box for the user's scrolling and selecting.
  void Attach(HWND edit);
  // The box now shows `text`, the lyrics of the song with id `songId`.
  void SetLyrics(const std::wstring& text, const std::wstring& songId);
  bool HasTimeline() const { return !timeline_.empty(); }
  const std::wstring& SongId() const { return songId_; }

  // One step while the box's song plays at the device position `sample`:
  // true when the selection was moved.
  bool Follow(const PositionSample& sample);

 private:
  static LRESULT CALLBACK EditSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);
  void NoteUser();
  int64_t EstimateMs(const PositionSample& sample);
  void Select(size_t begin, size_t end);

  HWND edit_ = nullptr;
  LrcTimeline timeline_;
  std::wstring songId_;
  size_t textLength_ = 0;
  const LrcLine* shown_ = nullptr;
  bool cleared_ = true;
  double pausedUntilMs_ = 0;
  bool moving_ = false;  // our own selection change is under way
  PositionSample last_;  // the device's last reading and its pace
  double pace_ = 1;
};

}  // namespace sb
