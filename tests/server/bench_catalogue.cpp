// The catalogue server on a synthetic library of 30,000 small tagged songs
// (a fifth FLAC, M4A and Ogg, the rest MP3): cold scan, restart, memory (also with 1,000 idle connections),
// front-page throughput and latency against nginx serving the same export
// (and while slow clients hang on), how soon a new file shows, and the plays
// a kill -9 under load loses.
#include <arpa/inet.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "server_test_library.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kSongs = 30000;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

double OwnRssMb(pid_t pid) {
  std::smatch m;
  std::string status = ReadAll("/proc/" + std::to_string(pid) + "/status");
  return std::regex_search(status, m, std::regex(R"(VmRSS:\s+(\d+) kB)")) ? std::stod(m[1]) / 1024 : -1;
}

// The server's children (its songbox-codec processes).
std::vector<pid_t> Children(pid_t pid) {
  std::vector<pid_t> children;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::istringstream list(ReadAll(task.path() / "children"));
    for (pid_t child; list >> child;) children.push_back(child);
  }
  return children;
}

// The server and its codec children together: what the household machine
// gives the catalogue (their shared library pages counted in each).
double RssMb(pid_t pid) {
  double total = OwnRssMb(pid);
  for (pid_t child : Children(pid)) total += std::max(0.0, OwnRssMb(child));
  return total;
}

// The highest RssMb seen, sampled every 20 ms until stopped.
class PeakRss {
 public:
  explicit PeakRss(pid_t pid)
      : thread_([this, pid] {
          while (!stop_) {
            peak_ = std::max(peak_.load(), RssMb(pid));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
        }) {}
  double Stop() {
    stop_ = true;
    thread_.join();
    return peak_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<double> peak_{0};
  std::thread thread_;
};

struct Server {
  pid_t pid = 0;
  int port = 0;
  double startSeconds = 0;  // from exec to the end of the first scan
  double scanPeakMb = 0;    // RssMb's highest value meanwhile
};

Server Start(const fs::path& lib, const fs::path& state, const fs::path& log) {
  Server s;
  auto start = Clock::now();
  s.pid = fork();
  if (s.pid == 0) {
    if (!std::freopen(log.c_str(), "w", stderr)) _exit(126);
    execl(SONGBOX_CATALOGUE, SONGBOX_CATALOGUE, "--library", lib.c_str(), "--state", state.c_str(), "--listen",
          "127.0.0.1:0", static_cast<char*>(nullptr));
    _exit(127);
  }
  PeakRss peak(s.pid);
  std::smatch m;
  sbserver_test::WaitFor(
      [&] {
        std::string text = ReadAll(log);
        return text.find("indexed") != std::string::npos &&
               std::regex_search(text, m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)")) && (s.port = std::stoi(m[1]));
      },
      120000);
  s.startSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  s.scanPeakMb = peak.Stop();
  return s;
}

void Stop(Server& s) {
  kill(s.pid, SIGTERM);
  waitpid(s.pid, nullptr, 0);
}

// wrk's requests per second and 99th percentile latency (ms), by default for
// 10 s on 64 connections.
std::pair<double, double> Wrk(int port, const std::string& options = "-t2 -c64 -d10s", const std::string& path = "/") {
  std::string out = Capture("wrk " + options + " --latency http://127.0.0.1:" + std::to_string(port) + path + " 2>&1");
  std::smatch rps, p99;
  double requests = std::regex_search(out, rps, std::regex(R"(Requests/sec:\s+([\d.]+))")) ? std::stod(rps[1]) : -1;
  double ms = -1;
  if (std::regex_search(out, p99, std::regex(R"(99%\s+([\d.]+)(us|ms|s))"))) {
    ms = std::stod(p99[1]);
    if (p99[2] == "us") ms /= 1000;
    if (p99[2] == "s") ms *= 1000;
  }
  return {requests, ms};
}

// Close-on-exec: wrk, started meanwhile, sizes its event loop for its own
// descriptors only.
int Connect(int port, int receiveBuffer = 0) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receiveBuffer) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Idle keep-alive connections (one request answered, then quiet), clients
// that send their head a byte a second, and listeners that read a song at
// 1 KB/s, `each` of every kind, until destroyed.
class SlowClients {
 public:
  SlowClients(int port, int each) {
    const std::string get = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    char buffer[65536];
    for (int i = 0; i < each; ++i) {
      int fd = Connect(port);
      if (fd >= 0 && send(fd, get.data(), get.size(), MSG_NOSIGNAL) > 0 && recv(fd, buffer, sizeof buffer, 0) > 0)
        idle_.push_back(fd);
      if ((fd = Connect(port)) >= 0) dripping_.push_back(fd);
      const std::string media = "GET /media/artist0/big.mp3 HTTP/1.1\r\nHost: x\r\n\r\n";
      if ((fd = Connect(port, 4096)) >= 0 && send(fd, media.data(), media.size(), MSG_NOSIGNAL) > 0)
        listening_.push_back(fd);
    }
    driver_ = std::thread([this] { Drive(); });
  }
  ~SlowClients() {
    stop_ = true;
    driver_.join();
    for (auto* fds : {&idle_, &dripping_, &listening_})
      for (int fd : *fds) close(fd);
  }

