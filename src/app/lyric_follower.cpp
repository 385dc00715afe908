#include "app/lyric_follower.h"

#include <commctrl.h>

#include <algorithm>

namespace sb {
namespace {

// The player reads the device about every 200 ms of sound; between readings
// the position runs on at the pace the last two readings showed, for a while.
constexpr double kMaxExtrapolationMs = 400;

}  // namespace

LyricFollower::~LyricFollower() {
  if (edit_) RemoveWindowSubclass(edit_, &LyricFollower::EditSubclass, 1);
}

void LyricFollower::Attach(HWND edit) {
  if (!edit || edit_) return;
  if (SetWindowSubclass(edit, &LyricFollower::EditSubclass, 1, reinterpret_cast<DWORD_PTR>(this))) edit_ = edit;
}

void LyricFollower::SetLyrics(const std::wstring& text, const std::wstring& songId) {
  timeline_ = LrcTimeline::Parse(text);
  songId_ = songId;
  textLength_ = text.size();
  shown_ = nullptr;
  cleared_ = true;
  last_ = {};
}

void LyricFollower::NoteUser() {
  if (!moving_) pausedUntilMs_ = PlayerClockMs() + kUserPauseMs;
}

int64_t LyricFollower::EstimateMs(const PositionSample& s) {
  if (s.tickMs != last_.tickMs) {
    if (last_.advancing && s.advancing && s.tickMs > last_.tickMs && s.seconds > last_.seconds)
      pace_ = std::clamp((s.seconds - last_.seconds) * 1000 / (s.tickMs - last_.tickMs), 0.5, 8.0);
    last_ = s;
  }
  double ms = s.seconds * 1000;
  if (s.advancing) ms += std::clamp(PlayerClockMs() - s.tickMs, 0.0, kMaxExtrapolationMs) * pace_;
  return static_cast<int64_t>(ms);
}

bool LyricFollower::Follow(const PositionSample& sample) {
  if (!edit_ || timeline_.empty() || sample.tickMs == 0) return false;
  const int64_t ms = EstimateMs(sample);
  if (PlayerClockMs() < pausedUntilMs_) return false;
  // The user may have typed into the box: stamps found in other text would be wrong.
  if (static_cast<size_t>(GetWindowTextLengthW(edit_)) != textLength_) {
    timeline_ = {};
    return false;
  }
  const bool resumed = pausedUntilMs_ != 0;
  pausedUntilMs_ = 0;
  const LrcLine* line = timeline_.LineAt(ms);
  if (line ? line == shown_ && !resumed : cleared_) return false;
  shown_ = line;
  cleared_ = !line;
  if (line)
    Select(line->begin, line->end);
  else
    Select(0, 0);
  return true;
}

void LyricFollower::Select(size_t begin, size_t end) {
  moving_ = true;
  SendMessageW(edit_, EM_SETSEL, begin, static_cast<LPARAM>(end));
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
  moving_ = false;
}

LRESULT CALLBACK LyricFollower::EditSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
  auto* self = reinterpret_cast<LyricFollower*>(ref);
  switch (msg) {
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_KEYDOWN:
      self->NoteUser();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &LyricFollower::EditSubclass, id);
      self->edit_ = nullptr;
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace sb
