// Download throughput through the real window for a 20 MB file on loopback
// (the demo catalogue's bench file), and the program's peak private memory.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "download/download_window.h"
#include "test_env.h"

namespace {

class BenchOpener : public sb::DownloadOpener {
 public:
  std::wstring url;
  std::wstring SongFileName() const override { return L"bench20m.mp3"; }
  std::wstring PlayerURL() const override { return url; }
  void EnableDownloadCommands() override {}
  void ClearRunTimeDrawing() override {}
};

}  // namespace

int main() {
  std::wstring root = sbtest::EnvW(L"SONGBOX_BENCH_ROOT");
  if (root.empty()) root = L"http://127.0.0.1:8611/";
  BenchOpener opener;
  opener.url = root + L"media/bench20m.mp3";
  std::wstring target = sb::DownloadWindow::DownMusicFolder() + L"\\bench20m.mp3";
  DeleteFileW(target.c_str());

  auto window = std::make_shared<sb::DownloadWindow>(opener);
  auto start = std::chrono::steady_clock::now();
  if (!window->Load()) return 1;
  if (!sbtest::PumpUntil([&] { return !window->IsLoaded(); }, 120000)) return 2;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::string body = sbtest::ReadFileBytes(target);
  if (body.size() != 20u * 1024 * 1024) {
    std::fprintf(stderr, "download incomplete: %zu bytes\n", body.size());
    return 3;
  }
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  std::printf("download_20mb_mb_s: %.1f MB/s\n", 20.0 / seconds);
  std::printf("download_peak_mb: %.1f MB\n", static_cast<double>(pmc.PeakPagefileUsage) / (1024.0 * 1024.0));
  DeleteFileW(target.c_str());
  return 0;
}
