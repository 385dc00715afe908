// Play-through of the song list ("连续播放") and the row of the playing song
// that the media keys step from. The playing song is kept by the list's
// stable item id, so sorting the list does not lose it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/media_player.h"

namespace sb {

// What play-through needs of the main window.
class PlayThroughHost {
 public:
  virtual ~PlayThroughHost() = default;
  virtual HWND SongList() const = 0;
  virtual MediaPlayer& SongPlayer() = 0;
  // Selects `row` and plays it as a double-click does; false, with nothing
  // played, when its address cannot be resolved.
  virtual bool PlayRowOrSkip(int row) = 0;
};

class PlayThrough {
 public:
  // A dead catalogue must not be tried row after row for ever.
  static constexpr int kFailuresToStop = 3;

  explicit PlayThrough(PlayThroughHost& host) : host_(host) {}

  bool enabled() const { return enabled_; }
  void SetEnabled(bool on);

  // The player was given the song of `row`; by the user, or by play-through.
  void SongStarted(int row, bool byUser);
  // `row` became the current song (the one the menu's play item plays).
  void SongClicked(int row);
  // The row of the song the player holds; a song given to the player from
  // elsewhere is the current song.
  std::optional<int> PlayingRow();

  // The player's state notification, run outside the player's own handler:
  // an end plays the next row, a failure skips to it.
  void OnPlayerState(PlayerState state);

 private:
  void Advance(PlayerState state);

  PlayThroughHost& host_;
  bool enabled_ = false;
  int failuresInARow_ = 0;
  int playingItem_ = -1;
  std::wstring playingUrl_;
  int clickedItem_ = -1;
  bool advancing_ = false;
  std::optional<PlayerState> endDuringAdvance_;
};

}  // namespace sb
