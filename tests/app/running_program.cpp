#include "running_program.h"

#include <commctrl.h>

#include <atomic>

#include "app/main_window.h"
#include "app_test_support.h"
#include "platform/form.h"

namespace sbtest {

namespace {

// A message to a window of another process, given up on if that process hangs.
LRESULT Ask(HWND window, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result)) return 0;
  return static_cast<LRESULT>(result);
}

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  return name;
}

}  // namespace

SongBoxProcess StartSongBox(DWORD flags) {
  std::wstring command = L"\"" + BuildDir() + L"\\win\\bin\\SongBox.exe\"";
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  SongBoxProcess p;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi)) {
    p.process.reset(pi.hProcess);
    p.thread.reset(pi.hThread);
    p.pid = pi.dwProcessId;
  }
  return p;
}

std::wstring ProgramDownMusicFolder() { return BuildDir() + L"\\win\\bin\\DownMusic"; }

std::vector<HWND> FormsOf(DWORD pid, const wchar_t* caption) {
  std::vector<HWND> found;
  for (HWND h = FindWindowW(sb::kFormClassName, caption); h; h = FindWindowExW(nullptr, h, sb::kFormClassName, caption)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (pid == 0 || owner == pid) found.push_back(h);
  }
  return found;
}

std::vector<HWND> MainWindowsOf(DWORD pid) { return FormsOf(pid, sb::kMainWindowCaption); }

HWND ChildWithText(HWND parent, const wchar_t* cls, const std::wstring& text) {
  if (!parent) return nullptr;
  for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    if (CompareStringOrdinal(ClassOf(h).c_str(), -1, cls, -1, TRUE) == CSTR_EQUAL &&
        sb::Form::GetText(h).rfind(text, 0) == 0)
      return h;
  return nullptr;
}

void ClickAtScreen(POINT p) {
  std::vector<INPUT> in = ClickInput(p, Button::Left);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void ClickCentre(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  ClickAtScreen(Centre(r));
}

std::optional<POINT> CloseBoxOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  long x = 0, y = 0, n = 0;
  for (int py = r.top; py < std::min(r.bottom, r.top + 64); py += 2)
    for (int px = std::max(r.left, r.right - 120); px < r.right; px += 2)
      if (Ask(window, WM_NCHITTEST, 0, MAKELPARAM(px, py)) == HTCLOSE) {
        x += px;
        y += py;
        ++n;
      }
  if (n == 0) return std::nullopt;
  return POINT{x / n, y / n};
}

struct HeldDownload::Route {
  Gate gate;
  std::atomic<int> requests{0};
  std::atomic<bool> playerServed{false};
};

// Every song's address leads to the held media; its first request is the
// player's, every later one a download's.
HeldDownload::HeldDownload() : route_(std::make_shared<Route>()) {
  TestHttpServer& server = TestCatalogue::Get().server();
  for (const DemoSong& song : DemoSongs()) server.Serve("/wgns/url/" + Utf8(song.id), "held/" + Utf8(song.id) + ".mp3");
  const std::string tone = ReadFileBytes(MediaDir() + L"\\media\\tone1k.mp3");
  server.Route("/held/*", [route = route_, held = HeldBody(route_->gate, kSize, kHeldAt), tone](
                              const HttpRequest& request, HttpConnection& c) {
    if (route->requests++ > 0) return held(request, c);
    c.Respond(200, tone, "audio/mpeg");
    route->playerServed = true;
  });
}

HeldDownload::~HeldDownload() {
  if (!program_.process || WaitForSingleObject(program_.process.get(), 0) == WAIT_OBJECT_0) return;
  if (main_) PostMessageW(main_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(program_.process.get(), 15000) != WAIT_OBJECT_0) TerminateProcess(program_.process.get(), 1);
}

int HeldDownload::ClientsLeft() const { return route_->gate.ClientsLeft(); }

bool HeldDownload::Step(bool happened, const char* what) {
  if (!happened) failure_ = std::string("did not happen: ") + what;
  return happened;
}

bool HeldDownload::Start() {
  program_ = StartSongBox();
  if (!Step(program_.pid != 0, "SongBox.exe starts")) return false;
  HWND list = nullptr;
  const bool listed = PumpUntil([&] {
    const std::vector<HWND> found = MainWindowsOf(program_.pid);
    main_ = found.empty() ? nullptr : found[0];
    list = main_ ? FindWindowExW(main_, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    const HWND exit = main_ ? MainButton(L"退出软件") : nullptr;
    return list && exit && IsWindowEnabled(exit) &&
           Ask(list, LVM_GETITEMCOUNT) == static_cast<LRESULT>(DemoSongs().size());
  }, 30000);
  if (!Step(listed, "the main window lists the songs")) return false;

  RECT rows{}, header{};
  GetWindowRect(list, &rows);
  GetWindowRect(FindWindowExW(list, nullptr, WC_HEADERW, nullptr), &header);
  ClickAtScreen({rows.left + 40, header.bottom + 4});
  if (!Step(PumpUntil([&] { return ChildWithText(main_, L"Static", L"获取完成") != nullptr; }, 30000),
            "a click on the first song fetches its lyrics and cover"))
    return false;
  ClickCentre(MainButton(L"播放音乐"));
  if (!Step(PumpUntil([&] { return route_->playerServed.load(); }, 30000), "播放音乐 streams the song")) return false;

  ClickCentre(MainButton(L"下载音乐"));
  const std::wstring held = L"已下载 " + std::to_wstring(kHeldAt) + L" 字节";
  const bool downloading = PumpUntil([&] {
    const std::vector<HWND> found = FormsOf(program_.pid, L"歌曲下载");
    down_ = found.empty() ? nullptr : found[0];
    return down_ && ChildWithText(down_, L"Static", held);
  }, 30000);
  return Step(downloading, "下载音乐 downloads the song up to where its body is held");
}

}  // namespace sbtest
