#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>

#include <windows.h>
#include <tlhelp32.h>

#include "platform/inet.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

using sbtest::HttpConnection;
using sbtest::HttpRequest;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

std::string Head(size_t contentLength) {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
         std::to_string(contentLength) + "\r\nConnection: close\r\n\r\n";
}

// Holds a handler until the test lets it go (or the time is up), so a
// stalled transfer can be cancelled without the server's shutdown waiting long.
void StallUntil(const std::atomic<bool>& release, int maxMs) {
  for (int waited = 0; waited < maxMs && !release; waited += 20) Sleep(20);
}

// A port with nothing listening: bind a socket, read its port, close it.
int ClosedPort() {
  sbtest::TestHttpServer probe;
  return probe.port();
}

struct Recorder {
  std::vector<short> states;
  void Attach(sb::Inet& inet) {
    inet.StateChanged = [this](short s) { states.push_back(s); };
  }
  bool Ended() const {
    return std::any_of(states.begin(), states.end(), [](short s) { return s == sb::icError || s == sb::icResponseCompleted; });
  }
  int Count(short s) const { return static_cast<int>(std::count(states.begin(), states.end(), s)); }
  bool WaitEnd(int ms = 15000) { return sbtest::PumpUntil([this] { return Ended(); }, ms); }
};

std::string ReadAll(sb::Inet& inet, int size, std::vector<size_t>* sizes = nullptr) {
  std::string all;
  for (;;) {
    std::vector<uint8_t> piece = inet.GetChunk(size, sb::icByteArray);
    if (sizes) sizes->push_back(piece.size());
    if (piece.empty()) return all;
    all.append(piece.begin(), piece.end());
  }
}

class InetTest : public ::testing::Test {
 protected:
  std::wstring At(const std::string& path) const {
    return server.Root() + std::wstring(path.begin(), path.end());
  }
  void TearDown() override { release = true; }
  // Runs one Execute to its end and gives the states it reported.
  static std::vector<short> Fetch(sb::Inet& inet, const std::wstring& url, int ms = 15000) {
    Recorder rec;
    rec.Attach(inet);
    EXPECT_TRUE(inet.Execute(url, L"GET"));
    EXPECT_TRUE(rec.WaitEnd(ms));
    inet.StateChanged = nullptr;
    return rec.states.empty() ? std::vector<short>{sb::icNone} : rec.states;
  }

  sbtest::TestHttpServer server;
  std::atomic<bool> release{false};
};

// ---- OpenURL --------------------------------------------------------------

TEST_F(InetTest, OpenUrlDecodesGbkByDefaultAndHonoursANamedCharset) {
  const std::wstring text = L"新歌音乐盒|周杰伦|稻香";
  server.Serve("/gbk", sbtest::Gbk(text), "text/html");
  server.Serve("/utf8", "\xE6\x96\xB0\xE6\xAD\x8C|abc", "text/plain; charset=utf-8");
  server.Serve("/gb2312", sbtest::Gbk(text), "text/html; charset=GB2312");
  sb::Inet inet;
  EXPECT_EQ(inet.OpenURL(At("gbk")), text);
  EXPECT_EQ(inet.OpenURL(At("utf8")), L"新歌|abc");
  EXPECT_EQ(inet.OpenURL(At("gb2312")), text);
}

TEST_F(InetTest, OpenUrlReturnsAnErrorPageAsText) {
  sb::Inet inet;
  auto page = inet.OpenURL(At("missing"));
  ASSERT_TRUE(page);
  EXPECT_EQ(*page, L"<html><body>404 Not Found</body></html>");
}

TEST_F(InetTest, OpenUrlIgnoresBlanksAroundTheAddressAndRefusesBadOnes) {
  server.Serve("/t", "ok");
  sb::Inet inet;
  EXPECT_EQ(inet.OpenURL(L" \t " + At("t") + L" \r\n"), L"ok");
  EXPECT_FALSE(inet.OpenURL(L""));
  EXPECT_FALSE(inet.OpenURL(L"   "));
  EXPECT_FALSE(inet.OpenURL(L"not an address"));
  EXPECT_EQ(server.CountRequests("/t"), 1);
}

