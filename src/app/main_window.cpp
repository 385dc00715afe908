#include "app/main_window.h"

#include <commctrl.h>

#include "app/resource.h"
#include "catalogue/lyrics_cover.h"
#include "catalogue/song_list.h"
#include "platform/handles.h"
#include "platform/user_settings.h"
#include "playback/menu_form.h"
#include "playback/song_player.h"
#include "skin/skin.h"

namespace sb {

namespace {

enum ControlId : int {
  kListView1 = 1001,
  kCommand1,
  kCommand2,
  kCommand3,
  kCommand4,
  kCommand5,
  kImage1,
  kShape1,
  kWP1,
};

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kWebCheckTimer = 2;
constexpr UINT kWebCheckDelayMs = 1500;
// While the lyrics box holds time-stamped lyrics, how often it looks at the song.
constexpr UINT_PTR kLyricTimer = 3;
constexpr UINT kLyricTimerMs = 15;
// Posted to itself when the player reports an end or a failure, so
// play-through runs outside the player's own notification.
constexpr UINT kMsgSongFinished = WM_APP + 0x1201;

constexpr COLORREF kListBack = RGB(192, 255, 255);
constexpr COLORREF kListText = RGB(0, 64, 64);
constexpr COLORREF kTipText = RGB(192, 0, 192);

constexpr wchar_t kTip[] = L"温馨提示: 单击歌曲看歌词，双击歌曲试听，右键更多功能";
constexpr wchar_t kLyricsDesignText[] = L"歌\r\n词\r\n显\r\n示\r\n区\r\n域\r\n";

// Posted when the last event handler has returned with an unload waiting.
constexpr UINT kPendingUnloadMessage = WM_APP + 40;

UniqueAccelerators MakeSongMenuKeys() {
  ACCEL keys[] = {{FVIRTKEY, VK_F5, static_cast<WORD>(MenuForm::kMunR)},
                  {FVIRTKEY, VK_F8, static_cast<WORD>(MenuForm::kMunPlay)},
                  {FVIRTKEY, VK_F4, static_cast<WORD>(MenuForm::kMunDown)}};
  return UniqueAccelerators(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
}

POINT ToScreen(HWND hwnd, POINT p) {
  ClientToScreen(hwnd, &p);
  return p;
}

}  // namespace

// Counts the event handlers on the stack, so an unload asked for from inside
// one (through the messages a handler lets run) waits until they have returned.
class MainWindow::HandlerScope {
 public:
  explicit HandlerScope(MainWindow& window) : window_(window) { ++window_.handlerDepth_; }
  ~HandlerScope() {
    if (--window_.handlerDepth_ == 0) window_.LastHandlerLeft();
  }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;

 private:
  MainWindow& window_;
};

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() { webBrowser1_.Close(); }

bool MainWindow::Load() {
  FormCreateArgs args;
  args.caption = kMainWindowCaption;
  args.clientWidthTwips = 12540;
  args.clientHeightTwips = 5790;
  args.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SONGBOX));
  if (!CreateForm(args)) return false;
  CreateControls();
  SetContinuousPlay(ReadSetting(PerUserSettingsPath(), "player", "continuous") == L"1");
  desktopLyrics_.Load(hwnd());
  keys_ = MakeSongMenuKeys();
  Form_Load();
  ShowWindow(hwnd(), SW_SHOW);
  UpdateWindow(hwnd());
  StartTimer(kTimer1, 10, [this] { Timer1_Timer(); });
  return true;
}

namespace {
constexpr DWORD kChild = WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
}  // namespace

void MainWindow::CreateControls() {
  HFONT bigBold = ScaledFont({L"宋体", 18, true});
  HFONT panelBold = ScaledFont({L"宋体", 15, true});
  HFONT listFont = ScaledFont({L"宋体", 9, false, GB2312_CHARSET});
  CreateListAndPlayer(listFont);
  CreateButtons();
  CreateCoverAndLyrics(bigBold, listFont);
  CreateHiddenControls(panelBold);
}

