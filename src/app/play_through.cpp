#include "app/play_through.h"

#include <commctrl.h>

#include "app/song_list_view.h"

namespace sb {
namespace {

int ItemId(HWND list, int row) {
  if (row < 0 || row >= RowCount(list)) return -1;
  return static_cast<int>(SendMessageW(list, LVM_MAPINDEXTOID, static_cast<WPARAM>(row), 0));
}

std::optional<int> RowOfItem(HWND list, int id) {
  if (id < 0) return std::nullopt;
  int row = static_cast<int>(SendMessageW(list, LVM_MAPIDTOINDEX, static_cast<WPARAM>(id), 0));
  if (row < 0) return std::nullopt;
  return row;
}

}  // namespace

void PlayThrough::SetEnabled(bool on) {
  enabled_ = on;
  failuresInARow_ = 0;
}

void PlayThrough::SongStarted(int row, bool byUser) {
  playingItem_ = ItemId(host_.SongList(), row);
  playingUrl_ = host_.SongPlayer().URL();
  if (byUser) failuresInARow_ = 0;
}

void PlayThrough::SongClicked(int row) { clickedItem_ = ItemId(host_.SongList(), row); }

std::optional<int> PlayThrough::PlayingRow() {
  const std::wstring url = host_.SongPlayer().URL();
  if (url.empty()) return std::nullopt;
  if (url != playingUrl_) {
    playingItem_ = clickedItem_;
    playingUrl_ = url;
    failuresInARow_ = 0;
  }
  return RowOfItem(host_.SongList(), playingItem_);
}

void PlayThrough::OnPlayerState(PlayerState state) {
  if (!enabled_ || (state != PlayerState::Ended && state != PlayerState::Failed)) return;
  // A song started by an advance may end while its click lets messages run:
  // that end is taken up once the advance has returned.
  if (advancing_) {
    endDuringAdvance_ = state;
    return;
  }
  advancing_ = true;
  for (std::optional<PlayerState> next = state; next;) {
    endDuringAdvance_.reset();
    // Notifications are queued: one the player has moved past is stale.
    if (host_.SongPlayer().State() == *next) Advance(*next);
    next = endDuringAdvance_;
  }
  advancing_ = false;
}

void PlayThrough::Advance(PlayerState state) {
  std::optional<int> from = PlayingRow();
  failuresInARow_ = state == PlayerState::Ended ? 0 : failuresInARow_ + 1;
  if (!from || failuresInARow_ >= kFailuresToStop) return;
  HWND list = host_.SongList();
  for (int row = *from + 1; row < RowCount(list) && enabled_; ++row) {
    if (host_.PlayRowOrSkip(row)) return;
    if (++failuresInARow_ >= kFailuresToStop) return;
  }
}

}  // namespace sb
