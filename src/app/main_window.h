// Form1, the main window: the song list, the player, the cover and lyrics
// area, the five command buttons and the community web panel.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/cover_image.h"
#include "app/lyric_follower.h"
#include "app/main_window_peers.h"
#include "app/play_through.h"
#include "app/song_list_view.h"
#include "app/wait_panel.h"
#include "app/web_panel.h"
#include "platform/form.h"
#include "platform/inet.h"
#include "platform/media_player.h"
#include "window/cool_scrollbar_host.h"

namespace sb {

inline constexpr wchar_t kMainWindowCaption[] = L"新歌音乐盒 [每日新歌 抢先试听]";

// The window's controls, for the windows that read them and for tests.
struct MainWindowControls {
  HWND listView1 = nullptr;
  HWND command1 = nullptr;  // 更新列表
  HWND command2 = nullptr;  // 下载音乐
  HWND command3 = nullptr;  // 退出软件
  HWND command4 = nullptr;  // 播放音乐
  HWND command5 = nullptr;  // 交流论坛
  HWND label1 = nullptr;
  HWND label2 = nullptr;
  HWND label3 = nullptr;
  HWND lMedia = nullptr;
  HWND singerInfo = nullptr;
  HWND geci = nullptr;
  HWND image1 = nullptr;
  HWND shape1 = nullptr;
  HWND p1 = nullptr;
  HWND webBrowser1 = nullptr;
  HWND wp1 = nullptr;
  HWND text1 = nullptr;
  HWND gmz = nullptr;
  HWND gdz = nullptr;
};

class MainWindow : public Form, private PlayThroughHost {
 public:
  MainWindow();
  ~MainWindow() override;

  // Form_Load and Show: creates the window and its controls, points the web
  // panel at the community page, shows the window and starts Timer1.
  bool Load();

  void SetPeers(MainWindowPeers* peers);
  // F5, F8 and F4, the song menu's keys, for the main loop.
  HACCEL Keys() const { return keys_.get(); }
  const MainWindowControls& Controls() const { return c_; }
  const CoolScrollbarHost& ScrollBars() const { return scrollBars_; }

  // Hand-over values and services for the download window and the menu form.
  std::wstring GMZ() const;
  std::wstring GDZ() const;
  MediaPlayer& Player() { return wp1_; }
  Inet& Inet1() { return inet1_; }
  void EnableDownloadButton();
  void DisableDownloadButton();
  std::wstring ServiceRoot() const;
  // The list load; the menu's refresh runs it without the scroll bar step.
  void RunListLoad(bool createScrollBars);
  // Clears the window's run-time drawing.
  void Cls();

  // Selects `row` and runs the click on the list, as a left click on it does.
  void ClickSong(int row);
  // Selects `row` and plays it as a double-click on it does.
  void PlaySong(int row);
  // "连续播放": when a song ends the next row plays; off at start.
  bool ContinuousPlay() const { return playThrough_.enabled(); }
  void SetContinuousPlay(bool on);
  IPicture* CoverPicture() const { return image1_.picture(); }
  const ListSorter& Sorter() const { return sorter_; }
  bool StartupLoadDone() const { return startupLoadDone_; }
  // Runs once, right after the start-up load.
  std::function<void()> onStartupLoaded;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnUnload() override;

 private:
  void CreateControls();
  void SetZOrder();
  class HandlerScope;
  void RequestUnload();
  void LastHandlerLeft();  // posts the waiting unload, if any
  void RunPendingUnload();
  void DrawShape(const DRAWITEMSTRUCT& dis);
  void Form_Load();
  void Timer1_Timer();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void ListView1_Click();
  void ListView1_DblClick();
  void ListView1_ColumnClick(int column);
  void ListView1_RightButton(POINT screenPos);
  LRESULT ListView1_RightButtonDown(HWND list, WPARAM wp, LPARAM lp);
  void WP1_StateChanged(int state);
  void FollowLyrics();
  // PlayThroughHost
  HWND SongList() const override { return c_.listView1; }
  MediaPlayer& SongPlayer() override { return wp1_; }
  bool PlayRowOrSkip(int row) override;
  void ShowRow(int row);
  void CreateScrollBarObject();

  LRESULT OnNotify(const NMHDR& hdr);
  static LRESULT CALLBACK ListViewSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);

  MainWindowControls c_;
  MainWindowPeers noPeers_;
  MainWindowPeers* peers_ = &noPeers_;
  WaitPanel p1_;
  CoverImage image1_;
  WebPanel webBrowser1_;
  MediaPlayer wp1_;
  Inet inet1_;
  ListSorter sorter_;
  bool startupLoadDone_ = false;
  int handlerDepth_ = 0;
  bool unloadPending_ = false;
  UniqueAccelerators keys_;
  CoolScrollbarHost scrollBars_;  // m_oSB with its routing, renewed by each list load
  PlayThrough playThrough_{*this};
  LyricFollower lyricFollower_;
};

}  // namespace sb
