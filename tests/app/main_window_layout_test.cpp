#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/song_list_view.h"
#include "app/window_snapshot.h"
#include "app_test_support.h"
#include "controls/progressbar/progress_bar.h"
#include "download/download_window.h"
#include "platform/form.h"
#include "platform/handles.h"
#include "platform/supplementary_text.h"

namespace {

struct Place {
  const char* name;
  HWND sb::MainWindowControls::*control;
  int left, top, width, height;  // twips; width 0: sized to its text
};

const Place kDesign[] = {
    {"ListView1", &sb::MainWindowControls::listView1, 0, 0, 8895, 4335},
    {"WP1", &sb::MainWindowControls::wp1, 0, 4440, 8895, 675},
    {"WebBrowser1", &sb::MainWindowControls::webBrowser1, 2400, 3600, 4695, 735},
    {"Command4", &sb::MainWindowControls::command4, 120, 5160, 1215, 435},
    {"Command1", &sb::MainWindowControls::command1, 1560, 5160, 1215, 435},
    {"Command2", &sb::MainWindowControls::command2, 3000, 5160, 1215, 435},
    {"Command3", &sb::MainWindowControls::command3, 4440, 5160, 1215, 435},
    {"Command5", &sb::MainWindowControls::command5, 5880, 5160, 1215, 435},
    {"Label3", &sb::MainWindowControls::label3, 7320, 5280, 5055, 375},
    {"Shape1", &sb::MainWindowControls::shape1, 9000, 0, 3495, 2295},
    {"Image1", &sb::MainWindowControls::image1, 9120, 120, 3255, 2055},
    {"Label1", &sb::MainWindowControls::label1, 9120, 840, 3120, 780},
    {"SingerInfo", &sb::MainWindowControls::singerInfo, 9600, 2160, 2175, 255},
    {"Geci", &sb::MainWindowControls::geci, 9000, 2400, 3495, 2775},
    {"LMedia", &sb::MainWindowControls::lMedia, 3240, 4920, 0, 0},
};

RECT ClientRectOf(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  return name;
}

// Pixels of one character drawn black on white in `font`.
std::vector<COLORREF> GlyphPixels(HFONT font, const wchar_t* text) {
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  sb::UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  sb::UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), 32, 32));
  std::vector<COLORREF> out;
  {
    sb::SelectGuard selBmp(dc.get(), bmp.get());
    sb::SelectGuard selFont(dc.get(), font);
    RECT r{0, 0, 32, 32};
    FillRect(dc.get(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc.get(), RGB(0, 0, 0));
    SetBkMode(dc.get(), TRANSPARENT);
    sb::DrawTextLine(dc.get(), text, r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) out.push_back(GetPixel(dc.get(), x, y));
  }
  return out;
}

// Pixels clearly darker than the paper: strokes, antialiased edges included.
int InkPixels(const std::vector<COLORREF>& px) {
  int n = 0;
  for (COLORREF c : px)
    if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 450) ++n;
  return n;
}

// A row or column of the main window's client area as the screen shows it.
std::vector<COLORREF> ScreenRun(HWND form, int x, int y, int dx, int dy, int n) {
  POINT p{x, y};
  ClientToScreen(form, &p);
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  std::vector<COLORREF> out;
  for (int i = 0; i < n; ++i) out.push_back(GetPixel(screen.get(), p.x + i * dx, p.y + i * dy));
  return out;
}

// The player bar's controls, told apart by class, text and range.
struct PlayerBar {
  HWND play = nullptr, stop = nullptr, seek = nullptr, time = nullptr, volumeLabel = nullptr, volume = nullptr;
};

