// What the main window asks of the windows that other parts of the program
// own: the download window and the menu form. Every hook does nothing until
// those windows are plugged in with MainWindow::SetPeers.
#pragma once

#include <windows.h>

namespace sb {

class MainWindowPeers {
 public:
  virtual ~MainWindowPeers() = default;

  // "下载音乐" (Command2) was clicked.
  virtual void DownloadCommand() {}
  // Right button on the song list, at this screen position.
  virtual void ShowSongMenu(POINT screenPos) {}
  // A key of the song menu (F5, F8, F4) in the main window: run that item
  // (its MenuForm id) as choosing it from the menu would.
  virtual void RunSongMenuItem(UINT item) {}
  // Unload: cancel and close the download window if one exists (never create one).
  virtual void CloseDownloadWindow() {}
  // Unload: close the menu form.
  virtual void CloseMenuForm() {}
};

}  // namespace sb