TEST_F(InetTest, OpenUrlFailsOnNetworkErrorsAndShortBodies) {
  server.Route("/short", [](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(1000));
    c.Send(std::string(600, 'x'));
  });
  server.Route("/drop", [](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(1000));
    c.Send(std::string(600, 'x'));
    Sleep(50);
    c.Close();
  });
  sb::Inet inet;
  EXPECT_FALSE(inet.OpenURL(L"http://127.0.0.1:" + std::to_wstring(ClosedPort()) + L"/"));
  EXPECT_FALSE(inet.OpenURL(At("short")));
  EXPECT_FALSE(inet.OpenURL(At("drop")));
  server.Serve("/after", "fine");
  EXPECT_EQ(inet.OpenURL(At("after")), L"fine");
}

TEST_F(InetTest, OpenUrlWaitsForASlowServerWithinTheTimeOut) {
  server.Route("/slow", [](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(40));
    for (int i = 0; i < 4; ++i) {
      Sleep(200);
      c.Send("0123456789");
    }
  });
  sb::Inet inet;
  inet.SetRequestTimeout(5);
  EXPECT_EQ(inet.OpenURL(At("slow")), L"0123456789012345678901234567890123456789");
}

TEST_F(InetTest, OpenUrlGivesUpAtTheRequestTimeOut) {
  server.Route("/stall", [this](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(100));
    c.Send("partial");
    StallUntil(release, 8000);
  });
  sb::Inet inet;
  EXPECT_EQ(inet.RequestTimeout(), 60);
  inet.SetRequestTimeout(1);
  auto start = Clock::now();
  EXPECT_FALSE(inet.OpenURL(At("stall")));
  long long took = MsSince(start);
  EXPECT_GE(took, 900);
  EXPECT_LT(took, 4000);
  EXPECT_FALSE(inet.StillExecuting());
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* counts = reinterpret_cast<int*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_USER + 5:
      ++counts[0];
      return 0;
    case WM_TIMER:
      ++counts[1];
      KillTimer(hwnd, wp);
      return 0;
    case WM_PAINT: {
      ++counts[2];
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST_F(InetTest, OpenUrlRunsOnlyPaintMessagesWhileItWaits) {
  server.Route("/slow", [](const HttpRequest&, HttpConnection& c) {
    Sleep(600);
    c.Respond(200, "done");
  });
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"InetTestCounting";
  RegisterClassW(&wc);
  int counts[3] = {0, 0, 0};  // posted, timer, paint
  HWND w = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(counts));
  sbtest::PumpFor(100);
  counts[2] = 0;

  sb::Inet inet;
  PostMessageW(w, WM_USER + 5, 0, 0);
  SetTimer(w, 1, 10, nullptr);
  InvalidateRect(w, nullptr, TRUE);
  std::optional<std::wstring> body = inet.OpenURL(At("slow"));
  EXPECT_EQ(body, L"done");
  EXPECT_EQ(counts[0], 0) << "a posted message ran inside OpenURL";
  EXPECT_EQ(counts[1], 0) << "a timer ran inside OpenURL";
  EXPECT_GE(counts[2], 1) << "the window was not painted while OpenURL waited";
  sbtest::PumpUntil([&] { return counts[0] == 1 && counts[1] == 1; }, 2000);
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(counts[1], 1);
  DestroyWindow(w);
}

// ---- Execute ------------------------------------------------------------

