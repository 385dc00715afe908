#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/progressbar/progress_bar.h"
#include "download/download_window.h"
#include "skin/skin_props.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

using sb::DownloadWindow;
using sbtest::HttpConnection;
using sbtest::HttpRequest;

// The opener as the main window plays it: the file name and the player's
// address, and the commands it gets back.
class TestOpener : public sb::DownloadOpener {
 public:
  std::wstring fileName = L"test-song.mp3";
  std::wstring url;
  HWND window = nullptr;
  int enabled = 0;
  int cleared = 0;
  HWND OpenerWindow() const override { return window; }
  std::wstring SongFileName() const override { return fileName; }
  std::wstring PlayerURL() const override { return url; }
  void EnableDownloadCommands() override { ++enabled; }
  void ClearRunTimeDrawing() override { ++cleared; }
};

// Records every text a static control is given (the status line, the byte count).
class TextRecorder {
 public:
  explicit TextRecorder(HWND h) : h_(h) { SetWindowSubclass(h_, Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
  ~TextRecorder() {
    if (IsWindow(h_)) RemoveWindowSubclass(h_, Proc, 1);
  }
  std::vector<std::wstring> texts;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if (m == WM_SETTEXT && lp) reinterpret_cast<TextRecorder*>(self)->texts.emplace_back(reinterpret_cast<wchar_t*>(lp));
    return DefSubclassProc(h, m, wp, lp);
  }
  HWND h_;
};

using sbtest::BytesAt;
using sbtest::HeldBody;
using sbtest::TempBodyFiles;

std::string Bytes(size_t n, unsigned seed = 7) { return BytesAt(0, n, seed); }

size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  return pmc.PrivateUsage;
}

// The counts of "已下载 N 字节" among a label's texts, in order.
std::vector<long long> ByteCounts(const std::vector<std::wstring>& texts) {
  std::vector<long long> out;
  for (const auto& t : texts)
    if (t.rfind(L"已下载 ", 0) == 0) out.push_back(std::stoll(t.substr(4)));
  return out;
}

class DownloadWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(DownloadWindow::DownMusicFolder().c_str(), nullptr);
    RemoveDownloads();
  }
  void TearDown() override {
    if (window && window->IsLoaded()) window->CancelAndClose();
    window.reset();
    sbtest::PumpFor(20);
    RemoveDownloads();
  }
  static void RemoveDownloads() { sbtest::EmptyFolder(DownloadWindow::DownMusicFolder()); }
  static std::vector<std::wstring> FilesInDownMusic() {
    return sbtest::FileNames(DownloadWindow::DownMusicFolder() + L"\\*");
  }
  void Open(const std::wstring& url) {
    opener.url = url;
    window = std::make_shared<DownloadWindow>(opener);
    ASSERT_TRUE(window->Load());
  }
  bool WaitClosed(int ms = 15000) {
    return sbtest::PumpUntil([&] { return !window->IsLoaded(); }, ms);
  }
  std::wstring Tlog() const { return sb::Form::GetText(window->Tlog()); }

  std::wstring TG() const { return sb::Form::GetText(window->TG()); }

  sbtest::Gate gate;  // before the server: its handlers wait on it
  sbtest::TestHttpServer server;
  TestOpener opener;
  std::shared_ptr<DownloadWindow> window;
};

// Runs from a copy of this program in a folder that download_unwritable_folder_test
// has made unwritable.
TEST_F(DownloadWindowTest, UnwritableProgramFolderSavesIntoTheMusicFolderAndSaysWhere) {
  if (sbtest::EnvW(L"SONGBOX_UNWRITABLE_RUN").empty()) GTEST_SKIP() << "run by download_unwritable_folder_test";
  ASSERT_EQ(GetFileAttributesW(DownloadWindow::DownMusicFolder().c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_FALSE(sbtest::WriteFileBytes(sb::AppFolder() + L"\\probe", "x")) << "the program folder must be unwritable";
  const std::wstring music = DownloadWindow::MusicDownMusicFolder();
  sbtest::ScopedFile target(music + L"\\test-song.mp3", nullptr);
  server.Serve("/song.mp3", Bytes(3000), "audio/mpeg");
  Open(server.Root() + L"song.mp3");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return sb::Form::GetText(window->TG()) == L"下载完成"; }));
  EXPECT_EQ(sbtest::ReadFileBytes(music + L"\\test-song.mp3"), Bytes(3000));
  EXPECT_EQ(Tlog(), L"已保存到 " + music);
  EXPECT_TRUE(window->IsLoaded()) << "the window stays open to say where the song went";
  EXPECT_EQ(opener.enabled, 1);
}

