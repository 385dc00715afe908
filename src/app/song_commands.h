// The song commands of the main window that live outside it: the pop-up menu
// (Form2) and the download window (Down), with the hand-over between them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/main_window_peers.h"
#include "download/download_window.h"
#include "playback/menu_form.h"

namespace sb {

class MediaPlayer;

// The main window as these commands see it.
class SongCommandsHost {
 public:
  virtual ~SongCommandsHost() = default;
  virtual std::wstring GMZ() const = 0;  // file name of the current song, ".mp3" included
  virtual std::wstring GDZ() const = 0;  // id of the current song
  virtual MediaPlayer& Player() = 0;
  virtual void SetDownloadButtonEnabled(bool enabled) = 0;  // Command2 "下载音乐"
  virtual void RefreshSongList() = 0;  // the list load without the scroll-bar step
  virtual void Cls() = 0;              // clears the main window's run-time drawing
  virtual HWND Window() const = 0;     // the main window itself
  virtual bool ContinuousPlay() const { return false; }  // "连续播放"
  virtual void SetContinuousPlay(bool on) {}
  virtual HWND MediaKeyTarget() const { return nullptr; }
  virtual bool DesktopLyricsOn() const { return false; }  // "桌面歌词"
  virtual void SetDesktopLyricsOn(bool on) {}
  virtual bool DesktopLyricsLocked() const { return false; }  // "锁定桌面歌词"
  virtual void SetDesktopLyricsLocked(bool locked) {}  // takes the media keys of the other windows
};

class SongCommands : public MainWindowPeers, private DownloadOpener {
 public:
  explicit SongCommands(SongCommandsHost& host);
  ~SongCommands() override;

  // MainWindowPeers
  void DownloadCommand() override;               // Command2 "下载音乐"
  void ShowSongMenu(POINT screenPos) override;   // right button on the song list
  void RunSongMenuItem(UINT item) override;      // F5, F8, F4 in the main window
  void CloseDownloadWindow() override;
  void CloseMenuForm() override;

  void MunR_Click();
  void MunPlay_Click();
  void MunDown_Click();
  void MunContinuous_Click();
  void MunDesktopLyrics_Click();
  void MunLockLyrics_Click();

  MenuForm& Form2();               // loaded on first use
  bool HasForm2() const { return form2_ != nullptr && form2_->IsLoaded(); }
  DownloadWindow* Down() const { return down_ && down_->IsLoaded() ? down_.get() : nullptr; }

 private:
  void ShowDownloadWindow();
  // DownloadOpener
  std::wstring SongFileName() const override;
  std::wstring PlayerURL() const override;
  void EnableDownloadCommands() override;
  void ClearRunTimeDrawing() override;
  HWND OpenerWindow() const override;

  SongCommandsHost& host_;
  std::unique_ptr<MenuForm> form2_;
  std::shared_ptr<DownloadWindow> down_;
};

}  // namespace sb