PlayerBar PlayerBarOf(HWND player) {
  PlayerBar bar;
  for (HWND h = GetWindow(player, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    const std::wstring cls = ClassOf(h), text = sb::Form::GetText(h);
    if (cls == L"Button") (text == L"停止" ? bar.stop : bar.play) = h;
    if (cls == L"Static") (text == L"音量" ? bar.volumeLabel : bar.time) = h;
    if (cls == TRACKBAR_CLASSW) (SendMessageW(h, TBM_GETRANGEMAX, 0, 0) == 100 ? bar.volume : bar.seek) = h;
  }
  return bar;
}

// A control's text, measured in its own font, fits inside its client area
// (buttons keep a margin for their frame).
void ExpectTextWhole(HWND h) {
  const std::wstring text = sb::Form::GetText(h);
  if (text.empty()) return;
  sb::WindowDc dc = sb::WindowDc::Client(h);
  sb::SelectGuard select(dc.get(), reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
  RECT need{0, 0, 0, 0}, client{};
  DrawTextW(dc.get(), text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  GetClientRect(h, &client);
  const int margin = ClassOf(h) == L"Button" ? 4 : 0;
  EXPECT_LE(need.right + margin, client.right) << sbtest::Utf8(text);
  EXPECT_LE(need.bottom + margin / 2, client.bottom) << sbtest::Utf8(text);
}

int CountOf(const std::vector<COLORREF>& px, COLORREF c) {
  int n = 0;
  for (COLORREF p : px) n += p == c;
  return n;
}

// Every control at its design twips at `dpi`, the player bar's row included,
// and every text whole inside its control.
void ExpectDesignLayout(const sb::MainWindow& window, int dpi) {
  const auto px = [dpi](int twips) { return sb::TwipsToPixelsAt(twips, dpi); };
  const auto& c = window.Controls();
  for (const Place& p : kDesign) {
    HWND h = c.*(p.control);
    ASSERT_NE(h, nullptr) << p.name;
    RECT r = ClientRectOf(h);
    EXPECT_EQ(r.left, px(p.left)) << p.name;
    EXPECT_EQ(r.top, px(p.top)) << p.name;
    if (p.width) {
      EXPECT_EQ(r.right - r.left, px(p.width)) << p.name;
      EXPECT_EQ(r.bottom - r.top, px(p.height)) << p.name;
    }
  }
  const PlayerBar bar = PlayerBarOf(c.wp1);
  for (HWND h : {bar.play, bar.stop, bar.seek, bar.time, bar.volume}) {
    ASSERT_NE(h, nullptr);
    const RECT r = ClientRectOf(h);
    EXPECT_EQ(r.top, px(45));
    EXPECT_EQ(r.bottom - r.top, px(360));
  }
  for (HWND h : {bar.play, bar.stop}) EXPECT_EQ(ClientRectOf(h).right - ClientRectOf(h).left, px(660));
  EXPECT_EQ(ClientRectOf(bar.volume).right - ClientRectOf(bar.volume).left, px(1350));
  EXPECT_GE(ClientRectOf(bar.time).right - ClientRectOf(bar.time).left, px(1440));
  EXPECT_LE(ClientRectOf(bar.time).right, ClientRectOf(bar.volumeLabel).left) << "the time stays clear of 音量";
  for (HWND h : {c.command1, c.command2, c.command3, c.command4, c.command5, c.label1, c.label3, c.lMedia,
                 bar.play, bar.stop, bar.time, bar.volumeLabel})
    ExpectTextWhole(h);
  HFONT listFont = reinterpret_cast<HFONT>(SendMessageW(c.listView1, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  ASSERT_TRUE(GetObjectW(listFont, sizeof(lf), &lf));
  EXPECT_EQ(lf.lfHeight, sb::FontHeightAt(9, dpi));
  EXPECT_NEAR(static_cast<int>(SendMessageW(c.listView1, LVM_GETCOLUMNWIDTH, 0, 0)),
              sb::ColumnWidthPixels(0, 8895, dpi), 1);
}

// A window's client pixels as they go to the screen: read through its own DC
// from the top-level window's surface, which needs no wait for the X server.
std::vector<COLORREF> ShownPixels(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  std::vector<COLORREF> out;
  sb::WindowDc dc = sb::WindowDc::Client(h);
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) out.push_back(GetPixel(dc.get(), x, y));
  return out;
}

// After each change of a transparent label's text its pixels on screen are
// what a fresh repaint of it draws: the old text never shows through.
TEST(MainWindowLayout, ATransparentLabelNeverDrawsOverItsOldText) {
  sbtest::RecordingPeers peers;
  auto window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  const auto& c = window->Controls();
  const HWND form = window->hwnd();
  struct Change {
    const wchar_t* text;
    bool fullRepaint;
  };
  const Change changes[] = {{L"正在连接…", false}, {L"无法连接到媒体地址", false}, {L"已停止", false},
                            {L"正在连接媒体服务器并缓冲…", false}, {L"无法连接到媒体地址", true}};
  for (bool autoSize : {false, true}) {
    const HWND label = autoSize ? c.lMedia : c.singerInfo;
    for (const Change& change : changes) {
      SCOPED_TRACE(testing::Message() << (autoSize ? "LMedia " : "SingerInfo ") << sbtest::Utf8(change.text));
      window->SetText(label, change.text);
      if (autoSize) window->AutoSize(label);
      if (change.fullRepaint)
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);  // paints what is pending
      const std::vector<COLORREF> shown = ShownPixels(label);
      RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      const std::vector<COLORREF> fresh = ShownPixels(label);
      ASSERT_FALSE(fresh.empty());
      EXPECT_GT(InkPixels(fresh), 20);
      EXPECT_EQ(shown.size(), fresh.size());
      EXPECT_TRUE(shown == fresh) << "pixels that differ: "
                                  << [&] {
                                       size_t n = 0;
                                       for (size_t i = 0; i < std::min(shown.size(), fresh.size()); ++i)
                                         n += shown[i] != fresh[i];
                                       return n;
                                     }();
    }
  }
  sbtest::CloseMainWindow(*window);
}

// Labels lie beneath the windowed controls and show what lies behind them;
// the player's status label stays whole over the player's strip.
TEST(MainWindowLayout, LabelsShowWhatLiesBehindThemAndTheStatusStaysWhole) {
  sbtest::RecordingPeers peers;
  auto window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  const auto& c = window->Controls();
  const HWND form = window->hwnd();
  window->SetText(c.singerInfo, L"获取完成一首很长很长的歌");
  const auto setStatus = [&](const wchar_t* text) {
    window->SetText(c.lMedia, text);
    window->AutoSize(c.lMedia);
  };
  setStatus(L"未找到音频设备");
  sbtest::PumpFor(200);
  setStatus(L"已停止");  // shrinks and grows again before anything repaints
  setStatus(L"未找到音频设备");
  sbtest::PumpFor(300);

  const RECT status = ClientRectOf(c.lMedia), info = ClientRectOf(c.singerInfo);
  const RECT player = ClientRectOf(c.wp1), lyrics = ClientRectOf(c.geci), frame = ClientRectOf(c.shape1);
  const int w = status.right - status.left;
  ASSERT_GT(w, 40);
  const auto statusInk = [&](int from, int to) {
    int ink = 0;
    for (int y = status.top; y < status.bottom; ++y) ink += InkPixels(ScreenRun(form, status.left + from, y, 1, 0, to - from));
    return ink;
  };
  EXPECT_GT(statusInk(0, w / 3), 10) << "the start of the status shows";
  EXPECT_GT(statusInk(2 * w / 3, w), 10) << "the end of the status shows";

  // Behind the status: the player's pale strip and its bottom line.
  const COLORREF strip = ScreenRun(form, status.right + 30, status.top, 1, 0, 1)[0];
  const COLORREF line = ScreenRun(form, status.right + 30, player.bottom - 1, 1, 0, 1)[0];
  EXPECT_GE(CountOf(ScreenRun(form, status.left, status.top, 1, 0, w), strip), w * 8 / 10);
  if (status.bottom >= player.bottom) {
    EXPECT_GE(CountOf(ScreenRun(form, status.left, player.bottom - 1, 1, 0, w), line), w * 8 / 10);
  }
  // Under the fetch progress label: the lyrics box's top border and the cover frame's bottom line, whole.
  const int iw = info.right - info.left;
  const COLORREF border = ScreenRun(form, lyrics.left + 4, lyrics.top, 1, 0, 1)[0];
  const COLORREF frameLine = ScreenRun(form, frame.left + 4, frame.bottom - 1, 1, 0, 1)[0];
  EXPECT_EQ(CountOf(ScreenRun(form, info.left, lyrics.top, 1, 0, iw), border), iw);
  EXPECT_EQ(CountOf(ScreenRun(form, info.left, frame.bottom - 1, 1, 0, iw), frameLine), iw);

  // A full repaint, as when the window is uncovered, keeps the status.
  RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  sbtest::PumpFor(300);
  EXPECT_GT(statusInk(0, w / 3), 10);
  EXPECT_GT(statusInk(2 * w / 3, w), 10);
  EXPECT_TRUE(sb::SaveClientPng(form, sbtest::BuildDir() + L"\\main_window_labels.png"));
  sbtest::CloseMainWindow(*window);
}

// After start-up the list's whole client area shows its background, below the
// last row and right of the last column too (where no other window covers it).
TEST(MainWindowLayout, TheSongListsEmptyAreaShowsItsBackground) {
  sbtest::RecordingPeers peers;
  auto window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  const HWND list = window->Controls().listView1;
  const auto back = static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
  RECT client{};
  GetClientRect(list, &client);
  const RECT first = sbtest::RowRect(list, 0), last = sbtest::RowRect(list, sb::RowCount(list) - 1);
  int columnsRight = 0;
  for (int i = 0; i < 10; ++i) columnsRight += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  int checked = 0, wrong = 0;
  for (int y = first.top + 1; y < client.bottom - 1; y += 5) {
    for (int x = 1; x < client.right - 1; x += 5) {
      if (y < last.bottom + 2 && x < columnsRight + 2) continue;  // the rows themselves
      POINT inForm{x, y}, p{x, y};
      MapWindowPoints(list, window->hwnd(), &inForm, 1);
      if (ChildWindowFromPointEx(window->hwnd(), inForm, CWP_SKIPINVISIBLE) != list) continue;
      ClientToScreen(list, &p);
      ++checked;
      wrong += GetPixel(screen.get(), p.x, p.y) != back;
    }
  }
  EXPECT_GT(checked, 100);
  EXPECT_EQ(wrong, 0) << "of " << checked << " points";
  sbtest::CloseMainWindow(*window);
}

TEST(MainWindowLayout, ControlsSitAtTheirDesignPlacesAndChineseTextHasGlyphs) {
  sbtest::RecordingPeers peers;
  auto window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  const auto& c = window->Controls();
  wchar_t caption[128] = {};
  GetWindowTextW(window->hwnd(), caption, 128);
  EXPECT_STREQ(caption, L"新歌音乐盒 [每日新歌 抢先试听]");
  EXPECT_EQ(ClassOf(window->hwnd()), L"Form");
  RECT client;
  GetClientRect(window->hwnd(), &client);
  EXPECT_EQ(client.right, sb::TwipsToPixels(12540));
  EXPECT_EQ(client.bottom, sb::TwipsToPixels(5790));

  ExpectDesignLayout(*window, sb::SystemDpi());
  EXPECT_EQ(ClassOf(c.listView1), L"SysListView32");
  EXPECT_EQ(ClassOf(c.command1), L"Button");
  EXPECT_EQ(ClassOf(c.geci), L"Edit");
  EXPECT_EQ(ClassOf(c.label3), L"Static");
  EXPECT_EQ(sb::Form::GetText(c.command1), L"更新列表");
  EXPECT_EQ(sb::Form::GetText(c.label3).substr(0, 5), L"温馨提示:");
  EXPECT_EQ(sb::Form::GetText(c.label1), L"歌手快照");

  // The hand-over controls exist, hidden, below the client area; the wait
  // panel is hidden once the load is over.
  for (HWND h : {c.gmz, c.gdz, c.text1}) {
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_GE(ClientRectOf(h).top, client.bottom);
  }
  EXPECT_FALSE(IsWindowVisible(c.p1));
  EXPECT_EQ(ClassOf(c.text1), L"Edit");
  EXPECT_TRUE(GetWindowLongPtrW(c.text1, GWL_STYLE) & ES_MULTILINE);

  // Chinese glyphs: not the empty box of a missing character, and real ink in the button.
  HFONT buttonFont = reinterpret_cast<HFONT>(SendMessageW(c.command1, WM_GETFONT, 0, 0));
  auto han = GlyphPixels(buttonFont, L"更");
  auto missing = GlyphPixels(buttonFont, L"\xFFFF");
  EXPECT_GT(InkPixels(han), 15) << InkPixels(missing);
  EXPECT_NE(han, missing);

  window->ClickSong(0);
  sbtest::PumpFor(300);
  RedrawWindow(window->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  sbtest::PumpFor(300);
  RECT b;
  GetWindowRect(c.command1, &b);
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  std::vector<COLORREF> buttonPixels;
  for (int y = b.top + 3; y < b.bottom - 3; ++y)
    for (int x = b.left + 3; x < b.right - 3; ++x) buttonPixels.push_back(GetPixel(screen.get(), x, y));
  EXPECT_GT(InkPixels(buttonPixels), 40) << "更新列表 is drawn";
  EXPECT_TRUE(sb::SaveClientPng(window->hwnd(), sbtest::BuildDir() + L"\\main_window.png"));
  sbtest::CloseMainWindow(*window);
}

}  // namespace

namespace {

// Where Windows would put `form` at `dpi`: its client area of the given twips.
RECT WindowRectAt(HWND form, int dpi, SIZE clientTwips = {12540, 5790}) {
  RECT now{}, r{0, 0, sb::TwipsToPixelsAt(clientTwips.cx, dpi), sb::TwipsToPixelsAt(clientTwips.cy, dpi)};
  GetWindowRect(form, &now);
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(form, GWL_EXSTYLE)));
  return {now.left, now.top, now.left + r.right - r.left, now.top + r.bottom - r.top};
}

void ExpectClientAt(HWND form, int dpi) {
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, sb::TwipsToPixelsAt(12540, dpi));
  EXPECT_EQ(client.bottom, sb::TwipsToPixelsAt(5790, dpi));
}

// The download window's progress bar at its twips, its caption in its font at `dpi`.
void ExpectProgressBarAt(const sb::ProgressBar& bar, int dpi) {
  const auto px = [dpi](int twips) { return sb::TwipsToPixelsAt(twips, dpi); };
  const RECT r = ClientRectOf(bar.hwnd());
  EXPECT_EQ(r.left, px(120));
  EXPECT_EQ(r.top, px(120));
  EXPECT_EQ(r.right - r.left, px(3615));
  EXPECT_EQ(r.bottom - r.top, px(375));
  LOGFONTW lf{};
  ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(bar.hwnd(), WM_GETFONT, 0, 0)), sizeof(lf), &lf));
  EXPECT_EQ(lf.lfHeight, sb::FontHeightAt(static_cast<int>(bar.TextFont().points), dpi));
}

