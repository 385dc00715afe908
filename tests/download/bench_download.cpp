// Downloads through the real window on loopback: throughput for a 20 MB file
// (the demo catalogue's bench file), resident memory growth while a 128 MB
// song downloads from an in-process server, the lag from body bytes
// arriving to the byte count showing them, and how long "退出软件" takes to
// end the real program during a download.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "download/download_window.h"
#include "platform/form.h"
#include "running_program.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchOpener : public sb::DownloadOpener {
 public:
  std::wstring url, name = L"bench.mp3";
  std::wstring SongFileName() const override { return name; }
  std::wstring PlayerURL() const override { return url; }
  void EnableDownloadCommands() override {}
  void ClearRunTimeDrawing() override {}
};

PROCESS_MEMORY_COUNTERS_EX Memory() {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  return pmc;
}

// Sends the head of a `total`-byte body, then the body in `pieces` equal
// parts, each once its gate opens; `sentAt[i]` holds when part i went out.
void SendInParts(sbtest::HttpConnection& c, size_t total, sbtest::Gate* gates, std::atomic<long long>* sentAt,
                 int pieces) {
  c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(total) + "\r\nConnection: close\r\n\r\n");
  const std::string part(total / pieces, 'x');
  for (int i = 0; i < pieces; ++i) {
    if (gates && !gates[i].Wait(c)) return;
    if (!c.Send(part)) return;
    sentAt[i] = Clock::now().time_since_epoch().count();
  }
}

std::wstring Target(const BenchOpener& o) { return sb::DownloadWindow::DownMusicFolder() + L"\\" + o.name; }

int Download20Mb() {
  std::wstring root = sbtest::EnvW(L"SONGBOX_BENCH_ROOT");
  if (root.empty()) root = L"http://127.0.0.1:8611/";
  BenchOpener opener;
  opener.url = root + L"media/bench20m.mp3";
  opener.name = L"bench20m.mp3";
  DeleteFileW(Target(opener).c_str());
  auto window = std::make_shared<sb::DownloadWindow>(opener);
  auto start = Clock::now();
  if (!window->Load()) return 1;
  if (!sbtest::PumpUntil([&] { return !window->IsLoaded(); }, 120000)) return 2;
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::string body = sbtest::ReadFileBytes(Target(opener));
  DeleteFileW(Target(opener).c_str());
  if (body.size() != 20u * 1024 * 1024) {
    std::fprintf(stderr, "download incomplete: %zu bytes\n", body.size());
    return 3;
  }
  std::printf("download_20mb_mb_s: %.1f MB/s\n", 20.0 / seconds);
  return 0;
}

int Download128MbGrowth() {
  constexpr size_t kTotal = 128u << 20;
  constexpr int kParts = 128;
  std::atomic<long long> sentAt[kParts];
  sbtest::TestHttpServer server;
  server.Route("/big", [&](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    SendInParts(c, kTotal, nullptr, sentAt, kParts);
  });
  BenchOpener opener;
  opener.url = server.Root() + L"big";
  const size_t before = Memory().WorkingSetSize;
  size_t most = before;
  auto window = std::make_shared<sb::DownloadWindow>(opener);
  if (!window->Load()) return 1;
  bool done = sbtest::PumpUntil([&] {
    most = std::max(most, static_cast<size_t>(Memory().WorkingSetSize));
    return !window->IsLoaded();
  }, 300000);
  const bool whole = sbtest::ReadFileBytes(Target(opener)).size() == kTotal;
  DeleteFileW(Target(opener).c_str());
  if (!done || !whole) return 4;
  std::printf("download_128mb_growth_mb: %.1f MB\n", static_cast<double>(most - before) / (1024.0 * 1024.0));
  return 0;
}

int ProgressLag() {
  constexpr int kParts = 10;
  constexpr size_t kTotal = kParts * (1u << 20);
  sbtest::Gate gates[kParts];
  std::atomic<long long> sentAt[kParts];
  for (auto& t : sentAt) t = 0;
  sbtest::TestHttpServer server;
  server.Route("/parts", [&](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    SendInParts(c, kTotal, gates, sentAt, kParts);
  });
  BenchOpener opener;
  opener.url = server.Root() + L"parts";
  auto window = std::make_shared<sb::DownloadWindow>(opener);
  if (!window->Load()) return 1;
  double worstMs = 0;
  for (int i = 0; i < kParts - 1; ++i) {  // the last part is read by the loop, not shown as it arrives
    gates[i].Open();
    const std::wstring shown = L"已下载 " + std::to_wstring((i + 1) * (kTotal / kParts)) + L" 字节";
    if (!sbtest::PumpUntil([&] { return sentAt[i] != 0 && sb::Form::GetText(window->TG()) == shown; }, 30000))
      return 5;
    const long long lag = Clock::now().time_since_epoch().count() - sentAt[i];
    worstMs = std::max(worstMs, std::chrono::duration<double, std::milli>(Clock::duration(lag)).count());
  }
  gates[kParts - 1].Open();
  sbtest::PumpUntil([&] { return !window->IsLoaded(); }, 30000);
  DeleteFileW(Target(opener).c_str());
  std::printf("download_progress_lag_ms: %.1f ms\n", worstMs);
  return 0;
}

// From the click on "退出软件" to the end of the SongBox process, while its
// download is held mid-way.
int ExitDuringDownload() {
  sbtest::HeldDownload program;
  if (!program.Start()) {
    std::fprintf(stderr, "%s\n", program.failure().c_str());
    return 6;
  }
  const auto start = Clock::now();
  sbtest::ClickCentre(program.MainButton(L"退出软件"));
  if (WaitForSingleObject(program.process(), 30000) != WAIT_OBJECT_0) return 7;
  std::printf("exit_during_download_ms: %.0f ms\n",
              std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  return 0;
}

}  // namespace

int main() {
  if (int r = ExitDuringDownload()) return r;
  if (int r = Download128MbGrowth()) return r;
  if (int r = ProgressLag()) return r;
  if (int r = Download20Mb()) return r;
  std::printf("download_peak_mb: %.1f MB\n", static_cast<double>(Memory().PeakPagefileUsage) / (1024.0 * 1024.0));
  return 0;
}
