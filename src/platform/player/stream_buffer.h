// The bytes of one media as they arrive, shared between the transfer thread
// (writer) and the playback engine (reader). It keeps at most a window of
// bytes: the whole media when it fits, so it can be replayed and sought, else
// the bytes around where the reader is, half a window of them behind it for
// seeking back. A writer with no room waits until the reader has moved on
// far enough for the oldest bytes to go, so nothing the reader still needs is
// dropped and a media that never ends is held in bounded memory.
//
// Threads: SetConnected, Append and Finish on the writer; WithData and Read on
// the reader; CancelWrites, State and ChangedEvent on any thread. Every field
// is under mu_.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/handles.h"
#include "platform/input_limits.h"
#include "platform/media_player.h"
#include "platform/player/stream_view.h"

namespace sb {

struct StreamState {
  size_t begin = 0;        // offset of the oldest byte kept; 0 while the media is whole
  size_t size = 0;         // bytes arrived, the offset just past the newest
  bool connected = false;  // the address answered with a body
  bool finished = false;   // no more bytes will come
  bool full = false;       // the writer waits for the reader to move on
  uint64_t waits = 0;      // times the writer has waited for room
  PlayerError error = PlayerError::None;
  int64_t contentLength = -1;  // -1: unknown
  double lastArrivalMs = 0;    // PlayerClockMs of the latest bytes or of the connection
};

class StreamBuffer {
 public:
  explicit StreamBuffer(size_t windowBytes = limits::kMediaWindowBytes);
  StreamBuffer(const StreamBuffer&) = delete;
  StreamBuffer& operator=(const StreamBuffer&) = delete;

  void SetConnected(int64_t contentLength);
  // Adds the bytes, waiting for room while the window is full; false when
  // writes were cancelled first.
  bool Append(const uint8_t* bytes, size_t count);
  void Finish(PlayerError error);
  // Ends a waiting Append at once and refuses later ones.
  void CancelWrites();

  StreamState State() const;
  // Runs f(view) with the bytes kept, under the lock.
  template <typename F>
  auto WithData(F&& f) const {
    std::lock_guard<std::mutex> lock(mu_);
    return f(View());
  }
  // As WithData, for a reader that moves on: f returns the offset of the
  // oldest byte it will read from now on.
  template <typename F>
  void Read(F&& f) {
    {
      std::lock_guard<std::mutex> lock(mu_);
      readFrom_ = f(View());
    }
    room_.notify_all();
  }
  // Set (auto-reset) on every change, so a waiting reader wakes up.
  HANDLE ChangedEvent() const { return changed_.get(); }

 private:
  StreamView View() const { return {data_.data(), state_.begin, state_.size}; }
  bool AppendPiece(const uint8_t* bytes, size_t count);
  bool DropBehindReader();  // under mu_

  const size_t window_;
  const size_t step_;  // the most one Append piece takes and the least dropped at once
  mutable std::mutex mu_;
  std::condition_variable room_;
  std::vector<uint8_t> data_;  // from offset state_.begin on
  StreamState state_;
  size_t readFrom_ = 0;
  bool cancelled_ = false;
  UniqueKernelHandle changed_;
};

}  // namespace sb
