// Shared pieces of the main window tests: a loopback catalogue with a small
// song list, a recorder for the main window's peers and real mouse input.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_song_host.h"
#include "app/song_commands.h"
#include "test_env.h"
#include "test_http_server.h"

namespace sbtest {

struct DemoSong {
  std::wstring id, file, title, singer, publisher, date, picture, lyrics, today, total;
};

// Page order: Delta, Alpha, Charlie, Bravo.
const std::vector<DemoSong>& DemoSongs();

// The newest-songs page for `songs`, GBK-encoded as the service sends it.
std::string CataloguePage(const std::vector<DemoSong>& songs);

// One catalogue for the whole test program (the service root is read from
// SONGBOX_ROOT, set once before the first window).
class TestCatalogue {
 public:
  static TestCatalogue& Get();
  TestHttpServer& server() { return server_; }
  std::wstring Root() const { return server_.Root(); }

  std::atomic<bool> failRootPage{false};
  // Runs on the server thread while the root page request is held open.
  std::function<void()> duringRootPage;

 private:
  TestCatalogue();
  TestHttpServer server_;
};

struct RecordingPeers : sb::MainWindowPeers {
  int menus = 0;
  POINT lastMenu{};
  int downloads = 0;
  int downloadWindowCloses = 0;
  int menuFormCloses = 0;
  void DownloadCommand() override { ++downloads; }
  void ShowSongMenu(POINT at) override {
    ++menus;
    lastMenu = at;
  }
  void CloseDownloadWindow() override { ++downloadWindowCloses; }
  void CloseMenuForm() override { ++menuFormCloses; }
};

// A loaded main window at a fixed place on the screen, its start-up load done.
std::unique_ptr<sb::MainWindow> OpenMainWindow(sb::MainWindowPeers* peers = nullptr);
// The main window with its song commands (Form2's menu, the download window)
// plugged in, as the program runs it.
struct CommandedMainWindow {
  std::unique_ptr<sb::MainWindow> window;
  std::unique_ptr<sb::MainWindowSongHost> host;
  std::unique_ptr<sb::SongCommands> commands;
  bool Open();
  void Close();
};

// Unloads it and drops the quit request that unloading posts.
void CloseMainWindow(sb::MainWindow& window);
bool TakeQuitMessage();

enum class Button { Left, Right, Middle };
// The input events of `clicks` presses and releases of `button` at a screen point.
std::vector<INPUT> ClickInput(POINT screen, Button button, int clicks = 1);
// Presses and releases a mouse button at a client point of `hwnd`, through the
// system's input queue; `clicks` 2 makes a double click.
void MouseClick(HWND hwnd, POINT client, Button button, int clicks = 1);

// Presses and releases a key through the system's input queue, then runs the
// messages for a while as the program's main loop does (accelerators included).
void PressKey(const sb::MainWindow& window, WORD vk);

// Chooses a menu item by its underlined letter while the pop-up menu that
// `menuOwner` opens next runs its own loop, once that loop waits for input.
void ChooseFromNextMenu(HWND menuOwner, wchar_t letter);

// Selects `row` and sends the main window the list's NM_DBLCLK as a
// double-click on the row makes the list do, without the input queue's
// delays: the benchmarks time a double-click from here.
void NotifyDoubleClick(sb::MainWindow& window, int row);

RECT RowRect(HWND listView, int row);
POINT Centre(const RECT& r);
// A client point of the list below its last row.
POINT BelowLastRow(HWND listView);
std::vector<std::wstring> ColumnTexts(HWND listView, int column);

}  // namespace sbtest
