// Normalising a 10 MB newest-songs page: prints "normalise_mb_s: N MB/s"
// (MB = 10^6 page characters; CPU time of this process, so other load on the
// machine does not count).
#include <ctime>
#include <cstdio>
#include <string>

#include "catalogue/song_list_text.h"

int main() {
  const std::wstring names[] = {L"晴天的 海风", L"Night Drive", L"月光 下的 河", L"远方", L"Blue Hour"};
  std::wstring page = L"var Data={};Data.Nlist.hot=[{sid:1,al:'x',ti:'y'}];\r\nData.Nlist.news=[";
  for (int sid = 100000; page.size() < 10'000'000; ++sid) {
    if (sid > 100000) page += L",";
    page += L"{sid:" + std::to_wstring(sid) + L",al:'song_" + std::to_wstring(sid) + L"',ti:'" + names[sid % 5] +
            L"',si:'林 小雨',cp:'青石 唱片',da:'2026-12-0" + std::to_wstring(1 + sid % 7) + L"',ico:'" +
            std::to_wstring(sid % 977) + L"',lrc:'" + std::to_wstring(sid * 3) + L"',dl:" + std::to_wstring(sid % 431) +
            L",tl:" + std::to_wstring(sid * 7 % 100003) + L",cv:1}";
  }
  page += L"];\r\nData.Nlist.order=[{sid:2}];\r\n";

  const int rounds = 5;
  double best = 1e9;
  size_t lines = 0;
  for (int r = 0; r < rounds; ++r) {
    std::clock_t start = std::clock();
    auto text = sb::NormaliseSongPage(page);
    double s = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    if (s < best) best = s;
    lines = text ? sb::SongRows(*text).size() : 0;
  }
  std::fprintf(stderr, "%zu characters, %zu songs\n", page.size(), lines);
  std::printf("normalise_mb_s: %.0f MB/s\n", page.size() / 1e6 / best);
  return lines > 0 ? 0 : 1;
}