TEST_F(DownloadWindowTest, CompletedDownloadSavesTheServedBytesAndHandsBack) {
  std::string song = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tune0.mp3");
  ASSERT_GT(song.size(), 100000u);
  server.Serve("/media/tune0.mp3", song, "audio/mpeg");
  opener.fileName = L"月光 小河.mp3";
  Open(server.Root() + L"media/tune0.mp3");
  TextRecorder tlog(window->Tlog());
  TextRecorder tg(window->TG());
  EXPECT_EQ(Tlog(), L"请等待...");
  ASSERT_TRUE(WaitClosed());

  std::wstring target = DownloadWindow::DownMusicFolder() + L"\\月光 小河.mp3";
  EXPECT_EQ(sbtest::ReadFileBytes(target), song);
  EXPECT_EQ(FilesInDownMusic().size(), 1u) << "no temporary file is left";
  EXPECT_EQ(opener.enabled, 1);
  EXPECT_EQ(opener.cleared, 1);
  ASSERT_FALSE(tg.texts.empty());
  EXPECT_EQ(tg.texts.back(), L"下载完成");
  size_t chunks = (song.size() + 511) / 512;
  EXPECT_EQ(tg.texts[tg.texts.size() - 2], L"已下载 " + std::to_wstring(chunks * 512) + L" 字节");
  EXPECT_EQ(window->ProgressBar1().Value(), 100);
  EXPECT_EQ(window->ProgressBar1().Text(), L"100%");
  // The status line followed the transfer in the order of its states.
  std::vector<std::wstring> expectedOrder = {L"正在联系主机", L"成功发送请求", L"正在接收回应..."};
  size_t at = 0;
  for (const auto& t : tlog.texts)
    if (at < expectedOrder.size() && t == expectedOrder[at]) ++at;
  EXPECT_EQ(at, expectedOrder.size());
  EXPECT_EQ(server.CountRequests("/media/tune0.mp3"), 1);
}

TEST_F(DownloadWindowTest, ByteCountOvershootsAndTheBarClampsOnOddSizes) {
  server.Serve("/a.bin", Bytes(1000));
  server.Serve("/b.bin", Bytes(512));
  Open(server.Root() + L"a.bin");
  TextRecorder tg(window->TG());
  ASSERT_TRUE(WaitClosed());
  ASSERT_GE(tg.texts.size(), 2u);
  EXPECT_EQ(tg.texts[tg.texts.size() - 2], L"已下载 1024 字节");
  EXPECT_EQ(window->ProgressBar1().Text(), L"102%");
  EXPECT_EQ(window->ProgressBar1().Value(), 100);
  EXPECT_EQ(sbtest::ReadFileBytes(DownloadWindow::DownMusicFolder() + L"\\test-song.mp3"), Bytes(1000));

  opener.fileName = L"b.mp3";
  Open(server.Root() + L"b.bin");
  TextRecorder tg2(window->TG());
  ASSERT_TRUE(WaitClosed());
  ASSERT_GE(tg2.texts.size(), 2u);
  EXPECT_EQ(tg2.texts[tg2.texts.size() - 2], L"已下载 512 字节");
  EXPECT_EQ(window->ProgressBar1().Text(), L"100%");
  EXPECT_EQ(sbtest::ReadFileBytes(DownloadWindow::DownMusicFolder() + L"\\b.mp3"), Bytes(512));
}

// What the window is like the moment it is first shown.
struct FirstShown {
  bool shown = false, skinned = false;
  std::wstring texts;  // of its controls
};
FirstShown g_firstShown;