// As Windows does when the windows move to a monitor of another scale: each
// takes the suggested rectangle and lays itself out at the new DPI; the
// download window opened from the main window too, its progress bar included.
TEST(MainWindowLayout, OnANewDpiTheWindowTakesTheSuggestedPlaceAndLaysItselfOutAgain) {
  sbtest::CommandedMainWindow app;
  ASSERT_TRUE(app.Open());
  const sb::MainWindow& window = *app.window;
  const HWND form = window.hwnd();
  SendMessageW(window.Controls().command2, BM_CLICK, 0, 0);  // 下载音乐, with nothing playing: no request
  sb::DownloadWindow* down = app.commands->Down();
  ASSERT_NE(down, nullptr);
  for (int dpi : {192, 168, 144, 120, sb::SystemDpi()}) {
    SCOPED_TRACE(dpi);
    RECT suggested = WindowRectAt(form, dpi);
    SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT downSuggested = WindowRectAt(down->hwnd(), dpi, {4680, 1335});
    SendMessageW(down->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&downSuggested));
    sbtest::PumpFor(100);
    RECT now{};
    GetWindowRect(form, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    EXPECT_EQ(sb::WindowDpi(window.Controls().listView1), dpi);
    ExpectClientAt(form, dpi);
    ExpectDesignLayout(window, dpi);
    ExpectProgressBarAt(down->ProgressBar1(), dpi);
  }
  app.Close();
}

