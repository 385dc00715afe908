#include "app_test_support.h"

#include <commctrl.h>

#include <utility>

#include "app/song_list_view.h"

namespace sbtest {

const std::vector<DemoSong>& DemoSongs() {
  static const std::vector<DemoSong> songs = {
      {L"101", L"f101", L"Delta", L"歌手甲", L"出品一", L"2026-12-01", L"c0", L"l0", L"5", L"9"},
      {L"102", L"f102", L"Alpha", L"歌手乙", L"出品二", L"2026-12-02", L"c1", L"l1", L"7", L"10"},
      {L"103", L"f103", L"Charlie", L"歌手丙", L"出品三", L"2026-12-03", L"bad", L"lf", L"1", L"100"},
      {L"104", L"f104", L"Bravo", L"歌手丁", L"出品四", L"2026-12-04", L"c3", L"l3", L"3", L"99"},
  };
  return songs;
}

std::string CataloguePage(const std::vector<DemoSong>& songs) {
  std::wstring page = L"<script>var Data={};Data.list=[";
  for (size_t i = 0; i < songs.size(); ++i) {
    const DemoSong& s = songs[i];
    if (i) page += L",";
    page += L"{sid:" + s.id + L",al:'" + s.file + L"',ti:'" + s.title + L"',si:'" + s.singer + L"',lrc:'" +
            s.publisher + L"',cp:'" + s.date + L"',da:'" + s.picture + L"',dl:'" + s.lyrics + L"',tl:" + s.today +
            L",ico:" + s.total + L",cv:0}";
  }
  page += L"];\r\nData.Nlist.order=[1,2,3];\r\n</script>";
  return Gbk(page);
}

TestCatalogue& TestCatalogue::Get() {
  static TestCatalogue catalogue;
  return catalogue;
}

TestCatalogue::TestCatalogue() {
  SetEnvironmentVariableW(L"SONGBOX_ROOT", server_.Root().c_str());
  server_.Route("/", [this](const HttpRequest&, HttpConnection& c) {
    if (duringRootPage) duringRootPage();
    if (failRootPage)
      c.Respond(404, "gone");
    else
      c.Respond(200, CataloguePage(DemoSongs()), "text/html");
  });
  server_.Serve("/lyrics/l0", Gbk(L"[00:01]第一行\r\n[00:02]第二行\r\n"), "text/plain");
  server_.Serve("/lyrics/l1", Gbk(L"乙的歌词\r\n"), "text/plain");
  server_.Serve("/lyrics/lf", "line one\nline two\nline three\n", "text/plain");
  server_.Serve("/lyrics/l3", Gbk(L"丁的歌词\r\n"), "text/plain");
  server_.Serve("/cover/c0", ReadFileBytes(MediaDir() + L"\\cover\\cover0.jpg"), "image/jpeg");
  server_.Serve("/cover/c1", ReadFileBytes(MediaDir() + L"\\cover\\cover1.jpg"), "image/jpeg");
  server_.Serve("/cover/c3", ReadFileBytes(MediaDir() + L"\\cover\\cover3.jpg"), "image/jpeg");
  server_.Route("/cover/bad", [](const HttpRequest&, HttpConnection& c) {
    c.Respond(404, "<html><body>no such cover</body></html>", "text/html");
  });
  server_.Serve("/wgns/url/101", "data/a.mp3", "text/plain");
  server_.Serve("/wgns/url/102", "data/b.mp3\r\n", "text/plain");
  server_.Serve("/wgns/url/103", "data/c.mp3", "text/plain");
  server_.Serve("/wgns/url/104", "data/d.mp3", "text/plain");
  std::string tone = ReadFileBytes(MediaDir() + L"\\media\\tone1k.mp3");
  server_.Route("/data/*", [tone](const HttpRequest&, HttpConnection& c) { c.Respond(200, tone, "audio/mpeg"); });
  server_.Serve("/community", "<html><body>community</body></html>", "text/html");
}

std::unique_ptr<sb::MainWindow> OpenMainWindow(sb::MainWindowPeers* peers) {
  TestCatalogue::Get();
  auto window = std::make_unique<sb::MainWindow>();
  window->SetPeers(peers);
  if (!window->Load()) return nullptr;
  SetWindowPos(window->hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(window->hwnd());
  PumpUntil([&] { return window->StartupLoadDone(); }, 30000);
  PumpFor(50);
  return window;
}

bool CommandedMainWindow::Open() {
  window = OpenMainWindow(nullptr);
  if (!window) return false;
  host = std::make_unique<sb::MainWindowSongHost>(*window);
  commands = std::make_unique<sb::SongCommands>(*host);
  window->SetPeers(commands.get());
  return true;
}

void CommandedMainWindow::Close() {
  if (window && window->IsLoaded()) CloseMainWindow(*window);
  commands.reset();
  host.reset();
  window.reset();
}

bool TakeQuitMessage() {
  MSG m;
  bool quit = false;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      quit = true;
      continue;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return quit;
}

void CloseMainWindow(sb::MainWindow& window) {
  if (window.IsLoaded()) window.Unload();
  PumpFor(20);
  TakeQuitMessage();
}

std::vector<INPUT> ClickInput(POINT p, Button button, int clicks) {
  SetCursorPos(p.x, p.y);
  DWORD down = MOUSEEVENTF_LEFTDOWN, up = MOUSEEVENTF_LEFTUP;
  if (button == Button::Right) {
    down = MOUSEEVENTF_RIGHTDOWN;
    up = MOUSEEVENTF_RIGHTUP;
  } else if (button == Button::Middle) {
    down = MOUSEEVENTF_MIDDLEDOWN;
    up = MOUSEEVENTF_MIDDLEUP;
  }
  int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
  std::vector<INPUT> in;
  for (int i = 0; i < clicks; ++i) {
    INPUT move{}, press{}, release{};
    move.type = press.type = release.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(p.x, 65535, sx - 1);
    move.mi.dy = MulDiv(p.y, 65535, sy - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    press.mi.dwFlags = down;
    release.mi.dwFlags = up;
    in.insert(in.end(), {move, press, release});
  }
  return in;
}

void MouseClick(HWND hwnd, POINT client, Button button, int clicks) {
  POINT p = client;
  ClientToScreen(hwnd, &p);
  SendInputAndWait(ClickInput(p, button, clicks));
}

void PressKey(const sb::MainWindow& window, WORD vk) {
  INPUT press{};
  press.type = INPUT_KEYBOARD;
  press.ki.wVk = vk;
  INPUT release = press;
  release.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInputAndWait({press, release}, [&](MSG& m) { sb::DispatchLoopMessage(m, window.hwnd(), window.Keys()); });
}

// The letter is posted when the menu's loop first waits for input (it tells
// its owner with WM_ENTERIDLE), so it can neither come before the menu is
// open nor reach a later one.
void ChooseFromNextMenu(HWND menuOwner, wchar_t letter) {
  static HWND owner;
  static wchar_t key;
  static HHOOK hook;
  if (hook) UnhookWindowsHookEx(hook);
  owner = menuOwner;
  key = letter;
  hook = SetWindowsHookExW(
      WH_CALLWNDPROC,
      [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
        const auto& m = *reinterpret_cast<const CWPSTRUCT*>(lp);
        if (code == HC_ACTION && m.message == WM_ENTERIDLE && m.wParam == MSGF_MENU && m.hwnd == owner && key) {
          PostMessageW(owner, WM_CHAR, std::exchange(key, L'\0'), 0);
          UnhookWindowsHookEx(std::exchange(hook, nullptr));
          return 0;
        }
        return CallNextHookEx(nullptr, code, wp, lp);
      },
      nullptr, GetCurrentThreadId());
}

RECT RowRect(HWND listView, int row) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageW(listView, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  return r;
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

POINT BelowLastRow(HWND listView) {
  int n = sb::RowCount(listView);
  RECT last = RowRect(listView, n - 1);
  RECT client{};
  GetClientRect(listView, &client);
  return {40, (last.bottom + client.bottom) / 2};
}

void NotifyDoubleClick(sb::MainWindow& window, int row) {
  HWND list = window.Controls().listView1;
  LVITEMW state{};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  NMITEMACTIVATE dbl{};
  dbl.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), static_cast<UINT>(NM_DBLCLK)};
  dbl.iItem = row;
  SendMessageW(window.hwnd(), WM_NOTIFY, dbl.hdr.idFrom, reinterpret_cast<LPARAM>(&dbl));
}

std::vector<std::wstring> ColumnTexts(HWND listView, int column) {
  std::vector<std::wstring> out;
  for (int i = 0; i < sb::RowCount(listView); ++i) out.push_back(sb::CellText(listView, i, column));
  return out;
}

}  // namespace sbtest