void MainWindow::CreateListAndPlayer(HFONT listFont) {
  HWND f = hwnd();
  c_.listView1 = AddControl({WC_LISTVIEWW, L"", 0, 0, 8895, 4335,
                             kChild | WS_TABSTOP | LVS_SHOWSELALWAYS | LVS_SINGLESEL, WS_EX_CLIENTEDGE,
                             kListView1, listFont});
  if (c_.listView1) {
    SendMessageW(c_.listView1, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SendMessageW(c_.listView1, LVM_SETBKCOLOR, 0, kListBack);
    SendMessageW(c_.listView1, LVM_SETTEXTBKCOLOR, 0, kListBack);
    SendMessageW(c_.listView1, LVM_SETTEXTCOLOR, 0, kListText);
    SetWindowSubclass(c_.listView1, &MainWindow::ListViewSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
  }

  MediaPlayerCreateArgs player;
  player.parent = f;
  const RECT playerTwips{0, 4440, 0 + 8895, 4440 + 675};
  player.rect = {Px(playerTwips.left), Px(playerTwips.top), Px(playerTwips.right), Px(playerTwips.bottom)};
  player.id = kWP1;
  player.volume = 50;
  player.autoStart = true;
  if (wp1_.Create(player)) c_.wp1 = wp1_.hwnd();
  Place(c_.wp1, playerTwips);
  wp1_.StateChanged = [this](int state) { WP1_StateChanged(state); };
  wp1_.Seeked = [this](double seconds) { desktopLyrics_.OnSeek(seconds); };

  c_.lMedia = AddControl({L"STATIC", L"", 3240, 4920, 0, 0, kChild | SS_NOPREFIX});
  AutoSize(c_.lMedia);
}

void MainWindow::CreateButtons() {
  c_.command4 = AddControl({L"BUTTON", L"播放音乐", 120, 5160, 1215, 435, kButton, 0, kCommand4});
  c_.command1 = AddControl({L"BUTTON", L"更新列表", 1560, 5160, 1215, 435, kButton, 0, kCommand1});
  c_.command2 = AddControl({L"BUTTON", L"下载音乐", 3000, 5160, 1215, 435, kButton, 0, kCommand2});
  c_.command3 = AddControl({L"BUTTON", L"退出软件", 4440, 5160, 1215, 435, kButton, 0, kCommand3});
  c_.command5 = AddControl({L"BUTTON", L"交流论坛", 5880, 5160, 1215, 435, kButton, 0, kCommand5});
  OnClick(c_.command1, [this] { Command1_Click(); });
  OnClick(c_.command2, [this] { Command2_Click(); });
  OnClick(c_.command3, [this] { Command3_Click(); });
  OnClick(c_.command4, [this] { Command4_Click(); });
  OnClick(c_.command5, [this] { Command5_Click(); });

  c_.label3 = AddControl({L"STATIC", kTip, 7320, 5280, 5055, 375, kChild | SS_NOPREFIX});
  SetColors(c_.label3, {kTipText, std::nullopt});
}

void MainWindow::CreateCoverAndLyrics(HFONT bigBold, HFONT listFont) {
  HWND f = hwnd();
  c_.shape1 = AddControl({L"STATIC", L"", 9000, 0, 3495, 2295, kChild | SS_OWNERDRAW, 0, kShape1});
  if (image1_.Create(f, 9120, 120, 3255, 2055, kImage1)) c_.image1 = image1_.hwnd();
  Place(c_.image1, {9120, 120, 9120 + 3255, 120 + 2055});
  c_.label1 = AddControl({L"STATIC", L"歌手快照", 9120, 840, 3120, 780, kChild | SS_CENTER, 0, 0, bigBold});
  c_.singerInfo = AddControl({L"STATIC", L"", 9600, 2160, 2175, 255, kChild | SS_NOPREFIX});
  c_.geci = AddControl({L"EDIT", kLyricsDesignText, 9000, 2400, 3495, 2775,
                        kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                        WS_EX_CLIENTEDGE, 0, listFont});
  SetColors(c_.geci, {kListText, kListBack});
  lyricFollower_.Attach(c_.geci);
}

void MainWindow::CreateHiddenControls(HFONT panelBold) {
  // Hand-over values and the list text live in hidden controls below the client area.
  // No wrapping: the edit would wrap each line in time that grows with the square of its length.
  c_.text1 = AddControl({L"EDIT", L"Text1", 120, 6360, 6000, 1000,
                         WS_CLIPSIBLINGS | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL});
  c_.gmz = AddControl({L"STATIC", L"", 120, 6000, 3255, 255, WS_CLIPSIBLINGS | SS_NOPREFIX});
  c_.gdz = AddControl({L"STATIC", L"", 3480, 6000, 3255, 255, WS_CLIPSIBLINGS | SS_NOPREFIX});
  for (HWND edit : {c_.text1, c_.geci})
    if (edit) SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);

  if (p1_.Create(hwnd(), 0, 7500, 8895, 4335, panelBold)) {
    c_.p1 = p1_.hwnd();
    c_.label2 = p1_.label();
  }
  Place(c_.p1, {0, 7500, 8895, 7500 + 4335});
}

// Later siblings lie under earlier ones. Labels lie beneath the windowed
// controls, as if drawn on the form, so borders and frames show whole; the
// player's status label is the exception: it lies over the player's strip,
// which the player leaves free for it.
void MainWindow::SetZOrder() {
  const HWND order[] = {c_.p1,       c_.webBrowser1, c_.geci,       c_.command4, c_.command1, c_.command2,
                        c_.command3, c_.command5,    c_.listView1,  c_.lMedia,   c_.wp1,      c_.singerInfo,
                        c_.image1,   c_.label1,      c_.label3,     c_.shape1};
  HWND above = HWND_TOP;
  for (HWND h : order) {
    if (!h) continue;
    SetWindowPos(h, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = h;
  }
}

void MainWindow::Form_Load() {
  webBrowser1_.Create(hwnd(), 2400, 3600, 4695, 735, ServiceRoot() + L"community");
  c_.webBrowser1 = webBrowser1_.hwnd();
  Place(c_.webBrowser1, {2400, 3600, 2400 + 4695, 3600 + 735});
  if (c_.webBrowser1) SetColors(c_.webBrowser1, {RGB(0, 0, 128), RGB(255, 255, 255)});
  if (webBrowser1_.ShowsBrowser()) {
    StartTimer(kWebCheckTimer, kWebCheckDelayMs, [this] {
      StopTimer(kWebCheckTimer);
      webBrowser1_.CheckShown();
    });
  }
  SetZOrder();
}

// The status label keeps its text's size, the list its columns' proportions.
void MainWindow::OnDpiLayout(int oldDpi) {
  AutoSize(c_.lMedia);
  HWND header = reinterpret_cast<HWND>(SendMessageW(c_.listView1, LVM_GETHEADER, 0, 0));
  const int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < columns; ++i) {
    const int width = static_cast<int>(SendMessageW(c_.listView1, LVM_GETCOLUMNWIDTH, i, 0));
    SendMessageW(c_.listView1, LVM_SETCOLUMNWIDTH, i, MulDiv(width, Dpi(), oldDpi));
  }
  if (IsWindowVisible(c_.p1)) p1_.PiSize(c_.listView1);
}

void MainWindow::SetPeers(MainWindowPeers* peers) { peers_ = peers ? peers : &noPeers_; }

std::wstring MainWindow::GMZ() const { return GetText(c_.gmz); }
std::wstring MainWindow::GDZ() const { return GetText(c_.gdz); }
void MainWindow::EnableDownloadButton() { EnableWindow(c_.command2, TRUE); }
void MainWindow::DisableDownloadButton() { EnableWindow(c_.command2, FALSE); }
std::wstring MainWindow::ServiceRoot() const { return sb::ServiceRoot(); }

void MainWindow::Cls() {
  if (hwnd()) InvalidateRect(hwnd(), nullptr, TRUE);
}

void MainWindow::Timer1_Timer() {
  // Off first: the busy message's own message loop must not run the start-up twice.
  StopTimer(kTimer1);
  JiaZai(c_.listView1);
  RunListLoad(true);
  SkinAttach(hwnd());
  startupLoadDone_ = true;
  if (onStartupLoaded) onStartupLoaded();
}

void MainWindow::RunListLoad(bool createScrollBars) {
  HandlerScope scope(*this);
  p1_.PiSize(c_.listView1);
  p1_.Show();
  EnableWindow(c_.command1, FALSE);
  EnableWindow(c_.command2, FALSE);
  EnableWindow(c_.command3, FALSE);
  updata(inet1_, c_.text1, hwnd());
  InPuter(c_.text1, c_.listView1);
  EnableWindow(c_.command1, TRUE);
  EnableWindow(c_.command3, TRUE);
  p1_.Hide();
  if (createScrollBars) CreateScrollBarObject();
}

void MainWindow::CreateScrollBarObject() { scrollBars_.Attach(c_.listView1); }

void MainWindow::Command1_Click() { RunListLoad(true); }

void MainWindow::Command2_Click() { peers_->DownloadCommand(); }

void MainWindow::Command3_Click() { RequestUnload(); }

void MainWindow::Command4_Click() {
  HandlerScope scope(*this);
  if (std::optional<int> row = SelectedRow(c_.listView1)) {
    if (ResolveAndPlay(inet1_, wp1_, CellText(c_.listView1, *row, 2))) playThrough_.SongStarted(*row, true);
  } else {
    wp1_.Play();
  }
}

void MainWindow::Command5_Click() {
  std::wstring command = L"explorer.exe " + ServiceRoot() + L"forum";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    UniqueKernelHandle process(pi.hProcess);
    UniqueKernelHandle thread(pi.hThread);
  }
}

