// songbox-catalogue: serves a folder of MP3 files as a SongBox catalogue.
//   songbox-catalogue --library DIR [--listen 127.0.0.1:8611] [--state FILE]
//                     [--newest N] [--cache-size BYTES[K|M|G]] [--prefetch N]
//                     [--export OUT]
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "codec_process.h"
#include "http_service.h"
#include "library.h"
#include "library_watch.h"
#include "service_log.h"
#include "state_name.h"
#include "song_media.h"
#include "static_export.h"
#include "transcoder.h"

namespace {

namespace fs = std::filesystem;
using songbox_server::Library;
using songbox_server::LibraryWatch;

struct Options {
  std::string library, listenHost = "127.0.0.1", state, exportTo;
  int port = 8611;
  size_t newest = 500;
  // Songs of the page, newest first, transcoded ahead of their first play:
  // all of them unless told otherwise.
  size_t prefetch = SIZE_MAX;
  // Room for the page's 500 newest songs as four-minute transcodes (about
  // 7.7 MB each at 256 kbit/s).
  std::uint64_t cacheBytes = 4ULL << 30;
};

void Log(const std::string& line) { songbox_server::LogLine(line); }

int Usage() {
  std::fprintf(stderr,
               "usage: songbox-catalogue --library DIR [--listen HOST:PORT] [--state FILE] [--newest N]"
               " [--cache-size BYTES[K|M|G]] [--prefetch N] [--export OUT]\n"
               "  --listen   address and port (default 127.0.0.1:8611; 0.0.0.0:PORT serves the whole network:\n"
               "             every indexed song, read-only, and play counting, without a password)\n"
               "  --state    the state file (default: a name derived from DIR under\n"
               "             ~/.local/state/songbox-catalogue/)\n"
               "  --newest   songs on the front page (default 500)\n"
               "  --cache-size  bytes (or K, M, G) kept of songs transcoded to MP3, beside the\n"
               "             state file (default 4G)\n"
               "  --prefetch songs of the front page, newest first, transcoded to MP3 in the\n"
               "             background before anyone plays them (default: all; 0: none)\n"
               "  --export   write the site as static files into OUT and exit\n");
  return 2;
}

bool ParseListen(const std::string& value, Options& o) {
  size_t colon = value.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  char* end = nullptr;
  long port = std::strtol(value.c_str() + colon + 1, &end, 10);
  if (*end || port < 0 || port > 65535) return false;  // 0: any free port
  o.listenHost = value.substr(0, colon);
  o.port = static_cast<int>(port);
  return true;
}

bool ParseSize(const std::string& value, std::uint64_t& bytes) {
  char* end = nullptr;
  unsigned long long n = std::strtoull(value.c_str(), &end, 10);
  if (end == value.c_str() || value[0] == '-') return false;
  std::string unit = end;
  int shift = unit.empty() ? 0 : unit == "K" ? 10 : unit == "M" ? 20 : unit == "G" ? 30 : -1;
  if (shift < 0 || n > (~0ULL >> shift)) return false;
  bytes = n << shift;
  return true;
}

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    std::string value = argv[++i];
    if (arg == "--library") {
      o.library = value;
    } else if (arg == "--listen") {
      if (!ParseListen(value, o)) return false;
    } else if (arg == "--state") {
      o.state = value;
    } else if (arg == "--cache-size") {
      if (!ParseSize(value, o.cacheBytes)) return false;
    } else if (arg == "--export") {
      o.exportTo = value;
    } else if (arg == "--newest") {
      long n = std::atol(value.c_str());
      if (n <= 0 || n > 32767) return false;  // the client loads at most 32,767 lines
      o.newest = static_cast<size_t>(n);
    } else if (arg == "--prefetch") {
      char* end = nullptr;
      const unsigned long long n = std::strtoull(value.c_str(), &end, 10);
      if (end == value.c_str() || *end || value[0] == '-') return false;
      o.prefetch = static_cast<size_t>(std::min<unsigned long long>(n, SIZE_MAX));
    } else {
      return false;
    }
  }
  return !o.library.empty();
}

// Outside the library, which the service never writes into.
std::string DefaultState(const std::string& library) {
  const char* base = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  fs::path dir = base && *base ? fs::path(base) : fs::path(home && *home ? home : "/tmp") / ".local" / "state";
  dir /= "songbox-catalogue";
  fs::create_directories(dir);
  return songbox_server::DefaultStateFile(dir, library, Log).string();
}

