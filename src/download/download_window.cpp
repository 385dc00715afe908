#include "download/download_window.h"

#include <chrono>

#include <knownfolders.h>

#include "download/download_design.h"
#include "controls/progressbar/progress_bar.h"
#include "download/content_length.h"
#include "download/download_icon.h"
#include "download/download_target.h"
#include "download/safe_file_name.h"
#include "platform/user_settings.h"
#include "skin/skin.h"

namespace sb {

namespace {

constexpr int kChunkSize = 512;
// Text updates during the body read follow the screen, not every chunk.
constexpr DWORD kRepaintIntervalMs = 16;
// Pending events run between chunks at most this far apart. Looking at the
// queue costs about 25 us under Wine, 50 times the work of a chunk, so doing
// it before every chunk would make the pump itself the download's speed limit.
constexpr auto kPumpInterval = std::chrono::milliseconds(2);

const wchar_t* StateText(short state) {
  switch (state) {
    case icHostResolvingHost: return L"正在查找主机...";
    case icHostResolved: return L"已经找到主机";
    case icConnecting: return L"正在联系主机";
    case icConnected: return L"已经连接到主机";
    case icRequesting: return L"正在发送请求...";
    case icRequestSent: return L"成功发送请求";
    case icReceivingResponse: return L"正在接收回应...";
    case icDisconnecting: return L"正在断开连接...";
    case icDisconnected: return L"已经断开连接";
    default: return nullptr;
  }
}

std::wstring Trim(const std::wstring& s) {
  size_t b = s.find_first_not_of(L' ');
  if (b == std::wstring::npos) return {};
  return s.substr(b, s.find_last_not_of(L' ') - b + 1);
}

}  // namespace

DownloadWindow::DownloadWindow(DownloadOpener& opener) : opener_(opener), progress_(std::make_unique<ProgressBar>()) {
  inet1_.StateChanged = [this](short state) {
    // Keep this object alive while its notification runs: the body loop lets
    // other events run, and one of them may drop the opener's reference.
    auto keepAlive = shared_from_this();
    Inet1_StateChanged(state);
  };
}

DownloadWindow::~DownloadWindow() {
  inet1_.StateChanged = nullptr;
  inet1_.Cancel();
  inet2_.Cancel();
}

std::wstring DownloadWindow::DownMusicFolder() { return AppFolder() + L"\\DownMusic"; }

std::wstring DownloadWindow::TargetPath() const {
  return DownMusicFolder() + L"\\" + SafeFileName(GetText(fileName_));
}

std::wstring DownloadWindow::MusicDownMusicFolder() {
  const std::wstring music = KnownFolder(FOLDERID_Music);
  return music.empty() ? music : music + L"\\DownMusic";
}

// DownMusic beside the program; when that cannot be written, saving there would
// fail on every download, so the user's Music folder takes the song instead.
bool DownloadWindow::OpenTarget(DownloadTarget& target, std::wstring& folder) {
  folder = DownMusicFolder();
  if (target.Open(folder, TargetPath())) return true;
  folder = MusicDownMusicFolder();
  if (folder.empty()) return false;
  if (!target.Open(folder, folder + L"\\" + SafeFileName(GetText(fileName_)))) return false;
  SetTlog(L"保存到 " + folder);
  return true;
}

bool DownloadWindow::Load() {
  icon_ = MakeDownloadIcon();
  if (!CreateForm({L"歌曲下载", 4680, 1335, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                   0, nullptr, icon_.get()}))
    return false;
  CreateControls();
  // Skinned and filled in before it is first seen, then shown over its opener.
  Form_Load();
  CentreOver(opener_.OpenerWindow());
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  UpdateWindow(hwnd());
  return true;
}

void DownloadWindow::CreateControls() {
  if (progress_->Create(hwnd(), Px(120), Px(120), Px(3615), Px(375), 1))
    Place(progress_->hwnd(), {120, 120, 120 + 3615, 120 + 375});
  progress_->ReadProperties(DownloadWindowProgressBarDesign());
  command2_ = AddControl({L"BUTTON", L"取消", 3840, 120, 735, 375, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 2});
  OnClick(command2_, [this] { Command2_Click(); });
  tg_ = AddControl({L"STATIC", L"", 2295, 720, 0, 255, WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0, 3});
  SetColors(tg_, {RGB(0xC0, 0x40, 0x00), std::nullopt});
  label1_ = AddControl({L"STATIC", L"状态：", 240, 960, 615, 255, WS_VISIBLE | SS_NOPREFIX, 0, 4});
  SetColors(label1_, {RGB(0x6B, 0x0A, 0xFE), std::nullopt});
  tlog_ = AddControl({L"STATIC", L"", 720, 960, 0, 255, WS_VISIBLE | SS_NOPREFIX, 0, 5});
  SetColors(tlog_, {RGB(0x00, 0x00, 0xFF), std::nullopt});
  // Value holders below the visible client area.
  strUrl_ = AddControl({L"STATIC", L"", 240, 2160, 3255, 255, WS_VISIBLE | SS_NOPREFIX, 0, 6});
  fileName_ = AddControl({L"STATIC", L"", 240, 2520, 3255, 255, WS_VISIBLE | SS_NOPREFIX, 0, 7});
}

// Each step is attempted on its own.
void DownloadWindow::Form_Load() {
  SkinAttach(hwnd());
  SetText(fileName_, opener_.SongFileName());
  SetText(strUrl_, opener_.PlayerURL());
  IssueRequest();
  SetTlog(L"请等待...");
}

bool DownloadWindow::start() {
  if (!IsLoaded() || !IssueRequest()) return false;
  SetTlog(L"请等待...");
  return true;
}

// Resets the progress and sends the GET for the address held in StrURL.
bool DownloadWindow::IssueRequest() {
  contentLength_ = 0;
  progress_->SetValue(0);
  SetTlog(L"");
  inet1_.SetProtocol(icHTTP);
  // Never two requests of one window at once.
  inet1_.Cancel();
  return inet1_.Execute(Trim(GetText(strUrl_)), L"GET");
}

void DownloadWindow::CancelAndClose() {
  inet1_.Cancel();
  inet2_.Cancel();
  Unload();
}

void DownloadWindow::Command2_Click() { Unload(); }

void DownloadWindow::Inet1_StateChanged(short state) {
  if (!IsLoaded()) return;
  if (const wchar_t* text = StateText(state)) {
    SetTlog(text);
    return;
  }
  switch (state) {
    case icResponseReceived: SizeCheck(); break;
    case icError: ErrorAndRetry(); break;
    case icResponseCompleted: ReadBody(); break;
    default: break;
  }
}

void DownloadWindow::SizeCheck() {
  if (contentLength_ != 0) return;
  std::wstring header = inet1_.GetHeader(L"Content-Length");
  if (!header.empty()) contentLength_ = ContentLengthValue(header);
  if (contentLength_ == 0) {
    SetTlog(L"");
    start();
  }
}

void DownloadWindow::ErrorAndRetry() {
  MsgBox(hwnd(), L"与主机通信出错", L"音乐下载", MB_OK | MB_ICONEXCLAMATION);
  // The box is modal: the window may have been closed meanwhile.
  if (!IsLoaded()) return;
  SetTlog(L"");
  start();
}

void DownloadWindow::ReadBody() {
  if (readingBody_) return;
  readingBody_ = true;
  EnableWindow(command2_, FALSE);
  DownloadTarget target;
  std::wstring folder;
  bool opened = OpenTarget(target, folder);
  bool bodyComplete = ReadChunks(target);
  readingBody_ = false;
  if (!IsLoaded() || closing_) return;  // closed while reading: the target discards itself

  bool saved = opened && bodyComplete && contentLength_ > 0 && target.written() == static_cast<uint64_t>(contentLength_) &&
               target.Commit();
  if (!saved) {
    target.Discard();
    SetTlog(bodyComplete ? L"保存文件失败" : L"下载中断");
    opener_.EnableDownloadCommands();
    EnableWindow(command2_, TRUE);
    return;
  }
  SetTG(L"下载完成");
  completed_ = true;
  opener_.EnableDownloadCommands();
  if (folder != DownMusicFolder()) {
    // Saved where the user would not look: the window stays open and says where.
    SetTlog(L"已保存到 " + folder);
    EnableWindow(command2_, TRUE);
    return;
  }
  SkinDetach(hwnd());
  inet1_.Cancel();
  opener_.ClearRunTimeDrawing();
  Unload();
}

// The chunk loop: pending events run between pieces; counts are of requested
// pieces, as the byte label shows them.
bool DownloadWindow::ReadChunks(DownloadTarget& target) {
  int chunk = 0;
  lastShown_ = 0;
  auto lastPump = std::chrono::steady_clock::now() - kPumpInterval;
  do {
    if (auto now = std::chrono::steady_clock::now(); now - lastPump >= kPumpInterval) {
      DoEvents();
      lastPump = std::chrono::steady_clock::now();
    }
    if (!IsLoaded() || closing_) return false;
    std::vector<uint8_t> buffer = inet1_.GetChunk(kChunkSize, icByteArray);
    ++chunk;
    if (contentLength_ > 0) {
      bool last = static_cast<long long>(chunk) * kChunkSize >= contentLength_;
      ShowProgress(chunk, last);
      if (buffer.empty()) return false;  // the body ended before its announced size
      target.Write(buffer.data(), buffer.size());
    }
  } while (static_cast<long long>(chunk) * kChunkSize < contentLength_);
  return true;
}

void DownloadWindow::ShowProgress(int chunk, bool force) {
  long long received = static_cast<long long>(chunk) * kChunkSize;
  float percent = static_cast<float>(static_cast<long long>(static_cast<double>(received) / contentLength_ * 100.0));
  int value = static_cast<int>(percent);
  DWORD now = GetTickCount();
  if (!force && now - lastShown_ < kRepaintIntervalMs) return;
  lastShown_ = now;
  SetTG(L"已下载 " + std::to_wstring(received) + L" 字节");
  progress_->SetValue(value);
  progress_->SetText(std::to_wstring(value) + L"%");
}

void DownloadWindow::SetTlog(const std::wstring& text) {
  SetText(tlog_, text);
  AutoSize(tlog_);
}

void DownloadWindow::SetTG(const std::wstring& text) {
  SetText(tg_, text);
  AutoSize(tg_);
}

void DownloadWindow::OnPaint() {
  PaintDc dc(hwnd());
  UniquePen pen(CreatePen(PS_SOLID, 1, RGB(0x00, 0x80, 0x80)));
  SelectGuard selPen(dc.get(), pen.get());
  SelectGuard selBrush(dc.get(), GetStockObject(NULL_BRUSH));
  Rectangle(dc.get(), Px(120), Px(600), Px(120 + 4455), Px(600 + 615));
}

// The labels sized to their text keep that size in the new font.
void DownloadWindow::OnDpiLayout(int) {
  AutoSize(tg_);
  AutoSize(tlog_);
}

LRESULT DownloadWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
  }
  return Form::HandleMessage(msg, wp, lp);
}

// Each step is attempted on its own.
void DownloadWindow::OnUnload() {
  closing_ = true;
  SkinDetach(hwnd());
  inet1_.Cancel();
  // A cancelled or failed download gives the opener its commands back, so the
  // user can start again.
  if (!completed_) opener_.EnableDownloadCommands();
}

}  // namespace sb
