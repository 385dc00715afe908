// Form2: a never-shown form that owns the song list's pop-up menu MunFile
// ("刷新(&R)", "播放(&P)", "下载(&D)", then the check item "连续播放(&C)")
// and a transfer control of its own.
#pragma once

#include <functional>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/inet.h"

namespace sb {

class MenuForm : public Form {
 public:
  enum ItemId : UINT { kMunR = 101, kMunPlay = 102, kMunDown = 103, kMunContinuous = 104 };

  bool Load();  // creates the hidden form and its menu
  // Pops MunFile up at a screen point (default alignment, no default item)
  // and runs the chosen item's click.
  void PopupMunFile(POINT screen);

  std::function<void()> MunR_Click;
  std::function<void()> MunPlay_Click;
  std::function<void()> MunDown_Click;
  std::function<void()> MunContinuous_Click;

  // Runs an item's click as choosing it does; a disabled "下载(&D)" does nothing.
  void RunItem(UINT id);

  void SetMunDownEnabled(bool enabled);
  bool MunDownEnabled() const;
  void SetMunContinuousChecked(bool checked);
  bool MunContinuousChecked() const;
  HMENU MunFile() const { return munFile_; }
  Inet& Inet1() { return inet1_; }

 private:
  Inet inet1_;
  UniqueMenu menuBar_;  // owns MunFile as its one sub-menu
  HMENU munFile_ = nullptr;
};

}  // namespace sb
