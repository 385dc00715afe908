// `Down`, the modeless "歌曲下载" window: fetches the playing song with one GET,
// follows every transfer state in its status line and saves the body into
// the DownMusic folder beside the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/inet.h"

namespace sb {

class ProgressBar;
class DownloadTarget;

// What the window takes from, and hands back to, the window that opened it.
class DownloadOpener {
 public:
  virtual ~DownloadOpener() = default;
  virtual std::wstring SongFileName() const = 0;  // the GMZ caption
  virtual std::wstring PlayerURL() const = 0;     // the player's current URL
  virtual void EnableDownloadCommands() = 0;      // "下载音乐" and "下载(&D)"
  virtual void ClearRunTimeDrawing() = 0;         // the opener's Cls
  virtual HWND OpenerWindow() const { return nullptr; }  // the window opens centred over it
};

class DownloadWindow : public Form, public std::enable_shared_from_this<DownloadWindow> {
 public:
  explicit DownloadWindow(DownloadOpener& opener);
  ~DownloadWindow() override;

  // Loads and shows the window (the load issues the request).
  bool Load();
  // Resets the progress and issues the request again; stops at its first failing step.
  bool start();
  // The opener's exit: cancel both transfer controls and close.
  void CancelAndClose();

  Inet& Inet1() { return inet1_; }
  Inet& Inet2() { return inet2_; }
  ProgressBar& ProgressBar1() { return *progress_; }
  HWND TG() const { return tg_; }
  HWND Tlog() const { return tlog_; }
  HWND Command2() const { return command2_; }
  HWND StrURL() const { return strUrl_; }
  HWND FileName() const { return fileName_; }
  int ContentLength() const { return contentLength_; }
  // Folder and full path the body is saved under: DownMusic beside the program.
  static std::wstring DownMusicFolder();
  std::wstring TargetPath() const;
  // Where songs go when DownMusic beside the program cannot be created or
  // written (a copy under Program Files): DownMusic in the user's Music folder.
  static std::wstring MusicDownMusicFolder();

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnUnload() override;
  void OnDpiLayout(int oldDpi) override;

 private:
  void Form_Load();
  bool IssueRequest();
  void CreateControls();
  void Command2_Click();
  void Inet1_StateChanged(short state);
  void SizeCheck();
  void ErrorAndRetry();
  void ReadBody();
  bool OpenTarget(DownloadTarget& target, std::wstring& folder);
  bool ReadChunks(DownloadTarget& target);
  void ShowProgress(int chunk, bool force);
  void SetTlog(const std::wstring& text);
  void SetTG(const std::wstring& text);
  void OnPaint();

  DownloadOpener& opener_;
  Inet inet1_;
  Inet inet2_;
  std::unique_ptr<ProgressBar> progress_;
  UniqueIcon icon_;
  HWND command2_ = nullptr, tg_ = nullptr, label1_ = nullptr, tlog_ = nullptr;
  HWND strUrl_ = nullptr, fileName_ = nullptr;
  int contentLength_ = 0;
  bool readingBody_ = false;
  bool completed_ = false;
  bool closing_ = false;
  DWORD lastShown_ = 0;
};

}  // namespace sb
