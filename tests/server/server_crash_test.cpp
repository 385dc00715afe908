// kill -9 of the real server in the middle of a scan and in the middle of
// counting plays: the state file stays sound and loses at most the last
// second of counts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "server_test_library.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The server as its own process, its log in a file.
class ServerProcess {
 public:
  // holdAfter: the first scan stops for good once that many songs are stored.
  ServerProcess(const fs::path& lib, const fs::path& state, const fs::path& log, int holdAfter = 0) : log_(log) {
    pid_ = fork();
    if (pid_ == 0) {
      if (holdAfter) setenv("SONGBOX_CATALOGUE_HOLD_SCAN_AFTER", std::to_string(holdAfter).c_str(), 1);
      FILE* out = std::freopen(log.c_str(), "w", stderr);
      (void)out;
      execl(SONGBOX_CATALOGUE, SONGBOX_CATALOGUE, "--library", lib.c_str(), "--state", state.c_str(), "--listen",
            "127.0.0.1:0", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~ServerProcess() { Kill(); }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  // The port from the "serving … on http://127.0.0.1:PORT/" line, 0 if none yet.
  int Port() const {
    std::smatch m;
    std::string s = LogText();
    return std::regex_search(s, m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)")) ? std::stoi(m[1]) : 0;
  }
  std::string LogText() const {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  fs::path log_;
  pid_t pid_ = 0;
};

std::string Query(const fs::path& state, const char* sql) {
  sqlite3* db = nullptr;
  std::string result;
  if (sqlite3_open_v2(state.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_exec(
        db, sql,
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) += values[0] ? values[0] : "NULL";
          return 0;
        },
        &result, nullptr);
  }
  sqlite3_close(db);
  return result;
}

void MakeLibrary(const fs::path& lib, int songs) {
  for (int i = 0; i < songs; ++i)
    sbserver_test::WriteSong(lib / std::to_string(i % 20) / ("s" + std::to_string(i) + ".mp3"),
                             {"歌 " + std::to_string(i), "歌手"});
}

TEST(ServerCrash, KilledMidScanLeavesASoundDatabaseThatTheNextStartCompletes) {
  sbserver_test::TempDir dir;
  const fs::path lib = dir.path() / "lib", state = dir.path() / "state.db";
  MakeLibrary(lib, 2500);
  {
    // The scan stops after its first stored batch; the kill comes while the
    // rest is still unread.
    ServerProcess server(lib, state, dir.path() / "log1", 1);
    ASSERT_TRUE(sbserver_test::WaitFor([&] { return server.LogText().find("scan held after") != std::string::npos; }, 60000));
    const std::string stored = Query(state, "SELECT count(*) FROM songs");
    EXPECT_GT(std::stoi(stored), 0);
    EXPECT_LT(std::stoi(stored), 2500);
  }
  EXPECT_EQ(Query(state, "PRAGMA integrity_check"), "ok");
  ServerProcess again(lib, state, dir.path() / "log2");
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return again.Port() > 0; }, 60000));
  EXPECT_EQ(Query(state, "SELECT count(*) FROM songs WHERE present=1"), "2500");
  EXPECT_EQ(Query(state, "SELECT count(DISTINCT path) FROM songs"), "2500");
}

TEST(ServerCrash, KilledWhileCountingLosesAtMostTheLastSecond) {
  sbserver_test::TempDir dir;
  const fs::path lib = dir.path() / "lib", state = dir.path() / "state.db";
  MakeLibrary(lib, 3);
  ServerProcess server(lib, state, dir.path() / "log");
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return server.Port() > 0; }, 20000));
  httplib::Client client("127.0.0.1", server.Port());
  const std::string sid = Query(state, "SELECT min(id) FROM songs");
  std::vector<Clock::time_point> counted;
  const auto end = Clock::now() + std::chrono::milliseconds(2500);
  while (Clock::now() < end) {
    auto res = client.Get("/wgns/url/" + sid);
    ASSERT_TRUE(res && res->status == 200);
    counted.push_back(Clock::now());
  }
  const auto killedAt = Clock::now();
  server.Kill();
  EXPECT_EQ(Query(state, "PRAGMA integrity_check"), "ok");
  long long stored = std::stoll(Query(state, ("SELECT plays_total FROM songs WHERE id=" + sid).c_str()));
  long long olderThanASecond = std::count_if(counted.begin(), counted.end(), [&](Clock::time_point t) {
    return killedAt - t > std::chrono::milliseconds(1100);
  });
  EXPECT_GE(stored, olderThanASecond);
  EXPECT_LE(stored, static_cast<long long>(counted.size()));
  EXPECT_GT(olderThanASecond, 0);
}

}  // namespace