void MainWindow::ListView1_Click() {
  HandlerScope scope(*this);
  HWND list = c_.listView1;
  SkinAttach(list);
  EnableWindow(c_.command2, TRUE);
  SetText(c_.singerInfo, L"正在拉取信息");
  const std::wstring root = ServiceRoot();
  // Each step reads the selected row afresh: the messages that LoadPicture
  // lets run may change it.
  if (std::optional<int> row = SelectedRow(list)) {
    if (std::optional<std::wstring> lyrics = FetchLyrics(inet1_, LyricsUrl(root, CellText(list, *row, 7)))) {
      const std::wstring shown = LyricsForDisplay(*lyrics);
      SetText(c_.geci, shown);
      lyricFollower_.SetLyrics(shown, CellText(list, *row, 2));
      desktopLyrics_.SetLyrics(CellText(list, *row, 2), shown);
      if (lyricFollower_.HasTimeline())
        StartTimer(kLyricTimer, kLyricTimerMs, [this] { FollowLyrics(); });
      else
        StopTimer(kLyricTimer);
    }
  }
  if (std::optional<int> row = SelectedRow(list)) {
    if (auto picture = LoadPicture(inet1_, CoverUrl(root, CellText(list, *row, 6)))) image1_.SetPicture(picture);
  }
  if (std::optional<int> row = SelectedRow(list)) SetText(c_.singerInfo, L"获取完成" + CellText(list, *row, 0));
  if (std::optional<int> row = SelectedRow(list)) SetText(c_.gmz, CellText(list, *row, 1) + L".mp3");
  if (std::optional<int> row = SelectedRow(list)) {
    SetText(c_.gdz, CellText(list, *row, 2));
    playThrough_.SongClicked(*row);
  }
}

