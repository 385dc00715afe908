// The MP3 transcode of a four-minute FLAC: speed on one core and the time to
// a never-transcoded song's first byte, through the server's own songbox-codec
// process (what the server uses) and, for comparison, through the ffmpeg
// command line writing to a pipe.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <condition_variable>
#include <string>
#include <vector>
#include <algorithm>

#include "mp3_transcode.h"
#include "server_test_library.h"
#include "transcode_test_media.h"
#include "transcoder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr double kSeconds = 240;

double Ms(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double LibrarySpeed(const fs::path& flac) {
  auto t = songbox_server::Mp3Transcode::Open(flac.string(), {"title", "singer", ""});
  std::atomic<bool> cancel{false};
  auto start = Clock::now();
  t->Run([](const char*, size_t) { return true; }, cancel);
  return kSeconds / (Ms(start) / 1000);
}

// Request to the first byte of the first audio frame (the ID3v2 tag before it
// is written at once) for songs the cache has never seen.
double LibraryFirstByte(const fs::path& dir, const std::vector<fs::path>& songs) {
  songbox_server::Transcoder transcoder((dir / "cache").string(), 1ULL << 32, 1, [](const std::string&) {});
  std::vector<double> times;
  for (const fs::path& song : songs) {
    songbox_server::TranscodeInput in{song.string(), song.filename().string(), fs::file_size(song), 0, 0, {}};
    auto plan = songbox_server::Mp3Transcode::Open(song.string(), {});
    const std::uint64_t audio = plan->Size() - plan->Frames() * songbox_server::kMp3FrameBytes;
    std::mutex m;
    std::condition_variable cv;
    bool ready = false;
    char byte;
    auto start = Clock::now();
    auto source = transcoder.Source(in);
    while (source->ReadAt(audio, &byte, 1, [&] {
      std::lock_guard lock(m);
      ready = true;
      cv.notify_all();
    }) == 0) {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return ready; });
      ready = false;
    }
    times.push_back(Ms(start));
  }
  return Median(times);
}

// A child ffmpeg with the same settings: first byte and whole time.
std::pair<double, double> ChildProcess(const fs::path& flac) {
  std::string command = "ffmpeg -nostdin -v error -i '" + flac.string() +
                        "' -ar 48000 -ac 2 -c:a libmp3lame -b:a 256k -compression_level 5 -write_xing 0 "
                        "-id3v2_version 0 -flush_packets 1 -f mp3 -";
  auto start = Clock::now();
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[65536];
  double first = -1;
  size_t n;
  while ((n = fread(buffer, 1, first < 0 ? 1 : sizeof buffer, pipe)) > 0)
    if (first < 0) first = Ms(start);
  pclose(pipe);
  return {first, kSeconds / (Ms(start) / 1000)};
}

}  // namespace

int main() {
  sbserver_test::TempDir dir;
  fs::path flac = dir.path() / "long.flac";
  sbserver_test::Shell("ffmpeg -nostdin -v error -y -f lavfi -i 'anoisesrc=d=240:c=pink:r=44100:a=0.3' -ac 2 '" +
                       flac.string() + "'");
  std::vector<fs::path> songs;
  for (int i = 0; i < 5; ++i) {
    songs.push_back(dir.path() / ("song" + std::to_string(i) + ".flac"));
    fs::copy_file(flac, songs.back());
  }
  std::printf("transcode_speed_x: %.1f x\n", LibrarySpeed(flac));
  std::printf("transcoded_first_byte_ms: %.1f ms\n", LibraryFirstByte(dir.path(), songs));
  auto [first, speed] = ChildProcess(flac);
  std::printf("transcode_child_speed_x: %.1f x\n", speed);
  std::printf("transcoded_child_first_byte_ms: %.1f ms\n", first);
  return 0;
}