// Sets a DWORD value of the current user until the end of the scope.
class ScopedUserDword {
 public:
  ScopedUserDword(const wchar_t* key, const wchar_t* name, DWORD value) : key_(key), name_(name) {
    DWORD size = sizeof(old_);
    had_ = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &old_, &size) == ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof(value));
  }
  ~ScopedUserDword() {
    if (had_)
      RegSetKeyValueW(HKEY_CURRENT_USER, key_, name_, REG_DWORD, &old_, sizeof(old_));
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, key_, name_);
  }
  ScopedUserDword(const ScopedUserDword&) = delete;
  ScopedUserDword& operator=(const ScopedUserDword&) = delete;

 private:
  const wchar_t* key_;
  const wchar_t* name_;
  DWORD old_ = 0;
  bool had_ = false;
};

// Runs this test program's DISABLED_AtTheSystemDpi in a process of its own
// that starts with the screen at `dpi`; its exit code.
DWORD RunAtScreenDpi(int dpi) {
  ScopedUserDword desktop(L"Control Panel\\Desktop", L"LogPixels", static_cast<DWORD>(dpi));
  ScopedUserDword fonts(L"Software\\Wine\\Fonts", L"LogPixels", static_cast<DWORD>(dpi));
  SetEnvironmentVariableW(L"SONGBOX_EXPECT_DPI", std::to_wstring(dpi).c_str());
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) +
                         L"\" --gtest_also_run_disabled_tests --gtest_filter=MainWindowLayout.DISABLED_AtTheSystemDpi";
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableW(L"SONGBOX_EXPECT_DPI", nullptr);
  if (!started) return 255;
  sb::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(process.get(), 120000);
  DWORD code = 255;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

