// The main window as the song commands (Form2's menu, the download window) see it.
#pragma once

#include "app/main_window.h"
#include "app/song_commands.h"

namespace sb {

class MainWindowSongHost : public SongCommandsHost {
 public:
  explicit MainWindowSongHost(MainWindow& form1) : form1_(form1) {}
  std::wstring GMZ() const override { return form1_.GMZ(); }
  std::wstring GDZ() const override { return form1_.GDZ(); }
  MediaPlayer& Player() override { return form1_.Player(); }
  void SetDownloadButtonEnabled(bool enabled) override {
    if (enabled)
      form1_.EnableDownloadButton();
    else
      form1_.DisableDownloadButton();
  }
  void RefreshSongList() override { form1_.RunListLoad(false); }
  void Cls() override { form1_.Cls(); }
  HWND Window() const override { return form1_.hwnd(); }
  bool ContinuousPlay() const override { return form1_.ContinuousPlay(); }
  void SetContinuousPlay(bool on) override { form1_.ChooseContinuousPlay(on); }
  HWND MediaKeyTarget() const override { return form1_.hwnd(); }
  bool DesktopLyricsOn() const override { return form1_.DeskLyrics().On(); }
  void SetDesktopLyricsOn(bool on) override { form1_.DeskLyrics().ChooseOn(on); }
  bool DesktopLyricsLocked() const override { return form1_.DeskLyrics().Locked(); }
  void SetDesktopLyricsLocked(bool locked) override { form1_.DeskLyrics().ChooseLocked(locked); }

 private:
  MainWindow& form1_;
};

}  // namespace sb