LRESULT CALLBACK WatchShow(int code, WPARAM wp, LPARAM lp) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION && m->message == WM_SHOWWINDOW && m->wParam && !g_firstShown.shown &&
      sb::Form::GetText(m->hwnd) == L"歌曲下载") {
    g_firstShown.shown = true;
    g_firstShown.skinned = sb::IsSkinned(m->hwnd);
    for (HWND c = GetWindow(m->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      g_firstShown.texts += sb::Form::GetText(c) + L"|";
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(DownloadWindowTest, OpensSkinnedAndFilledInCentredOverItsOpener) {
  sb::Form main;
  ASSERT_TRUE(main.CreateForm({L"opener", 9000, 6000}));
  SetWindowPos(main.hwnd(), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(main.hwnd(), SW_SHOWNOACTIVATE);
  opener.window = main.hwnd();
  g_firstShown = {};
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchShow, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  server.Serve("/s", Bytes(600));
  Open(server.Root() + L"s");
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(g_firstShown.shown);
  EXPECT_TRUE(g_firstShown.skinned);
  EXPECT_NE(g_firstShown.texts.find(L"|test-song.mp3|"), std::wstring::npos) << g_firstShown.texts;
  EXPECT_NE(g_firstShown.texts.find(L"|" + server.Root() + L"s|"), std::wstring::npos);
  RECT outer{}, inner{};
  GetWindowRect(main.hwnd(), &outer);
  GetWindowRect(window->hwnd(), &inner);
  EXPECT_LE(std::abs((inner.left + inner.right) - (outer.left + outer.right)), 1);
  EXPECT_LE(std::abs((inner.top + inner.bottom) - (outer.top + outer.bottom)), 1);
}

TEST_F(DownloadWindowTest, EveryTransferStateShowsItsStatusText) {
  Open(L"");  // no request of its own: the states come from here
  const struct {
    short code;
    const wchar_t* text;
  } states[] = {{1, L"正在查找主机..."}, {2, L"已经找到主机"},     {3, L"正在联系主机"},
                {4, L"已经连接到主机"},  {5, L"正在发送请求..."}, {6, L"成功发送请求"},
                {7, L"正在接收回应..."}, {9, L"正在断开连接..."}, {10, L"已经断开连接"}};
  for (const auto& k : states) {
    window->Inet1().StateChanged(k.code);
    EXPECT_EQ(Tlog(), k.text) << k.code;
  }
}

TEST_F(DownloadWindowTest, NoOrZeroSizeIsRequestedAgainInsteadOfRead) {
  server.Route("/nolen", [](const HttpRequest&, HttpConnection& c) { c.Respond(200, "abc", "audio/mpeg", false); });
  server.Route("/zero", [](const HttpRequest&, HttpConnection& c) { c.Respond(200, "", "audio/mpeg", true); });
  // A request that fails in the loop shows the modal error box; answered, it
  // is one more retry instead of a test that waits forever.
  sbtest::MessageBoxAnswerer boxes;
  for (const char* path : {"/nolen", "/zero"}) {
    Open(server.Root() + std::wstring(path, path + strlen(path)).substr(1));
    TextRecorder tlog(window->Tlog());
    EXPECT_TRUE(sbtest::PumpUntil([&] { return server.CountRequests(path) >= 3; }, 10000)) << path;
    // The size check clears the status, then the request goes again.
    auto wait = std::find(tlog.texts.begin(), tlog.texts.end(), L"请等待...");
    ASSERT_NE(wait, tlog.texts.end()) << path;
    ASSERT_NE(wait, tlog.texts.begin()) << path;
    EXPECT_EQ(*(wait - 1), L"") << path;
    EXPECT_TRUE(window->IsLoaded());
    EXPECT_TRUE(FilesInDownMusic().empty());
    window->CancelAndClose();
    sbtest::PumpFor(50);
  }
  EXPECT_EQ(opener.cleared, 0);
}

TEST_F(DownloadWindowTest, ASignedOrPaddedSizeIsReadOnce) {
  for (std::string size : {"+700", " 700 "}) {
    server.Route("/sized", [size](const HttpRequest&, HttpConnection& c) {
      c.Send("HTTP/1.1 200 OK\r\nContent-Length:" + size + "\r\nConnection: close\r\n\r\n" + Bytes(700));
      c.Close();
    });
    const int before = server.CountRequests("/sized");
    Open(server.Root() + L"sized");
    ASSERT_TRUE(WaitClosed()) << size;
    EXPECT_EQ(server.CountRequests("/sized"), before + 1) << size;
    EXPECT_EQ(sbtest::ReadFileBytes(DownloadWindow::DownMusicFolder() + L"\\test-song.mp3"), Bytes(700)) << size;
  }
}

TEST_F(DownloadWindowTest, AddressIsTrimmedAndTheTargetIsTheGmzNameInDownMusic) {
  server.Serve("/media/x.mp3", Bytes(3000));
  opener.fileName = L"歌 名.mp3";
  Open(L"   " + server.Root() + L"media/x.mp3  ");
  EXPECT_EQ(sb::Form::GetText(window->StrURL()), L"   " + server.Root() + L"media/x.mp3  ");
  EXPECT_EQ(window->TargetPath(), sb::AppFolder() + L"\\DownMusic\\歌 名.mp3");
  ASSERT_TRUE(WaitClosed());
  EXPECT_EQ(server.CountRequests("/media/x.mp3"), 1);
  EXPECT_EQ(sbtest::ReadFileBytes(sb::AppFolder() + L"\\DownMusic\\歌 名.mp3"), Bytes(3000));
}

TEST_F(DownloadWindowTest, EmptyAddressWaitsWithoutARequest) {
  Open(L"");
  TextRecorder tlog(window->Tlog());
  sbtest::PumpFor(500);
  EXPECT_TRUE(window->IsLoaded());
  EXPECT_EQ(Tlog(), L"请等待...");
  EXPECT_TRUE(tlog.texts.empty()) << "nothing further happens";
  EXPECT_TRUE(server.RequestedPaths().empty());
}

TEST_F(DownloadWindowTest, HostileFileNamesStayInsideDownMusic) {
  server.Serve("/s", Bytes(600));
  for (const wchar_t* name : {L"..\\..\\escape.mp3", L"../up.mp3", L"C:\\root.mp3", L"CON.mp3", L"", L"a?b*c.mp3"}) {
    opener.fileName = name;
    Open(server.Root() + L"s");
    std::wstring target = window->TargetPath();
    EXPECT_EQ(target.rfind(DownloadWindow::DownMusicFolder() + L"\\", 0), 0u) << target;
    EXPECT_EQ(target.find(L'\\', DownloadWindow::DownMusicFolder().size() + 1), std::wstring::npos) << target;
    ASSERT_TRUE(WaitClosed()) << target;
    EXPECT_EQ(sbtest::ReadFileBytes(target), Bytes(600)) << target;
  }
  EXPECT_EQ(sbtest::ReadFileBytes(sb::AppFolder() + L"\\escape.mp3"), "");
  EXPECT_EQ(sbtest::ReadFileBytes(sb::AppFolder() + L"\\..\\escape.mp3"), "");
}

TEST_F(DownloadWindowTest, TruncatedBodyShowsTheErrorBoxRetriesAndKeepsTheOldFile) {
  std::wstring target = DownloadWindow::DownMusicFolder() + L"\\test-song.mp3";
  ASSERT_TRUE(sbtest::WriteFileBytes(target, "OLD SONG"));
  server.Route("/cut", [](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n");
    c.Send(Bytes(30000));
    c.Close();
  });
  sbtest::MessageBoxAnswerer boxes;
  Open(server.Root() + L"cut");
  EXPECT_TRUE(sbtest::PumpUntil([&] { return boxes.count() >= 2 && server.CountRequests("/cut") >= 3; }, 20000));
  auto seen = boxes.seen();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].title, L"音乐下载");
  EXPECT_EQ(seen[0].text, L"与主机通信出错");
  EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_EXCLAMATION)) << "the exclamation icon";
  EXPECT_EQ(seen[0].buttons, std::vector<int>{IDOK}) << "an OK button only";
  window->CancelAndClose();
  sbtest::PumpFor(100);
  EXPECT_EQ(sbtest::ReadFileBytes(target), "OLD SONG");
  EXPECT_EQ(FilesInDownMusic().size(), 1u);
  EXPECT_EQ(opener.cleared, 0);
  EXPECT_EQ(opener.enabled, 1) << "cancelling gives the commands back";
}

