// Form1, the main window: the song list, the player, the cover and lyrics
// area, the five command buttons and the community web panel.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/cover_image.h"
#include "app/desktop_lyrics.h"
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
  HWND listView1 = nullptr;    // the song list
  HWND command1 = nullptr;     // 更新列表: reloads the list
  HWND command2 = nullptr;     // 下载音乐: opens the download window
  HWND command3 = nullptr;     // 退出软件: closes the program
  HWND command4 = nullptr;     // 播放音乐: plays the selected song
  HWND command5 = nullptr;     // 交流论坛: opens the forum in the browser
  HWND label1 = nullptr;       // "歌手快照", the cover area's caption
  HWND label2 = nullptr;       // the wait panel's "please wait" text
  HWND label3 = nullptr;       // the one-line tip beside the buttons
  HWND lMedia = nullptr;       // the player's status text
  HWND singerInfo = nullptr;   // progress of the lyrics and cover fetch
  HWND geci = nullptr;         // the lyrics
  HWND image1 = nullptr;       // the cover picture
  HWND shape1 = nullptr;       // the frame around the cover area
  HWND p1 = nullptr;           // the wait panel laid over the list during a load
  HWND webBrowser1 = nullptr;  // the community web page
  HWND wp1 = nullptr;          // the media player
  HWND text1 = nullptr;        // hidden: the normalised list text
  HWND gmz = nullptr;          // hidden: the current song's file name with ".mp3"
  HWND gdz = nullptr;          // hidden: the current song's id
};

class MainWindow : public Form, private PlayThroughHost {
 public:
  MainWindow();
  ~MainWindow() override;

  // Creates the window and its controls, points the web panel at the
  // community page, shows the window and starts Timer1.
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
  // "连续播放": when a song ends the next row plays. Off at start unless the
  // per-user settings file keeps it on.
  bool ContinuousPlay() const { return playThrough_.enabled(); }
  void SetContinuousPlay(bool on);
  // The user's choice: also kept in the per-user settings file if one exists.
  void ChooseContinuousPlay(bool on);
  // The floating lyrics of the playing song ("桌面歌词").
  DesktopLyrics& DeskLyrics() { return desktopLyrics_; }
  const DesktopLyrics& DeskLyrics() const { return desktopLyrics_; }
  IPicture* CoverPicture() const { return image1_.picture(); }
  const ListSorter& Sorter() const { return sorter_; }
  bool StartupLoadDone() const { return startupLoadDone_; }
  // Runs once, right after the start-up load.
  std::function<void()> onStartupLoaded;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnUnload() override;
  void OnDpiLayout(int oldDpi) override;

 private:
  void CreateControls();
  void CreateListAndPlayer(HFONT listFont);
  void CreateButtons();
  void CreateCoverAndLyrics(HFONT bigBold, HFONT listFont);
  void CreateHiddenControls(HFONT panelBold);  // the hand-over controls and the wait panel
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
  void SyncDesktopSong();  // the desktop lyrics take the playing row's song
  bool OnMediaKey(int command);
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
  SongCellPainter songCells_;
  bool startupLoadDone_ = false;
  int handlerDepth_ = 0;
  bool unloadPending_ = false;
  UniqueAccelerators keys_;
  CoolScrollbarHost scrollBars_;  // m_oSB with its routing, renewed by each list load
  PlayThrough playThrough_{*this};
  LyricFollower lyricFollower_;
  DesktopLyrics desktopLyrics_{wp1_};
};

}  // namespace sb
