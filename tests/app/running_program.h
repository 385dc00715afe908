// SongBox.exe run as a process of its own and driven from outside, as a user
// drives it: clicks of the real mouse through the system's input queue, its
// windows and their texts read through their handles.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace sbtest {

struct SongBoxProcess {
  sb::UniqueKernelHandle process, thread;
  DWORD pid = 0;
};

// Starts the SongBox.exe of this build; it reads the test catalogue's
// SONGBOX_ROOT (see TestCatalogue).
SongBoxProcess StartSongBox(DWORD flags = 0);
// DownMusic beside that SongBox.exe.
std::wstring ProgramDownMusicFolder();
// Top-level forms of process `pid` (0: of any process) with `caption`.
std::vector<HWND> FormsOf(DWORD pid, const wchar_t* caption);
std::vector<HWND> MainWindowsOf(DWORD pid);
// The first child of `parent` of window class `cls` whose text begins with `text`.
HWND ChildWithText(HWND parent, const wchar_t* cls, const std::wstring& text);
// Presses and releases the left button at a screen point; nothing waits for
// the window under it, which may belong to another process, to take it.
void ClickAtScreen(POINT p);
void ClickCentre(HWND window);
// The screen point of a top-level window's close box, as its hit test tells.
std::optional<POINT> CloseBoxOf(HWND window);

// The program with a download in progress: its first song clicked and played
// ("播放音乐"), then "下载音乐" chosen. The player gets the song whole; the
// download's body stops after kHeldAt of its kSize bytes, held by a gate
// that never opens, so the download stays in progress until it is ended.
class HeldDownload {
 public:
  static constexpr size_t kSize = 4u << 20, kHeldAt = 1u << 20;

  HeldDownload();
  ~HeldDownload();  // ends the program if it still runs
  HeldDownload(const HeldDownload&) = delete;
  HeldDownload& operator=(const HeldDownload&) = delete;

  // Starts the program and drives it there; false when it does not get
  // there, with failure() saying which step did not happen.
  bool Start();
  const std::string& failure() const { return failure_; }

  HANDLE process() const { return program_.process.get(); }
  HWND mainWindow() const { return main_; }
  HWND downloadWindow() const { return down_; }
  HWND MainButton(const wchar_t* text) const { return ChildWithText(main_, L"Button", text); }
  // Held download connections that their client closed.
  int ClientsLeft() const;

 private:
  bool Step(bool happened, const char* what);
  struct Route;
  std::shared_ptr<Route> route_;
  SongBoxProcess program_;
  HWND main_ = nullptr, down_ = nullptr;
  std::string failure_;
};

}  // namespace sbtest
