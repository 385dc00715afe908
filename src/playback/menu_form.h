// Form2: a never-shown form that owns the song list's pop-up menu MunFile
// ("刷新(&R)", "播放(&P)", "下载(&D)", then the check items "连续播放(&C)",
// "桌面歌词(&L)" and "锁定桌面歌词(&K)") and a transfer control of its own.
#pragma once

#include <functional>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/inet.h"

namespace sb {

class MenuForm : public Form {
 public:
  enum ItemId : UINT { kMunR = 101, kMunPlay = 102, kMunDown = 103, kMunContinuous = 104, kMunDesktopLyrics = 105, kMunLockLyrics = 106 };

  bool Load();  // creates the hidden form and its menu
  // Pops MunFile up at a screen point (default alignment, no default item)
  // and runs the chosen item's click.
  void PopupMunFile(POINT screen);

  std::function<void()> MunR_Click;
  std::function<void()> MunPlay_Click;
  std::function<void()> MunDown_Click;
  std::function<void()> MunContinuous_Click;
  std::function<void()> MunDesktopLyrics_Click;
  std::function<void()> MunLockLyrics_Click;

  // Runs an item's click as choosing it does; a disabled "下载(&D)" or
  // "锁定桌面歌词(&K)" does nothing.
  void RunItem(UINT id);

  void SetMunDownEnabled(bool enabled);
  bool MunDownEnabled() const;
  void SetMunContinuousChecked(bool checked);
  bool MunContinuousChecked() const;
  // "桌面歌词(&L)" checked while the lyrics float; "锁定桌面歌词(&K)" checked
  // while locked and greyed while the lyrics are off.
  void ShowDesktopLyricsState(bool on, bool locked);
  bool Checked(UINT id) const;
  bool Enabled(UINT id) const;
  HMENU MunFile() const { return munFile_; }
  Inet& Inet1() { return inet1_; }

 private:
  Inet inet1_;
  UniqueMenu menuBar_;  // owns MunFile as its one sub-menu
  HMENU munFile_ = nullptr;
};

}  // namespace sb
