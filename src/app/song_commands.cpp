#include "app/song_commands.h"

#include "platform/media_player.h"
#include "playback/song_player.h"

namespace sb {

SongCommands::SongCommands(SongCommandsHost& host) : host_(host) {}

SongCommands::~SongCommands() {
  CloseDownloadWindow();
  CloseMenuForm();
}

MenuForm& SongCommands::Form2() {
  if (!form2_) {
    form2_ = std::make_unique<MenuForm>();
    form2_->MunR_Click = [this] { MunR_Click(); };
    form2_->MunPlay_Click = [this] { MunPlay_Click(); };
    form2_->MunDown_Click = [this] { MunDown_Click(); };
    form2_->MunContinuous_Click = [this] { MunContinuous_Click(); };
    form2_->MunDesktopLyrics_Click = [this] { MunDesktopLyrics_Click(); };
    form2_->MunLockLyrics_Click = [this] { MunLockLyrics_Click(); };
  }
  form2_->Load();
  form2_->SetMunContinuousChecked(host_.ContinuousPlay());
  form2_->ShowDesktopLyricsState(host_.DesktopLyricsOn(), host_.DesktopLyricsLocked());
  return *form2_;
}

void SongCommands::ShowSongMenu(POINT screenPos) { Form2().PopupMunFile(screenPos); }

void SongCommands::RunSongMenuItem(UINT item) { Form2().RunItem(item); }

void SongCommands::MunR_Click() { host_.RefreshSongList(); }

// The last clicked song (GDZ), not the row under the mouse; through Form2's
// own transfer control.
void SongCommands::MunPlay_Click() { ResolveAndPlay(Form2().Inet1(), host_.Player(), host_.GDZ()); }

void SongCommands::MunContinuous_Click() {
  host_.SetContinuousPlay(!host_.ContinuousPlay());
  Form2().SetMunContinuousChecked(host_.ContinuousPlay());
}

void SongCommands::MunDesktopLyrics_Click() {
  host_.SetDesktopLyricsOn(!host_.DesktopLyricsOn());
  Form2().ShowDesktopLyricsState(host_.DesktopLyricsOn(), host_.DesktopLyricsLocked());
}

void SongCommands::MunLockLyrics_Click() {
  host_.SetDesktopLyricsLocked(!host_.DesktopLyricsLocked());
  Form2().ShowDesktopLyricsState(host_.DesktopLyricsOn(), host_.DesktopLyricsLocked());
}

void SongCommands::MunDown_Click() {
  host_.SetDownloadButtonEnabled(false);
  Form2().SetMunDownEnabled(false);
  ShowDownloadWindow();
}

// Each step on its own, failures ignored.
void SongCommands::DownloadCommand() { MunDown_Click(); }

void SongCommands::ShowDownloadWindow() {
  if (DownloadWindow* open = Down()) {
    // Already open: only bring it forward, no second load or request.
    ShowWindow(open->hwnd(), SW_SHOWNORMAL);
    SetWindowPos(open->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(open->hwnd());
    return;
  }
  down_ = std::make_shared<DownloadWindow>(static_cast<DownloadOpener&>(*this));
  down_->ForwardAppCommandsTo(host_.MediaKeyTarget());
  down_->Load();
}

void SongCommands::CloseDownloadWindow() {
  if (down_) {
    auto down = down_;  // stays alive while it closes
    down->CancelAndClose();
  }
}

void SongCommands::CloseMenuForm() {
  if (form2_) form2_->Unload();
}

std::wstring SongCommands::SongFileName() const { return host_.GMZ(); }
std::wstring SongCommands::PlayerURL() const { return host_.Player().URL(); }

void SongCommands::EnableDownloadCommands() {
  host_.SetDownloadButtonEnabled(true);
  if (form2_) form2_->SetMunDownEnabled(true);
}

void SongCommands::ClearRunTimeDrawing() { host_.Cls(); }
HWND SongCommands::OpenerWindow() const { return host_.Window(); }

}  // namespace sb