TEST(MainWindowLayout, AtEveryScreenScaleControlsFollowTheirTwipsAndNoTextIsCut) {
  for (int dpi : {120, 144, 192}) EXPECT_EQ(RunAtScreenDpi(dpi), 0u) << dpi << " DPI";
}

// Started by the test above with the screen at SONGBOX_EXPECT_DPI.
TEST(MainWindowLayout, DISABLED_AtTheSystemDpi) {
  SetProcessDPIAware();
  const int dpi = std::stoi(sbtest::Utf8(sbtest::EnvW(L"SONGBOX_EXPECT_DPI")));
  ASSERT_EQ(sb::SystemDpi(), dpi) << "the screen's LogPixels took";
  sbtest::RecordingPeers peers;
  auto window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  ExpectClientAt(window->hwnd(), dpi);
  ExpectDesignLayout(*window, dpi);
  EXPECT_TRUE(sb::SaveClientPng(window->hwnd(), sbtest::BuildDir() + L"\\main_window_" + std::to_wstring(dpi) + L"dpi.png"));
  sbtest::CloseMainWindow(*window);
}

}  // namespace

namespace {

using Block = std::vector<std::vector<COLORREF>>;  // rows of pixels

// `text` drawn in `font` and the list's colours, cut to the rows and columns
// that hold more than the background.
Block DrawnInListColours(HFONT font, const wchar_t* text, COLORREF fore, COLORREF back) {
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  sb::UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  sb::UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), 48, 48));
  sb::SelectGuard selBmp(dc.get(), bmp.get());
  sb::SelectGuard selFont(dc.get(), font);
  sb::UniqueBrush brush(CreateSolidBrush(back));
  RECT r{0, 0, 48, 48};
  FillRect(dc.get(), &r, brush.get());
  SetTextColor(dc.get(), fore);
  SetBkMode(dc.get(), TRANSPARENT);
  sb::DrawTextLine(dc.get(), text, r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  int left = 48, right = -1, top = 48, bottom = -1;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      if (GetPixel(dc.get(), x, y) == back) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  Block out;
  for (int y = top; y <= bottom; ++y) {
    out.emplace_back();
    for (int x = left; x <= right; ++x) out.back().push_back(GetPixel(dc.get(), x, y));
  }
  return out;
}