TEST_F(DownloadWindowTest, ClosingWhileTheBodyIsReadLeavesNoFile) {
  server.Serve("/big", Bytes(24 * 1024 * 1024));
  std::wstring target = DownloadWindow::DownMusicFolder() + L"\\test-song.mp3";
  ASSERT_TRUE(sbtest::WriteFileBytes(target, "KEEP"));
  Open(server.Root() + L"big");
  TextRecorder tg(window->TG());
  // Close from inside the read loop (its event pump runs this timer), as
  // soon as a byte count shows once the whole body has arrived.
  static struct {
    TextRecorder* tg;
    sb::Inet* inet;
    HWND window, cancel;
    bool closed, cancelWasEnabled;
  } ctx;
  ctx = {&tg, &window->Inet1(), window->hwnd(), window->Command2(), false, true};
  UINT_PTR timer = SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
    if (ctx.closed || ctx.tg->texts.empty() || ctx.inet->StillExecuting()) return;
    ctx.closed = true;
    ctx.cancelWasEnabled = IsWindowEnabled(ctx.cancel) != FALSE;
    SendMessageW(ctx.window, WM_CLOSE, 0, 0);
  });
  ASSERT_TRUE(WaitClosed());
  KillTimer(nullptr, timer);
  EXPECT_TRUE(ctx.closed);
  EXPECT_FALSE(ctx.cancelWasEnabled) << "cancel is unavailable while the body is read";
  ASSERT_FALSE(tg.texts.empty());
  EXPECT_NE(tg.texts.back(), L"下载完成");
  sbtest::PumpFor(100);
  EXPECT_TRUE(sbtest::ReadFileBytes(target) == "KEEP") << "the old file is kept";
  EXPECT_EQ(FilesInDownMusic().size(), 1u) << "the temporary file is removed";
  EXPECT_EQ(opener.cleared, 0);
  EXPECT_EQ(opener.enabled, 1);
}

