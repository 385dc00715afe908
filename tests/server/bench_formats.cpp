// Tags and covers: the share of the code-page corpus's strings read back
// exactly, and the cost of a 4000 × 4000 embedded cover the first time and
// once it is kept.
#include <chrono>
#include <cstdio>

#include "codepage_corpus.h"
#include "library.h"
#include "server_test_library.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

void CoverFigures() {
  sbserver_test::TempDir dir;
  const auto lib = dir.path() / "music";
  sbserver_test::WriteSong(lib / "cover.mp3", {"大封面", "歌手", "", "", "", sbserver_test::TestJpeg(4000, 4000)});
  songbox_server::Library library(lib.string(), (dir.path() / "state.db").string(), 10, [](const std::string&) {});
  library.Scan();
  const long long sid = library.Newest().front().first.sid;
  auto start = Clock::now();
  const bool made = library.Cover(sid).has_value();
  std::printf("cover_first_ms: %.1f ms\n", Ms(start));
  constexpr int kRounds = 50;
  start = Clock::now();
  for (int i = 0; i < kRounds; ++i) library.Cover(sid);
  std::printf("cover_cached_ms: %.2f ms\n", Ms(start) / kRounds);
  if (!made) std::fprintf(stderr, "no cover was made\n");
}

}  // namespace

int main() {
  std::vector<std::string> wrong;
  std::printf("tag_codepage_accuracy: %.4f share\n", sbserver_test::CorpusAccuracy(&wrong));
  for (const std::string& w : wrong) std::fprintf(stderr, "read wrong: %s\n", w.c_str());
  CoverFigures();
  return 0;
}