 private:
  void Drive() {
    const std::string head = "GET / HTTP/1.1\r\nHost: x\r\nX-Slow: ";
    char buffer[1024];
    for (size_t tick = 0; !stop_; ++tick) {
      for (int fd : dripping_) send(fd, head.data() + tick % head.size(), 1, MSG_NOSIGNAL | MSG_DONTWAIT);
      for (int fd : listening_) recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      for (int i = 0; i < 10 && !stop_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  std::vector<int> idle_, dripping_, listening_;
  std::atomic<bool> stop_{false};
  std::thread driver_;
};

// Resident memory with `count` idle keep-alive connections open.
double RssWithIdle(const Server& server, int count) {
  std::vector<int> fds;
  const std::string get = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
  std::string buffer(1 << 20, '\0');
  for (int i = 0; i < count; ++i) {
    int fd = Connect(server.port);
    if (fd < 0) break;
    send(fd, get.data(), get.size(), MSG_NOSIGNAL);
    recv(fd, buffer.data(), buffer.size(), 0);
    fds.push_back(fd);
  }
  double rss = RssMb(server.pid);
  for (int fd : fds) close(fd);
  return fds.size() == static_cast<size_t>(count) ? rss : -1;
}

long long StoredPlays(const fs::path& state) {
  sqlite3* db = nullptr;
  long long total = -1;
  sqlite3_open_v2(state.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT sum(plays_total) FROM songs", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    total = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  sqlite3_close(db);
  return total;
}

// Plays answered under full load but missing after a kill -9, in seconds of
// that load. The server is gone afterwards.
double PlaysLostOnKill(Server& server, const fs::path& state, const std::string& sid) {
  const long long before = StoredPlays(state);
  std::string out;
  std::thread load([&] {
    out = Capture("wrk -t2 -c32 -d6s http://127.0.0.1:" + std::to_string(server.port) + "/wgns/url/" + sid + " 2>&1");
  });
  std::this_thread::sleep_for(std::chrono::seconds(3));
  kill(server.pid, SIGKILL);
  waitpid(server.pid, nullptr, 0);
  load.join();
  std::smatch m;
  if (!std::regex_search(out, m, std::regex(R"((\d+) requests in)"))) return -1;
  const double answered = std::stod(m[1]);
  const double lost = std::max(0.0, answered - static_cast<double>(StoredPlays(state) - before));
  return answered > 0 ? lost / (answered / 3.0) : -1;
}

// A short tagged song in another format, made by ffmpeg; "" when it fails.
std::string OtherFormat(const fs::path& dir, const std::string& extension, const std::string& codec) {
  const fs::path file = dir / ("template" + extension);
  const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -t 2 -i anullsrc=r=44100:cl=stereo -c:a " + codec +
                              " -metadata title=另一种格式 -metadata artist=歌手 '" + file.string() + "'";
  return std::system(command.c_str()) == 0 ? ReadAll(file) : "";
}

bool IsOtherFormat(int i) { return i % 15 < 3; }

// The songs of the front page (the server's 500 newest) that are not MP3.
size_t TranscodedOnPage() {
  size_t n = 0;
  for (int i = kSongs - 500; i < kSongs; ++i) n += IsOtherFormat(i);
  return n;
}

// Transcodes whole in the server's cache (not those still being written).
size_t FinishedTranscodes(const fs::path& state) {
  size_t n = 0;
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(state.string() + ".mp3-cache", ec))
    n += f.path().extension() == ".mp3";
  return n;
}

// A fifth of the songs are FLAC, M4A and Ogg, the rest MP3.
void MakeLibrary(const fs::path& lib) {
  const auto old = fs::file_time_type::clock::now() - std::chrono::seconds(kSongs + 3600);
  const std::pair<std::string, std::string> others[3] = {{".flac", OtherFormat(lib.parent_path(), ".flac", "flac")},
                                                         {".m4a", OtherFormat(lib.parent_path(), ".m4a", "aac")},
                                                         {".ogg", OtherFormat(lib.parent_path(), ".ogg", "libvorbis")}};
  for (int i = 0; i < kSongs; ++i) {
    const bool other = IsOtherFormat(i) && !others[i % 15].second.empty();
    fs::path file = lib / ("artist" + std::to_string(i % 300)) /
                    ("song" + std::to_string(i) + (other ? others[i % 15].first : std::string(".mp3")));
    sbserver_test::WriteFile(file, other ? others[i % 15].second
                                         : sbserver_test::Mp3Bytes({"歌曲 " + std::to_string(i),
                                                                    "歌手" + std::to_string(i % 300),
                                                                    "唱片" + std::to_string(i % 17)}));
    fs::last_write_time(file, old + std::chrono::seconds(i));
  }
  // For the slow listeners: a song of about 5 MB.
  sbserver_test::WriteFile(lib / "artist0" / "big.mp3", sbserver_test::Mp3Bytes({"大歌", "歌手0"}, 12000));
  fs::last_write_time(lib / "artist0" / "big.mp3", old);
}

int NginxOver(const fs::path& site, const fs::path& tmp) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    int port = 20000 + static_cast<int>((Clock::now().time_since_epoch().count() / 1000 + attempt * 7919) % 40000);
    std::string conf = ReadAll(SONGBOX_NGINX_TEMPLATE);
    conf = std::regex_replace(conf, std::regex("@PORT@"), std::to_string(port));
    conf = std::regex_replace(conf, std::regex("@SITE@"), site.string());
    conf = std::regex_replace(conf, std::regex("@TMP@"), tmp.string());
    std::ofstream(tmp / "nginx.conf") << conf;
    if (std::system(("nginx -e " + (tmp / "error.log").string() + " -c " + (tmp / "nginx.conf").string() + " 2>/dev/null")
                        .c_str()) == 0)
      return port;
  }
  return 0;
}

}  // namespace

int main() {
  sbserver_test::TempDir dir;
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  const fs::path lib = dir.path() / "lib", state = dir.path() / "state.db";
  MakeLibrary(lib);

  Server server = Start(lib, state, dir.path() / "cold.log");
  if (!server.port) return std::fprintf(stderr, "%s", ReadAll(dir.path() / "cold.log").c_str()), 1;
  std::printf("catalogue_scan_30k_s: %.2f s\n", server.startSeconds);
  httplib::Client client("127.0.0.1", server.port);
  if (!client.Get("/")) return 1;
  std::printf("catalogue_scan_peak_rss_mb: %.1f MB\n", server.scanPeakMb);
  // Once the background fill has made the page's transcodes and its codec
  // processes are gone: the server as it idles.
  if (!sbserver_test::WaitFor([&] { return FinishedTranscodes(state) >= TranscodedOnPage() && Children(server.pid).empty(); },
                              120000))
    std::fprintf(stderr, "the background fill did not end\n");
  std::printf("catalogue_rss_30k_mb: %.1f MB\n", RssMb(server.pid));

  // A new file: time from its last byte (closed) to its title on the page.
  const std::string fresh = sbserver_test::Mp3Bytes({"新来的歌", "歌手"});
  auto written = Clock::now();
  sbserver_test::WriteFile(lib / "artist7" / "fresh.mp3", fresh);
  written = Clock::now();
  bool seen = sbserver_test::WaitFor(
      [&] {
        auto res = client.Get("/");
        return res && res->body.find(songbox_server::ToGb18030("新来的歌")) != std::string::npos;
      },
      10000);
  if (seen)
    std::printf("catalogue_new_file_visible_s: %.2f s\n", std::chrono::duration<double>(Clock::now() - written).count());
  else
    std::fprintf(stderr, "the new file did not show:\n%s", ReadAll(dir.path() / "cold.log").c_str());

  {
    SlowClients slow(server.port, 100);
    // Within the head deadline (5 s), while every slow client is still there.
    std::printf("front_p99_with_slow_clients_ms: %.2f ms\n", Wrk(server.port, "-t1 -c4 -d3s").second);
  }
  std::printf("catalogue_rss_1k_idle_mb: %.1f MB\n", RssWithIdle(server, 1000));

  const auto [rps, p99] = Wrk(server.port);
  const std::string sid = client.Get("/wgns/url/1") ? "1" : "";
  std::printf("plays_lost_on_kill: %.2f s\n", PlaysLostOnKill(server, state, sid));
  if (std::system((std::string(SONGBOX_CATALOGUE) + " --library " + lib.string() + " --state " + state.string() +
                   " --export " + (dir.path() / "site").string() + " 2>/dev/null")
                      .c_str()) != 0)
    return 1;
  int nginxPort = NginxOver(dir.path() / "site", dir.path());
  const auto [nginxRps, nginxP99] = nginxPort ? Wrk(nginxPort) : std::pair<double, double>(-1, -1);
  if (nginxPort) kill(std::stoi(ReadAll(dir.path() / "nginx.pid")), SIGTERM);
  std::printf("catalogue_front_rps: %.0f requests/s\n", rps);
  std::printf("nginx_front_rps: %.0f requests/s\n", nginxRps);
  std::printf("catalogue_front_p99_ms: %.2f ms\n", p99);
  std::printf("nginx_front_p99_ms: %.2f ms\n", nginxP99);

  Server again = Start(lib, state, dir.path() / "warm.log");
  std::printf("catalogue_rescan_30k_s: %.2f s\n", again.startSeconds);
  Stop(again);
  return 0;
}