void MainWindow::ClickSong(int row) {
  SelectRow(c_.listView1, row);
  ListView1_Click();
}

void MainWindow::ListView1_DblClick() {
  HandlerScope scope(*this);
  if (std::optional<int> row = SelectedRow(c_.listView1)) {
    if (ResolveSongAddress(inet1_, wp1_, CellText(c_.listView1, *row, 2))) playThrough_.SongStarted(*row, true);
  }
  EnableWindow(c_.command2, TRUE);
  wp1_.Play();
  EnableWindow(c_.command2, TRUE);
}

void MainWindow::ListView1_ColumnClick(int column) { sorter_.ColumnClick(c_.listView1, column); }

void MainWindow::ListView1_RightButton(POINT screenPos) { peers_->ShowSongMenu(screenPos); }

void MainWindow::WP1_StateChanged(int state) {
  SetText(c_.lMedia, wp1_.Status());
  AutoSize(c_.lMedia);
  EnableWindow(c_.command2, TRUE);
  const auto s = static_cast<PlayerState>(state);
  SyncDesktopSong();
  desktopLyrics_.OnPlayerState(s);
  if (playThrough_.enabled() && (s == PlayerState::Ended || s == PlayerState::Failed))
    PostMessageW(hwnd(), kMsgSongFinished, static_cast<WPARAM>(state), 0);
}