TEST_F(DownloadWindowTest, ATargetThatCannotBeWrittenIsAFailureNotACompletion) {
  std::wstring target = DownloadWindow::DownMusicFolder() + L"\\blocked.mp3";
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));  // a folder where the file should go
  server.Serve("/s", Bytes(2000));
  opener.fileName = L"blocked.mp3";
  Open(server.Root() + L"s");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return Tlog() == L"保存文件失败"; }, 10000));
  EXPECT_TRUE(window->IsLoaded()) << "the window stays open so the user sees why";
  EXPECT_TRUE(IsWindowEnabled(window->Command2()));
  EXPECT_NE(sb::Form::GetText(window->TG()), L"下载完成");
  EXPECT_EQ(opener.enabled, 1);
  EXPECT_EQ(opener.cleared, 0);
  EXPECT_EQ(FilesInDownMusic().size(), 1u);
}

TEST_F(DownloadWindowTest, CancelButtonClosesAndGivesTheCommandsBack) {
  server.Route("/slow", [](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n");
    Sleep(3000);
    c.Send(Bytes(5000));
  });
  Open(server.Root() + L"slow");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return server.CountRequests("/slow") == 1; }, 5000));
  SendMessageW(window->Command2(), BM_CLICK, 0, 0);
  EXPECT_FALSE(window->IsLoaded());
  EXPECT_EQ(opener.enabled, 1);
  sbtest::PumpFor(200);
  EXPECT_TRUE(FilesInDownMusic().empty());
}

TEST_F(DownloadWindowTest, DownMusicIsCreatedWhenMissing) {
  RemoveDownloads();
  ASSERT_TRUE(RemoveDirectoryW(DownloadWindow::DownMusicFolder().c_str()));
  server.Serve("/s", Bytes(700));
  Open(server.Root() + L"s");
  ASSERT_TRUE(WaitClosed());
  EXPECT_EQ(sbtest::ReadFileBytes(DownloadWindow::DownMusicFolder() + L"\\test-song.mp3"), Bytes(700));
}

TEST_F(DownloadWindowTest, ProgressFollowsTheBytesAsTheyArrive) {
  server.Route("/held", HeldBody(gate, 100000, 30000));
  Open(server.Root() + L"held");
  TextRecorder tg(window->TG());
  ASSERT_TRUE(sbtest::PumpUntil([&] { return TG() == L"已下载 30000 字节"; })) << TG();
  EXPECT_EQ(window->ProgressBar1().Value(), 30);
  EXPECT_EQ(window->ProgressBar1().Text(), L"30%");
  EXPECT_TRUE(IsWindowEnabled(window->Command2())) << "the body is still arriving, not being read";
  gate.Open();
  ASSERT_TRUE(WaitClosed());
  const std::vector<long long> counts = ByteCounts(tg.texts);
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << "the bar never runs back";
  ASSERT_FALSE(counts.empty());
  EXPECT_EQ(counts.back(), 196 * 512);
  EXPECT_EQ(sbtest::ReadFileBytes(DownloadWindow::DownMusicFolder() + L"\\test-song.mp3"), Bytes(100000));
}

