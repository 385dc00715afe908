// The real main window against a misbehaving catalogue: the largest resident
// memory over the hostile inputs ("hostile_peak_rss_mb") and the requests the
// server sees for one page load answered by a redirect loop
// ("hostile_redirect_requests").
#include <windows.h>

#include <psapi.h>

#include <cstdio>

#include "app_test_support.h"
#include "hostile_responses.h"

namespace {

using sbtest::HttpConnection;
using sbtest::HttpRequest;
using Respond = std::function<void(HttpConnection&)>;

struct Bench {
  Respond page, lyrics, cover, media;
};

Bench& Current() {
  static Bench bench;
  return bench;
}

void Route(const std::string& path, Respond Bench::*slot, std::string fallback) {
  sbtest::TestCatalogue::Get().server().Route(path, [slot, fallback](const HttpRequest&, HttpConnection& c) {
    Respond r = Current().*slot;
    if (r) return r(c);
    c.Respond(200, fallback, "text/html");
  });
}

std::string Repeat(const std::string& piece, size_t bytes) {
  std::string s;
  while (s.size() < bytes) s += piece;
  return s;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto& server = sbtest::TestCatalogue::Get().server();
  std::vector<sbtest::DemoSong> songs = {sbtest::DemoSongs()[0]};
  songs.push_back({L"999", L"h", L"Hostile", L"s", L"p", L"2026-12-01", L"h", L"h", L"1", L"2"});
  const std::string page = sbtest::CataloguePage(songs);
  Route("/", &Bench::page, page);
  Route("/lyrics/h", &Bench::lyrics, "");
  Route("/cover/h", &Bench::cover, "");
  Route("/endless.mp3", &Bench::media, "");
  server.Serve("/wgns/url/999", "endless.mp3", "text/plain");

  sbtest::MessageBoxAnswerer boxes;
  auto window = sbtest::OpenMainWindow();
  if (!window) return 1;

  Current().page = [](HttpConnection& c) { sbtest::Redirect(c, "/"); };
  server.ClearLog();
  window->RunListLoad(false);
  const int redirectRequests = server.CountRequests("/");

  const std::string song = Repeat(sbtest::Gbk(sbtest::SongObject(1, L"歌") + L","), 60000);
  const std::string hugeValue = sbtest::Gbk(L"Data.list=[" + sbtest::SongObject(1, std::wstring(10u << 20, L'x')) +
                                            L"];\r\nData.Nlist.order=[1];\r\n");
  const Respond pages[] = {
      [&](HttpConnection& c) { sbtest::SendRepeated(c, "text/html", song, 60u << 20, false); },
      [&](HttpConnection& c) { sbtest::SendRepeated(c, "text/html", song, 0, true); },
      [&](HttpConnection& c) { c.Respond(200, hugeValue, "text/html"); },
      [&](HttpConnection& c) { sbtest::RespondWithHugeHeaders(c, page, "text/html", 1u << 20); },
  };
  for (const Respond& p : pages) {
    Current().page = p;
    window->RunListLoad(false);
  }

  const std::string jpeg = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\cover\\cover0.jpg");
  const std::string tone = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tone1k.mp3");
  const std::string lyrics[] = {sbtest::Gbk(std::wstring(128u << 10, L'歌')), std::string(5u << 20, 'a'),
                                Repeat("[00:01] a line of lyrics\r\n", 5u << 20)};
  const Respond covers[] = {
      [&](HttpConnection& c) { c.Respond(200, sbtest::JpegDeclaring(jpeg, 30000, 30000), "image/jpeg"); },
      [&](HttpConnection& c) { sbtest::SendRepeated(c, "image/jpeg", jpeg, 0, false); },
      [&](HttpConnection& c) { c.Respond(200, jpeg, "image/jpeg"); },
  };
  for (int i = 0; i < 3; ++i) {
    Current().lyrics = [&, i](HttpConnection& c) { c.Respond(200, lyrics[i], "text/plain"); };
    Current().cover = covers[i];
    window->ClickSong(1);
  }

  // Media sent as an endless stream, played for a while: the player holds a
  // bounded window of it (limits::kMediaWindowBytes) and the transfer waits
  // while that is full, so this part does not grow with the time it runs.
  Current().media = [&](HttpConnection& c) { sbtest::SendRepeated(c, "audio/mpeg", tone, 0, false); };
  window->ClickSong(1);
  SendMessageW(window->Controls().command4, BM_CLICK, 0, 0);
  sbtest::PumpFor(15000);
  window->Player().Stop();

  PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  sbtest::CloseMainWindow(*window);
  std::printf("hostile_peak_rss_mb: %zu MB\n", static_cast<size_t>(pmc.PeakWorkingSetSize >> 20));
  std::printf("hostile_redirect_requests: %d requests\n", redirectRequests);
  return 0;
}
