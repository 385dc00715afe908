// The catalogue server on a synthetic library of 30,000 small tagged MP3
// files: cold scan, restart, memory, front-page throughput and latency
// against nginx serving the same export, and how soon a new file shows.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

struct Server {
  pid_t pid = 0;
  int port = 0;
  double startSeconds = 0;  // from exec to the end of the first scan
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
  std::smatch m;
  sbserver_test::WaitFor(
      [&] {
        std::string text = ReadAll(log);
        return text.find("indexed") != std::string::npos &&
               std::regex_search(text, m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)")) && (s.port = std::stoi(m[1]));
      },
      120000);
  s.startSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  return s;
}

void Stop(Server& s) {
  kill(s.pid, SIGTERM);
  waitpid(s.pid, nullptr, 0);
}

double RssMb(pid_t pid) {
  std::smatch m;
  std::string status = ReadAll("/proc/" + std::to_string(pid) + "/status");
  return std::regex_search(status, m, std::regex(R"(VmRSS:\s+(\d+) kB)")) ? std::stod(m[1]) / 1024 : -1;
}

// wrk's requests per second and 99th percentile latency (ms) for 10 s on 64 connections.
std::pair<double, double> Wrk(int port) {
  std::string out = Capture("wrk -t2 -c64 -d10s --latency http://127.0.0.1:" + std::to_string(port) + "/ 2>&1");
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

void MakeLibrary(const fs::path& lib) {
  const auto old = fs::file_time_type::clock::now() - std::chrono::seconds(kSongs + 3600);
  for (int i = 0; i < kSongs; ++i) {
    fs::path file = lib / ("artist" + std::to_string(i % 300)) / ("song" + std::to_string(i) + ".mp3");
    sbserver_test::WriteFile(file, sbserver_test::Mp3Bytes({"歌曲 " + std::to_string(i), "歌手" + std::to_string(i % 300),
                                                            "唱片" + std::to_string(i % 17)}));
    fs::last_write_time(file, old + std::chrono::seconds(i));
  }
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

  const auto [rps, p99] = Wrk(server.port);
  Stop(server);
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