TEST_F(InetTest, GoodRequestReportsStatesInOrderAndHandsOutTheBodyInPieces) {
  const std::string body = Pattern(1000);
  server.Serve("/song.mp3", body, "audio/mpeg");
  sb::Inet inet;
  Recorder rec;
  rec.Attach(inet);
  inet.SetProtocol(sb::icHTTP);
  EXPECT_EQ(inet.Protocol(), sb::icHTTP);
  ASSERT_TRUE(inet.Execute(At("song.mp3"), L"GET"));
  EXPECT_TRUE(inet.StillExecuting());
  EXPECT_TRUE(rec.states.empty()) << "notifications must come through the message queue";
  ASSERT_TRUE(rec.WaitEnd());
  sbtest::PumpFor(100);

  const std::vector<short>& s = rec.states;
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.front(), sb::icHostResolvingHost);
  EXPECT_EQ(s.back(), sb::icResponseCompleted);
  EXPECT_EQ(rec.Count(sb::icResponseCompleted), 1);
  EXPECT_EQ(rec.Count(sb::icError), 0);
  for (short want = 1; want <= 10; ++want) EXPECT_GE(rec.Count(want), 1) << "state " << want;
  // 1..6 strictly in order, 9 and 10 after the response, 12 last.
  auto first = [&](short v) { return std::find(s.begin(), s.end(), v) - s.begin(); };
  for (short v = 1; v < 6; ++v) EXPECT_LT(first(v), first(static_cast<short>(v + 1)));
  EXPECT_LT(first(sb::icRequestSent), first(sb::icResponseReceived));
  EXPECT_LT(first(sb::icResponseReceived), first(sb::icDisconnecting));
  EXPECT_LT(first(sb::icDisconnecting), first(sb::icDisconnected));
  EXPECT_FALSE(inet.StillExecuting());

  EXPECT_EQ(inet.GetHeader(L"Content-Length"), L"1000");
  EXPECT_EQ(inet.GetHeader(L"content-type"), L"audio/mpeg");
  EXPECT_EQ(inet.GetHeader(L"X-Not-There"), L"");
  std::vector<size_t> sizes;
  EXPECT_EQ(ReadAll(inet, 512, &sizes), body);
  EXPECT_EQ(sizes, (std::vector<size_t>{512, 488, 0}));
  EXPECT_TRUE(inet.GetChunk(512).empty());
  EXPECT_TRUE(inet.GetChunk(0).empty());
}

TEST_F(InetTest, HeadersAreReadableWhenResponseReceivedIsReported) {
  server.Route("/wait", [this](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(10));
    c.Send("12345");
    StallUntil(release, 1000);
    c.Send("67890");
  });
  sb::Inet inet;
  std::wstring lengthAt8;
  bool ended = false;
  inet.StateChanged = [&](short s) {
    if (s == sb::icResponseReceived && lengthAt8.empty()) {
      lengthAt8 = inet.GetHeader(L"Content-Length");
      release = true;  // the rest of the body only comes now
    }
    ended = s == sb::icResponseCompleted || s == sb::icError;
    if (ended) {
      EXPECT_EQ(s, sb::icResponseCompleted);
    }
  };
  ASSERT_TRUE(inet.Execute(At("wait"), L"GET"));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return ended; }));
  EXPECT_EQ(lengthAt8, L"10");
  EXPECT_EQ(ReadAll(inet, 512), "1234567890");
}

TEST_F(InetTest, FailuresEndWithErrorAndNeverWithCompleted) {
  server.Route("/truncated", [](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(1000));
    c.Send(std::string(600, 'x'));
  });
  server.Route("/dropped", [](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(1000));
    c.Send(std::string(600, 'x'));
    Sleep(50);
    c.Close();
  });
  server.Route("/dropped-early", [](const HttpRequest&, HttpConnection& c) { c.Close(); });
  const std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(ClosedPort()) + L"/x.mp3";
  for (const std::wstring& url : {At("missing.mp3"), At("truncated"), At("dropped"), At("dropped-early"), refused}) {
    sb::Inet inet;
    Recorder rec;
    rec.Attach(inet);
    ASSERT_TRUE(inet.Execute(url, L"GET"));
    ASSERT_TRUE(rec.WaitEnd());
    sbtest::PumpFor(50);
    EXPECT_EQ(rec.states.back(), sb::icError) << std::string(url.begin(), url.end());
    EXPECT_EQ(rec.Count(sb::icError), 1);
    EXPECT_EQ(rec.Count(sb::icResponseCompleted), 0);
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_TRUE(inet.GetChunk(512).empty());
  }
}