TEST_F(DownloadWindowTest, ALargeBodyIsBufferedOnDiskNotInMemory) {
  constexpr size_t kTotal = 64u << 20, kHeld = 56u << 20;
  server.Route("/large", HeldBody(gate, kTotal, kHeld));
  const size_t before = PrivateBytes();
  size_t most = before;
  auto sampled = [&](const std::function<bool()>& done) {
    return sbtest::PumpUntil([&] {
      most = std::max(most, PrivateBytes());
      return done();
    }, 120000);
  };
  const size_t tempFiles = TempBodyFiles().size();
  Open(server.Root() + L"large");
  ASSERT_TRUE(sampled([&] { return TG() == L"已下载 " + std::to_wstring(kHeld) + L" 字节"; })) << TG();
  EXPECT_EQ(TempBodyFiles().size(), tempFiles + 1) << "the body waits in a temporary file";
  gate.Open();
  ASSERT_TRUE(sampled([&] { return !window->IsLoaded(); }));
  EXPECT_LT(most - before, 32u << 20) << "private bytes grew by " << (most - before);
  EXPECT_EQ(TempBodyFiles().size(), tempFiles);
  const std::string saved = sbtest::ReadFileBytes(DownloadWindow::DownMusicFolder() + L"\\test-song.mp3");
  ASSERT_EQ(saved.size(), kTotal);
  EXPECT_TRUE(saved.substr(kTotal - 4096) == BytesAt(kTotal - 4096, 4096));
}

// Sizes that cannot be right end the download once, with their status text,
// and leave nothing behind; none of them is asked for again.
TEST_F(DownloadWindowTest, ABadOrOverrunSizeEndsTheDownloadOnce) {
  server.Route("/huge", [](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 4000000000\r\nConnection: close\r\n\r\n");
    const std::string piece = Bytes(64 * 1024);
    while (c.Send(piece)) {
    }
  });
  server.Route("/negative", [](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: -5\r\nConnection: close\r\n\r\n" + Bytes(5000));
  });
  server.Route("/over", [](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
           "1388\r\n" + Bytes(5000) + "\r\n0\r\n\r\n");
  });
  const struct {
    const char* path;
    const wchar_t* status;
  } cases[] = {{"/huge", L"文件大小无效"}, {"/negative", L"文件大小无效"}, {"/over", L"文件大小不符"}};
  sbtest::MessageBoxAnswerer boxes;
  const size_t tempFiles = TempBodyFiles().size();
  for (const auto& k : cases) {
    opener.enabled = 0;
    Open(server.Root() + std::wstring(k.path + 1, k.path + strlen(k.path)));
    ASSERT_TRUE(sbtest::PumpUntil([&] { return Tlog() == k.status; })) << k.path << " " << Tlog();
    EXPECT_FALSE(window->Inet1().StillExecuting()) << k.path << ": no request runs again";
    EXPECT_EQ(server.CountRequests(k.path), 1) << k.path;
    EXPECT_EQ(Tlog(), k.status) << k.path;
    EXPECT_TRUE(window->IsLoaded()) << k.path;
    EXPECT_EQ(opener.enabled, 1) << k.path;
    EXPECT_TRUE(FilesInDownMusic().empty()) << k.path;
    EXPECT_EQ(TempBodyFiles().size(), tempFiles) << k.path;
    window->CancelAndClose();
  }
  EXPECT_EQ(boxes.count(), 0);
}

TEST_F(DownloadWindowTest, ClosingWhileTheBodyArrivesEndsAtOnceAndLeavesNoTemporaryFile) {
  server.Route("/held", HeldBody(gate, 4u << 20, 1u << 20));
  const size_t tempFiles = TempBodyFiles().size();
  Open(server.Root() + L"held");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return TG() == L"已下载 1048576 字节"; })) << TG();
  ASSERT_EQ(TempBodyFiles().size(), tempFiles + 1);
  SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window->IsLoaded());
  EXPECT_EQ(TempBodyFiles().size(), tempFiles) << "the buffer goes with the transfer";
  EXPECT_TRUE(FilesInDownMusic().empty());
}

// Run by download_full_disk_test, where no file may grow past 64 KB.
TEST_F(DownloadWindowTest, AFullDiskEndsTheDownloadWithSaveFailed) {
  if (sbtest::EnvW(L"SONGBOX_TEST_FILE_ROOM").empty()) GTEST_SKIP() << "run by download_full_disk_test";
  server.Serve("/s", Bytes(300000));
  sbtest::MessageBoxAnswerer boxes;
  const size_t tempFiles = TempBodyFiles().size();
  Open(server.Root() + L"s");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return Tlog() == L"保存文件失败"; })) << Tlog();
  EXPECT_FALSE(window->Inet1().StillExecuting()) << "no request runs again";
  EXPECT_EQ(server.CountRequests("/s"), 1);
  EXPECT_EQ(boxes.count(), 0);
  EXPECT_TRUE(window->IsLoaded());
  EXPECT_EQ(opener.enabled, 1);
  EXPECT_TRUE(FilesInDownMusic().empty());
  EXPECT_EQ(TempBodyFiles().size(), tempFiles);
}

}  // namespace