// Where `block` appears pixel for pixel in `area`.
int Occurrences(const Block& area, const Block& block) {
  if (block.empty() || area.empty()) return 0;
  const size_t h = block.size(), w = block[0].size();
  int found = 0;
  for (size_t y = 0; y + h <= area.size(); ++y)
    for (size_t x = 0; x + w <= area[0].size(); ++x) {
      bool same = true;
      for (size_t dy = 0; same && dy < h; ++dy)
        same = std::equal(block[dy].begin(), block[dy].end(), area[y + dy].begin() + static_cast<long>(x));
      found += same;
    }
  return found;
}

// `area` of `window`'s client area as the screen shows it.
Block Shown(HWND window, const RECT& area) {
  Block shown;
  sb::WindowDc dc = sb::WindowDc::Client(window);
  for (int y = area.top; y < area.bottom; ++y) {
    shown.emplace_back();
    for (int x = area.left; x < area.right; ++x) shown.back().push_back(GetPixel(dc.get(), x, y));
  }
  return shown;
}

// Gives the first row these texts in the title, singer and publisher
// columns, selected or not, and lets the list paint it.
void SetFirstRow(HWND list, const std::wstring& title, const std::wstring& singer, bool selected) {
  const std::wstring publisher = L"出品";
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (selected) sb::SelectRow(list, 0);
  for (auto [column, text] : {std::pair{0, &title}, std::pair{3, &singer}, std::pair{4, &publisher}}) {
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text->c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  }
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// Characters the list's font lacks (a CJK Extension A character, a symbol of
// the emoji range) come from the fonts the prefix links to it: the first row
// shows no empty box.
TEST(MainWindowLayout, TheFirstRowShowsWhatTheListFontLacksThroughFontLinks) {
  sbtest::RecordingPeers peers;
  auto window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  const HWND list = window->Controls().listView1;
  SetFirstRow(list, L"星光 \u26C4", L"王\u3400", false);
  const auto fore = static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0));
  const auto back = static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0));
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
  const Block box = DrawnInListColours(font, L"\xFFFF", fore, back);
  ASSERT_FALSE(box.empty());

  const Block shown = Shown(list, sbtest::RowRect(list, 0));
  EXPECT_EQ(Occurrences(shown, DrawnInListColours(font, L"王", fore, back)), 1) << "the search finds a glyph";
  EXPECT_EQ(Occurrences(shown, box), 0) << "an empty box in the first row";
  for (const wchar_t* text : {L"\u26C4", L"\u3400"}) {
    const Block glyph = DrawnInListColours(font, text, fore, back);
    EXPECT_NE(glyph, box) << sbtest::Utf8(text);
    EXPECT_EQ(Occurrences(shown, glyph), 1) << sbtest::Utf8(text);
  }
  EXPECT_TRUE(sb::SaveClientPng(window->hwnd(), sbtest::BuildDir() + L"\\main_window_first_row.png"));
  sbtest::CloseMainWindow(*window);
}