TEST_F(InetTest, BodyWithoutContentLengthCompletesWithAnEmptyHeader) {
  const std::string body = Pattern(3000);
  server.Route("/nolength", [&](const HttpRequest&, HttpConnection& c) {
    c.Respond(200, body, "audio/mpeg", false);
  });
  sb::Inet inet;
  EXPECT_EQ(Fetch(inet, At("nolength")).back(), sb::icResponseCompleted);
  EXPECT_EQ(inet.GetHeader(L"Content-Length"), L"");
  EXPECT_EQ(ReadAll(inet, 512), body);
}

TEST_F(InetTest, ChunkedBodyCompletesWithoutAContentLength) {
  server.Route("/whole", [](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
           "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
  });
  sb::Inet inet;
  EXPECT_EQ(Fetch(inet, At("whole")).back(), sb::icResponseCompleted);
  EXPECT_EQ(inet.GetHeader(L"Content-Length"), L"");
  EXPECT_EQ(ReadAll(inet, 512), "hello world");
}

TEST_F(InetTest, RedirectsAreFollowed) {
  server.Route("/old", [](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  });
  server.Serve("/new", "moved here");
  sb::Inet inet;
  EXPECT_EQ(Fetch(inet, At("old")).back(), sb::icResponseCompleted);
  EXPECT_EQ(ReadAll(inet, 512), "moved here");
  EXPECT_EQ(inet.OpenURL(At("old")), L"moved here");
}

TEST_F(InetTest, SlowServerStillCompletes) {
  const std::string body = Pattern(4000);
  server.Route("/slow", [&](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(body.size()));
    for (size_t off = 0; off < body.size(); off += 1000) {
      Sleep(250);
      c.Send(body.substr(off, 1000));
    }
  });
  sb::Inet inet;
  inet.SetRequestTimeout(5);
  EXPECT_EQ(Fetch(inet, At("slow")).back(), sb::icResponseCompleted);
  EXPECT_EQ(ReadAll(inet, 512), body);
}

TEST_F(InetTest, StalledServerEndsInErrorAtTheTimeOut) {
  server.Route("/stall", [this](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(100));
    StallUntil(release, 8000);
  });
  sb::Inet inet;
  inet.SetRequestTimeout(1);
  auto start = Clock::now();
  EXPECT_EQ(Fetch(inet, At("stall"), 6000).back(), sb::icError);
  EXPECT_LT(MsSince(start), 4000);
}

TEST_F(InetTest, RefusedAddressesFailAtOnceWithoutANotification) {
  sb::Inet inet;
  Recorder rec;
  rec.Attach(inet);
  for (const wchar_t* bad : {L"", L" \r\n", L"garbage", L"ftp://127.0.0.1/x"}) {
    EXPECT_FALSE(inet.Execute(bad, L"GET"));
    EXPECT_FALSE(inet.StillExecuting());
  }
  sbtest::PumpFor(300);
  EXPECT_TRUE(rec.states.empty());
}

TEST_F(InetTest, AddressIsTrimmedBeforeTheRequest) {
  server.Serve("/t.mp3", "tune");
  sb::Inet inet;
  EXPECT_EQ(Fetch(inet, L" \t " + At("t.mp3") + L" \r\n").back(), sb::icResponseCompleted);
  EXPECT_EQ(ReadAll(inet, 512), "tune");
  EXPECT_EQ(server.CountRequests("/t.mp3"), 1);
}

