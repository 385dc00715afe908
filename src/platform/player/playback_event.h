// What the playback threads tell the player window: a state and, for
// failures, the reason, packed into the lParam of kMsgPlaybackEvent.
#pragma once

#include <windows.h>

#include "platform/media_player.h"

namespace sb {

// Posted to the player window by the playback threads (wParam: session
// generation, lParam: packed event).
inline constexpr UINT kMsgPlaybackEvent = WM_APP + 0x51;
// Posted by the window to itself so state notifications leave through the queue.
inline constexpr UINT kMsgRaiseState = WM_APP + 0x52;

struct PlaybackEvent {
  PlayerState state = PlayerState::Undefined;
  PlayerError error = PlayerError::None;
};

inline LPARAM PackPlaybackEvent(PlaybackEvent e) {
  return MAKELPARAM(static_cast<WORD>(e.state), static_cast<WORD>(e.error));
}

inline PlaybackEvent UnpackPlaybackEvent(LPARAM lp) {
  return {static_cast<PlayerState>(LOWORD(lp)), static_cast<PlayerError>(HIWORD(lp))};
}

}  // namespace sb