// The demo's first row holds an emoji and a CJK Extension B character; the
// faces of the prefix that have them.
struct BeyondTheBmp {
  const wchar_t* character;
  const wchar_t* face;
};
constexpr BeyondTheBmp kBeyondTheBmp[] = {{L"\U0001F3B5", L"Symbola"}, {L"\U00020BB7", L"HanaMinB"}};

sb::UniqueFont FontLike(HFONT font, const wchar_t* face) {
  LOGFONTW lf{};
  GetObjectW(font, sizeof(lf), &lf);
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  return sb::UniqueFont(CreateFontIndirectW(&lf));
}

// The colour most pixels of `cell` have (the background), and the one
// farthest from it (the text where a glyph covers whole pixels).
std::pair<COLORREF, COLORREF> BackAndForeOf(const Block& cell) {
  std::vector<COLORREF> pixels;
  for (const auto& row : cell) pixels.insert(pixels.end(), row.begin(), row.end());
  std::sort(pixels.begin(), pixels.end());
  COLORREF back = pixels.at(0);
  size_t most = 0;
  for (size_t i = 0; i < pixels.size();) {
    const size_t j = static_cast<size_t>(std::upper_bound(pixels.begin(), pixels.end(), pixels[i]) - pixels.begin());
    if (j - i > most) most = j - i, back = pixels[i];
    i = j;
  }
  auto distance = [back](COLORREF c) {
    return std::abs(GetRValue(c) - GetRValue(back)) + std::abs(GetGValue(c) - GetGValue(back)) +
           std::abs(GetBValue(c) - GetBValue(back));
  };
  return {back, *std::max_element(pixels.begin(), pixels.end(),
                                  [&](COLORREF x, COLORREF y) { return distance(x) < distance(y); })};
}