TEST_F(InetTest, SecondRequestWhileOneRunsIsRefusedAndLaterOnesWork) {
  server.Route("/slow", [](const HttpRequest&, HttpConnection& c) {
    Sleep(300);
    c.Respond(200, "first");
  });
  server.Serve("/next", "second");
  sb::Inet inet;
  Recorder rec;
  rec.Attach(inet);
  ASSERT_TRUE(inet.Execute(At("slow"), L"GET"));
  EXPECT_FALSE(inet.Execute(At("next"), L"GET"));
  EXPECT_FALSE(inet.OpenURL(At("next")));
  ASSERT_TRUE(rec.WaitEnd());
  EXPECT_EQ(rec.Count(sb::icResponseCompleted), 1);
  EXPECT_EQ(ReadAll(inet, 512), "first");

  EXPECT_EQ(Fetch(inet, At("next")).back(), sb::icResponseCompleted);
  EXPECT_EQ(ReadAll(inet, 512), "second");
  EXPECT_EQ(inet.OpenURL(At("next")), L"second");
  EXPECT_EQ(server.CountRequests("/next"), 2);
}

TEST_F(InetTest, CancelIsHarmlessWhenIdleAndSilencesARunningRequest) {
  server.Route("/stall", [this](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(100000));
    c.Send(std::string(1000, 'x'));
    StallUntil(release, 8000);
  });
  server.Serve("/next", "again");
  sb::Inet inet;
  inet.Cancel();
  Recorder rec;
  rec.Attach(inet);
  ASSERT_TRUE(inet.Execute(At("stall"), L"GET"));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return rec.Count(sb::icResponseReceived) > 0; }, 5000));
  auto start = Clock::now();
  inet.Cancel();
  EXPECT_LT(MsSince(start), 1000) << "Cancel must not wait for the blocked read";
  EXPECT_FALSE(inet.StillExecuting());
  size_t seen = rec.states.size();
  sbtest::PumpFor(300);
  release = true;  // the server lets go: a worker still in its read wakes up now
  sbtest::PumpFor(300);
  EXPECT_EQ(rec.states.size(), seen) << "a notification arrived after Cancel";
  EXPECT_TRUE(inet.GetChunk(512).empty());
  inet.Cancel();

  EXPECT_EQ(Fetch(inet, At("next")).back(), sb::icResponseCompleted);
  EXPECT_EQ(ReadAll(inet, 512), "again");
}

TEST_F(InetTest, CancelRightAfterExecuteDropsQueuedNotifications) {
  server.Serve("/quick", "q");
  sb::Inet inet;
  Recorder rec;
  rec.Attach(inet);
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(inet.Execute(At("quick"), L"GET"));
    Sleep(30);  // let the worker queue some states
    inet.Cancel();
  }
  sbtest::PumpFor(300);
  EXPECT_TRUE(rec.states.empty());
}

TEST_F(InetTest, CancelFromInsideANotificationStopsEverythingAfterIt) {
  server.Route("/stall", [this](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(100000));
    StallUntil(release, 8000);
  });
  sb::Inet inet;
  std::vector<short> states;
  long long cancelMs = -1;
  inet.StateChanged = [&](short s) {
    states.push_back(s);
    if (s == sb::icResponseReceived) {
      Sleep(200);  // let the worker block in its read
      auto start = Clock::now();
      inet.Cancel();
      cancelMs = MsSince(start);
    }
  };
  ASSERT_TRUE(inet.Execute(At("stall"), L"GET"));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return !states.empty() && states.back() == sb::icResponseReceived; }, 5000));
  sbtest::PumpFor(400);
  EXPECT_EQ(states.back(), sb::icResponseReceived);
  EXPECT_FALSE(inet.StillExecuting());
  EXPECT_GE(cancelMs, 0);
  EXPECT_LT(cancelMs, 1000);
}

TEST_F(InetTest, ANewRequestCanStartFromInsideTheErrorNotification) {
  server.Serve("/good", "good");
  sb::Inet inet;
  std::vector<short> states;
  bool retried = false, retryAccepted = false;
  inet.StateChanged = [&](short s) {
    states.push_back(s);
    if (s == sb::icError && !retried) {
      retried = true;
      retryAccepted = inet.Execute(At("good"), L"GET");
    }
    if (s == sb::icResponseCompleted) inet.Cancel();  // what the download window does when done
  };
  ASSERT_TRUE(inet.Execute(At("missing"), L"GET"));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return !states.empty() && states.back() == sb::icResponseCompleted; }, 10000));
  EXPECT_TRUE(retryAccepted);
  EXPECT_EQ(std::count(states.begin(), states.end(), sb::icError), 1);
  EXPECT_EQ(ReadAll(inet, 512), "good");
}