// Only while the song whose lyrics the box shows is playing.
void MainWindow::FollowLyrics() {
  if (wp1_.State() != PlayerState::Playing) return;
  std::optional<int> row = playThrough_.PlayingRow();
  if (row && CellText(c_.listView1, *row, 2) == lyricFollower_.SongId()) lyricFollower_.Follow(wp1_.Position());
}

void MainWindow::SyncDesktopSong() {
  if (std::optional<int> row = playThrough_.PlayingRow())
    desktopLyrics_.SetSong(CellText(c_.listView1, *row, 2), CellText(c_.listView1, *row, 0));
}

void MainWindow::ShowRow(int row) {
  SelectRow(c_.listView1, row);
  SendMessageW(c_.listView1, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void MainWindow::PlaySong(int row) {
  HandlerScope scope(*this);
  ShowRow(row);
  ListView1_Click();
  ListView1_DblClick();
}

// As a double-click, but an address that cannot be resolved plays nothing
// (a double-click would replay the song that just ended). The address goes
// first so the player connects while the lyrics and the cover load.
bool MainWindow::PlayRowOrSkip(int row) {
  HandlerScope scope(*this);
  ShowRow(row);
  if (!ResolveSongAddress(inet1_, wp1_, CellText(c_.listView1, row, 2))) return false;
  playThrough_.SongStarted(row, false);
  ListView1_Click();
  EnableWindow(c_.command2, TRUE);
  // The address already plays by itself; an explicit play would start a song
  // again that failed or ended while its click loaded.
  const PlayerState state = wp1_.State();
  if (state == PlayerState::Stopped || state == PlayerState::Undefined) wp1_.Play();
  EnableWindow(c_.command2, TRUE);
  return true;
}

// Media keys act on the player and on the rows around the playing song.
bool MainWindow::OnMediaKey(int command) {
  const PlayerState state = wp1_.State();
  const bool running = state == PlayerState::Playing || state == PlayerState::Buffering ||
                       state == PlayerState::Connecting;
  const std::optional<int> selected = SelectedRow(c_.listView1);
  // With nothing loaded yet, play starts the selected song as a double-click would.
  auto play = [&] {
    if (wp1_.URL().empty() && selected)
      PlaySong(*selected);
    else
      wp1_.Play();
  };
  switch (command) {
    case APPCOMMAND_MEDIA_PLAY_PAUSE:
      running ? wp1_.Pause() : play();
      return true;
    case APPCOMMAND_MEDIA_PLAY:
      if (!running) play();
      return true;
    case APPCOMMAND_MEDIA_PAUSE:
      if (running) wp1_.Pause();
      return true;
    case APPCOMMAND_MEDIA_STOP:
      wp1_.Stop();
      return true;
    case APPCOMMAND_MEDIA_NEXTTRACK:
    case APPCOMMAND_MEDIA_PREVIOUSTRACK: {
      const int from = playThrough_.PlayingRow().value_or(selected.value_or(-1));
      const int row = command == APPCOMMAND_MEDIA_NEXTTRACK ? from + 1 : from - 1;
      if (row >= 0 && row < RowCount(c_.listView1)) PlaySong(row);
      return true;
    }
  }
  return false;
}

void MainWindow::SetContinuousPlay(bool on) { playThrough_.SetEnabled(on); }

void MainWindow::ChooseContinuousPlay(bool on) {
  SetContinuousPlay(on);
  WriteSettingIfFileExists(PerUserSettingsPath(), "player", "continuous", on ? L"1" : L"0");
}

void MainWindow::RequestUnload() {
  if (handlerDepth_ > 0) {
    unloadPending_ = true;
    return;
  }
  Unload();
}

void MainWindow::LastHandlerLeft() {
  if (unloadPending_ && hwnd()) PostMessageW(hwnd(), kPendingUnloadMessage, 0, 0);
}

void MainWindow::RunPendingUnload() {
  if (!unloadPending_ || handlerDepth_ > 0) return;
  unloadPending_ = false;
  Unload();
}

void MainWindow::OnUnload() {
  SkinDetach(hwnd());
  desktopLyrics_.Close();
  wp1_.Stop();
  inet1_.Cancel();
  peers_->CloseDownloadWindow();
  peers_->CloseMenuForm();
  webBrowser1_.Close();
  PostQuitMessage(0);
}

void MainWindow::DrawShape(const DRAWITEMSTRUCT& dis) {
  FillRect(dis.hDC, &dis.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(dis.hDC, &dis.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

LRESULT MainWindow::OnNotify(const NMHDR& hdr) {
  if (hdr.hwndFrom != c_.listView1) return 0;
  switch (hdr.code) {
    case NM_CLICK:
      ListView1_Click();
      break;
    case NM_DBLCLK:
    case NM_RETURN:  // Enter plays the selected song as a double-click does
      ListView1_DblClick();
      break;
    case LVN_COLUMNCLICK:
      ListView1_ColumnClick(reinterpret_cast<const NMLISTVIEW&>(hdr).iSubItem);
      break;
    case NM_CUSTOMDRAW:
      return songCells_.OnCustomDraw(reinterpret_cast<const NMLVCUSTOMDRAW&>(hdr));
  }
  return 0;
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  switch (msg) {
    case WM_NOTIFY:
      result = OnNotify(*reinterpret_cast<const NMHDR*>(lp));
      break;
    case WM_COMMAND:
      if (HIWORD(wp) == 1 && lp == 0)  // from the accelerator table
        peers_->RunSongMenuItem(LOWORD(wp));
      else
        result = Form::HandleMessage(msg, wp, lp);
      break;
    case WM_DRAWITEM: {
      const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (image1_.Draw(dis)) {
        result = TRUE;
      } else if (dis.hwndItem == c_.shape1) {
        DrawShape(dis);
        result = TRUE;
      }
      break;
    }
    case WM_CLOSE:
      RequestUnload();
      break;
    case kPendingUnloadMessage:
      RunPendingUnload();
      break;
    case WM_APPCOMMAND:
      result = OnMediaKey(GET_APPCOMMAND_LPARAM(lp)) ? TRUE : Form::HandleMessage(msg, wp, lp);
      break;
    case kMsgSongFinished:
      playThrough_.OnPlayerState(static_cast<PlayerState>(wp));
      break;
    default:
      result = Form::HandleMessage(msg, wp, lp);
      break;
  }
  return result;
}

// The right button on the list, anywhere in it (below the last row too): the
// menu opens on the press, at the press point. The press is not passed on, so
// the list neither waits for a drag nor reports a click when it is released.
LRESULT MainWindow::ListView1_RightButtonDown(HWND list, WPARAM, LPARAM lp) {
  const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  try {
    ListView1_RightButton(ToScreen(list, at));
  } catch (...) {
    // The menu's failures stay with the menu: nothing unwinds into the list.
  }
  return 0;
}

LRESULT CALLBACK MainWindow::ListViewSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                              DWORD_PTR ref) {
  auto* self = reinterpret_cast<MainWindow*>(ref);
  switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:  // a second press soon after the first opens the menu again
      return self->ListView1_RightButtonDown(hwnd, wp, lp);
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &MainWindow::ListViewSubclass, id);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace sb
