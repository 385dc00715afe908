// kill -9 of the real server in the middle of a scan and in the middle of
// counting plays: the state file stays sound and loses at most the last
// second of counts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "server_test_library.h"

namespace {

namespace fs = std::filesystem;

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
  // Its exit status, once it has ended by itself.
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
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
  // How many plays the server says it has written, from its last flush line.
  long long WrittenPlays() const {
    std::string s = LogText();
    std::regex line(R"(plays written: \d+ \((\d+) since start\))");
    long long last = 0;
    for (std::sregex_iterator it(s.begin(), s.end(), line), end; it != end; ++it) last = std::stoll((*it)[1]);
    return last;
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
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return again.LogText().find("indexed") != std::string::npos; }, 60000));
  EXPECT_EQ(Query(state, "SELECT count(*) FROM songs WHERE present=1"), "2500");
  EXPECT_EQ(Query(state, "SELECT count(DISTINCT path) FROM songs"), "2500");
}

// The server says in its log, after every flush of about a second's plays,
// how many it has written; a kill -9 right after loses none of those.
TEST(ServerCrash, KilledWhileCountingLosesAtMostTheLastSecond) {
  sbserver_test::TempDir dir;
  const fs::path lib = dir.path() / "lib", state = dir.path() / "state.db";
  MakeLibrary(lib, 3);
  ServerProcess server(lib, state, dir.path() / "log");
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return server.LogText().find("indexed") != std::string::npos; }, 60000));
  httplib::Client client("127.0.0.1", server.Port());
  const std::string sid = Query(state, "SELECT min(id) FROM songs");
  long long answered = 0, durable = 0;
  auto play = [&] {
    for (int i = 0; i < 20; ++i) {
      auto res = client.Get("/wgns/url/" + sid);
      ASSERT_TRUE(res && res->status == 200);
      ++answered;
    }
  };
  // Each batch is written by the flusher on its own; the kill comes while
  // the last batch may still be in memory.
  for (int batch = 0; batch < 3; ++batch) {
    play();
    ASSERT_TRUE(sbserver_test::WaitFor([&] { return (durable = server.WrittenPlays()) >= answered; }, 60000))
        << "no flush within a minute";
  }
  play();
  durable = server.WrittenPlays();
  server.Kill();
  EXPECT_EQ(Query(state, "PRAGMA integrity_check"), "ok");
  long long stored = std::stoll(Query(state, ("SELECT plays_total FROM songs WHERE id=" + sid).c_str()));
  EXPECT_GE(stored, durable);
  EXPECT_LE(stored, answered);
  EXPECT_GT(durable, 0);
}

// The port is bound and the songs the state knew are served while the first
// scan is still going (held here after its first song).
TEST(ServerCrash, TheLastKnownPageIsServedBeforeTheFirstScanEnds) {
  sbserver_test::TempDir dir;
  const fs::path lib = dir.path() / "lib", state = dir.path() / "state.db";
  MakeLibrary(lib, 3);
  {
    ServerProcess first(lib, state, dir.path() / "log1");
    ASSERT_TRUE(sbserver_test::WaitFor([&] { return first.LogText().find("indexed") != std::string::npos; }, 60000));
  }
  sbserver_test::WriteSong(lib / "new" / "n1.mp3", {"新一"});
  sbserver_test::WriteSong(lib / "new" / "n2.mp3", {"新二"});
  ServerProcess again(lib, state, dir.path() / "log2", 1);
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return again.LogText().find("scan held after") != std::string::npos; }, 60000));
  auto page = httplib::Client("127.0.0.1", again.Port()).Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  for (int i = 0; i < 3; ++i)
    EXPECT_NE(page->body.find(songbox_server::ToGb18030("歌　" + std::to_string(i))), std::string::npos) << i;
}

TEST(ServerCrash, AStateFileThatIsNotOursEndsTheStartByNameAndIsKept) {
  sbserver_test::TempDir dir;
  const fs::path lib = dir.path() / "lib", state = dir.path() / "notes.txt";
  MakeLibrary(lib, 1);
  const std::string text = "a file that is not a database\n";
  sbserver_test::WriteFile(state, text);
  ServerProcess server(lib, state, dir.path() / "log");
  EXPECT_NE(server.Wait(), 0);
  EXPECT_NE(server.LogText().find(state.string()), std::string::npos) << server.LogText();
  std::ifstream in(state, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), text);
}

}  // namespace