TEST_F(InetTest, DestroyingTheControlCancelsItsRequest) {
  server.Route("/stall", [this](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(100000));
    StallUntil(release, 8000);
  });
  int calls = 0;
  {
    auto inet = std::make_unique<sb::Inet>();
    inet->StateChanged = [&](short) { ++calls; };
    ASSERT_TRUE(inet->Execute(At("stall"), L"GET"));
    Sleep(200);
    auto start = Clock::now();
    inet.reset();
    EXPECT_LT(MsSince(start), 1000);
  }
  sbtest::PumpFor(300);
  EXPECT_EQ(calls, 0);
}

int ThreadsOfThisProcess() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 te{};
  te.dwSize = sizeof te;
  int n = 0;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  }
  CloseHandle(snap);
  return n;
}

TEST_F(InetTest, CancelledWorkersEndOnceTheServerLetsGo) {
  server.Route("/stall", [this](const HttpRequest&, HttpConnection& c) {
    c.Send(Head(100000));
    c.Send("x");
    StallUntil(release, 8000);
  });
  server.Serve("/warm", "w");
  {
    sb::Inet warm;  // WinINet's own threads start with its first request
    ASSERT_EQ(warm.OpenURL(At("warm")), L"w");
  }
  sbtest::PumpFor(200);
  const int before = ThreadsOfThisProcess();
  ASSERT_GT(before, 0);
  {
    sb::Inet a, b;
    Recorder ra, rb;
    ra.Attach(a);
    rb.Attach(b);
    ASSERT_TRUE(a.Execute(At("stall"), L"GET"));
    ASSERT_TRUE(b.Execute(At("stall"), L"GET"));
    ASSERT_TRUE(sbtest::PumpUntil([&] { return ra.Count(sb::icResponseReceived) && rb.Count(sb::icResponseReceived); }));
    Sleep(200);
    a.Cancel();
  }
  release = true;
  EXPECT_TRUE(sbtest::PumpUntil([&] { return ThreadsOfThisProcess() <= before; }, 5000))
      << ThreadsOfThisProcess() << " threads, " << before << " before";
}

TEST_F(InetTest, ControlMayBeDestroyedByItsOwnNotification) {
  server.Serve("/t", "t");
  auto inet = std::make_unique<sb::Inet>();
  std::vector<short> states;
  inet->StateChanged = [&](short s) {
    states.push_back(s);
    if (s == sb::icResponseCompleted) inet.reset();
  };
  ASSERT_TRUE(inet->Execute(At("t"), L"GET"));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return inet == nullptr; }, 10000));
  EXPECT_EQ(states.back(), sb::icResponseCompleted);
}

TEST_F(InetTest, LargeBodyIsReadInSmallPiecesQuickly) {
  const size_t size = 20u * 1024 * 1024;
  server.Serve("/big.mp3", Pattern(size), "audio/mpeg");
  sb::Inet inet;
  Recorder rec;
  rec.Attach(inet);
  ASSERT_TRUE(inet.Execute(At("big.mp3"), L"GET"));
  ASSERT_TRUE(rec.WaitEnd(60000));
  ASSERT_EQ(rec.states.back(), sb::icResponseCompleted);
  auto start = Clock::now();
  size_t pieces = 0, bytes = 0;
  for (std::vector<uint8_t> p = inet.GetChunk(512); !p.empty(); p = inet.GetChunk(512)) {
    ++pieces;
    bytes += p.size();
  }
  EXPECT_EQ(pieces, 40960u);
  EXPECT_EQ(bytes, size);
  EXPECT_LT(MsSince(start), 3000);
}

}  // namespace