// `shown`, drawn in `font` in these colours, holds no empty box and each
// character beyond the BMP once as its face draws it.
void ExpectFallbackGlyphs(const Block& shown, HFONT font, COLORREF fore, COLORREF back) {
  const Block box = DrawnInListColours(font, L"\xFFFF", fore, back);
  ASSERT_FALSE(box.empty());
  EXPECT_EQ(Occurrences(shown, box), 0) << "an empty box";
  for (const BeyondTheBmp& c : kBeyondTheBmp) {
    sb::UniqueFont face = FontLike(font, c.face);
    const Block glyph = DrawnInListColours(face.get(), c.character, fore, back);
    EXPECT_FALSE(glyph.empty()) << sbtest::Utf8(c.character);
    EXPECT_NE(glyph, box) << sbtest::Utf8(c.character);
    EXPECT_EQ(Occurrences(shown, glyph), 1) << sbtest::Utf8(c.character);
  }
}

// Wine's GDI draws each half of a surrogate pair as a glyph of its own; the
// list draws such cells through the fallback faces, in the colours of the
// cells it draws itself, a selected row's too.
TEST(MainWindowLayout, TheFirstRowShowsCharactersBeyondTheBmpInFallbackFonts) {
  sbtest::RecordingPeers peers;
  auto window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  const HWND list = window->Controls().listView1;
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
  for (bool selected : {false, true}) {
    SCOPED_TRACE(selected ? "selected" : "not selected");
    SetFirstRow(list, L"星光\u3000\U0001F3B5", L"王\U00020BB7", selected);
    RECT publisher{};
    publisher.top = 4;
    publisher.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&publisher));
    InflateRect(&publisher, 0, -2);
    const auto [back, fore] = BackAndForeOf(Shown(list, publisher));
    const Block shown = Shown(list, sbtest::RowRect(list, 0));
    EXPECT_EQ(Occurrences(shown, DrawnInListColours(font, L"王", fore, back)), 1) << "the search finds a glyph";
    ExpectFallbackGlyphs(shown, font, fore, back);
    EXPECT_TRUE(sb::SaveClientPng(list, sbtest::BuildDir() + (selected ? L"\\first_row_beyond_bmp_selected.png"
                                                                        : L"\\first_row_beyond_bmp.png")));
  }
  sbtest::CloseMainWindow(*window);
}

}  // namespace