// Every connection is a descriptor: the connection cap, not a low default
// limit, is what bounds them.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

songbox_server::ScanResult TimedScan(Library& library) {
  auto start = std::chrono::steady_clock::now();
  auto scan = library.Scan();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char line[160];
  std::snprintf(line, sizeof line, "indexed %zu songs in %.2f s (%zu new, %zu changed, %zu gone)", library.Size(),
                seconds, scan.added, scan.changed, scan.removed);
  Log(line);
  return scan;
}

// The port is bound and the songs the state knew are served at once; the
// first scan runs behind them.
int Serve(Library& library, songbox_server::Transcoder& transcoder, std::optional<LibraryWatch>& watch,
          const Options& o) {
  songbox_server::HttpServer server(
      songbox_server::CatalogueRoutes(library, songbox_server::PlainFiles, &transcoder));
  int port = server.Bind(o.listenHost, o.port);
  if (port <= 0) {
    Log("cannot listen on " + o.listenHost + ":" + std::to_string(o.port));
    return 1;
  }
  std::atomic<bool> scanned{false};
  std::thread scanner([&] {
    try {
      // Watching before the scan: whatever changes during it raises an event.
      watch.emplace(library, std::chrono::seconds(30), Log);
      watch->Start(TimedScan(library));
    } catch (const std::exception& e) {
      Log(std::string("the library is not watched: ") + e.what());
    }
    scanned = true;
  });
  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  std::thread flusher([&] {
    std::unique_lock lock(mutex);
    // Each second the plays are written; every fifth the background fill is
    // given the page's newest songs again.
    for (unsigned tick = 0; !wake.wait_for(lock, std::chrono::seconds(1), [&] { return stopping; }); ++tick) {
      library.FlushPlays();
      if (tick % 5 == 0) transcoder.Prefetch(songbox_server::NewestTranscoded(library, o.prefetch));
    }
  });
  std::thread signals([&] {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    int sig = 0;
    sigwait(&set, &sig);
    server.Stop();
  });
  Log("serving " + std::to_string(library.Size()) + " songs on http://" + o.listenHost + ":" + std::to_string(port) + "/");
  server.Run();
  {
    std::lock_guard lock(mutex);
    stopping = true;
  }
  wake.notify_all();
  flusher.join();
  library.FlushPlays();
  signals.detach();
  if (!scanned) {
    // A scan cannot be cut short; what it stored is sound, the next start goes on.
    Log("stopped during the first scan");
    std::fflush(stderr);
    std::_Exit(0);
  }
  scanner.join();
  watch.reset();
  Log("stopped");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, o)) return Usage();
  // Signals are taken by one thread with sigwait; every thread inherits the mask.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
  RaiseDescriptorLimit();
  try {
    std::error_code ec;
    std::string root = fs::canonical(o.library, ec).string();
    if (ec || !fs::is_directory(root)) {
      Log("no library folder at " + o.library);
      return 1;
    }
    if (const std::string codec = songbox_server::CodecProgram(); ::access(codec.c_str(), X_OK) != 0)
      Log("no songbox-codec at " + codec + ": only MP3 songs are indexed and served");
    const std::string state = o.state.empty() ? DefaultState(root) : o.state;
    Library library(root, state, o.newest, Log);
    // Beside the state file; one transcode at a time per core.
    songbox_server::Transcoder transcoder(state + ".mp3-cache", o.cacheBytes, std::thread::hardware_concurrency(), Log);
    if (const char* hold = std::getenv("SONGBOX_CATALOGUE_HOLD_SCAN_AFTER")) library.HoldScanAfter(std::strtoul(hold, nullptr, 10));
    // Watching before the scan: whatever changes during it raises an event.
    if (!o.exportTo.empty()) {
      TimedScan(library);
      size_t songs = songbox_server::ExportSite(library, transcoder, o.exportTo);
      Log("exported " + std::to_string(songs) + " songs to " + o.exportTo);
      return 0;
    }
    std::optional<LibraryWatch> watch;
    watch.emplace(library, std::chrono::seconds(30), Log);
    return Serve(library, transcoder, watch, o);
  } catch (const std::exception& e) {
    Log(e.what());
    return 1;
  }
}
