// The HTTP layer under clients that misbehave: heads too large, idle and
// trickling connections, more connections than allowed, slow listeners, and
// media bodies whose source is not ready yet. The slow clients are driven by
// the test itself; bounds appear only as safety nets against a hang.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>

#include "server_test_library.h"

namespace {

namespace fs = std::filesystem;
using sbserver_test::ServedLibrary;
using sbserver_test::ServeOptions;
using sbserver_test::TempDir;

constexpr int kSafetyMs = 30000;  // against a hang only; an answer comes long before

// A raw loopback connection the test drives byte by byte.
class Raw {
 public:
  explicit Raw(int port, int receiveBuffer = 0) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    if (receiveBuffer) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~Raw() { close(fd_); }
  bool connected() const { return connected_; }
  bool Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until `until` has come (or, when empty, until the peer closes);
  // false on a close before it or after kSafetyMs.
  bool ReadUntil(const std::string& until, int ms = kSafetyMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (until.empty() || received_.find(until) == std::string::npos) {
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
      pollfd p{fd_, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, left) <= 0) return false;
      char buffer[65536];
      ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return until.empty();
      received_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  bool Closed(int ms = kSafetyMs) { return ReadUntil("", ms); }
  const std::string& received() const { return received_; }

 private:
  int fd_;
  bool connected_ = false;
  std::string received_;
};

// A media body that comes only when the test says so (reads answer "not
// yet" until the gate opens), or late: its first read answers "not yet" and
// says it is ready from another thread.
class HeldSource : public songbox_server::MediaSource {
 public:
  struct Gate {
    std::mutex mutex;
    bool open = false;
    std::vector<std::function<void()>> waiting;
    void Release() {
      std::vector<std::function<void()>> ready;
      {
        std::lock_guard lock(mutex);
        open = true;
        ready.swap(waiting);
      }
      for (auto& r : ready) r();
    }
  };
  HeldSource(std::string bytes, std::shared_ptr<Gate> gate, bool late)
      : bytes_(std::move(bytes)), gate_(std::move(gate)), late_(late) {}
  ~HeldSource() override {
    if (readier_.joinable()) readier_.join();
  }
  std::uint64_t Size() const override { return bytes_.size(); }
  std::string ContentType() const override { return "audio/mpeg"; }
  long long ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()> ready) override {
    {
      std::lock_guard lock(gate_->mutex);
      if (!gate_->open) {
        gate_->waiting.push_back(std::move(ready));
        return 0;
      }
    }
    if (late_) {
      late_ = false;
      readier_ = std::thread(std::move(ready));
      return 0;
    }
    n = std::min<std::size_t>(n, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, n);
    return static_cast<long long>(n);
  }

 private:
  std::string bytes_;
  std::shared_ptr<Gate> gate_;
  bool late_;
  std::thread readier_;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ServerHttp : public ::testing::Test {
 protected:
  void Serve(ServeOptions options = {}) {
    sbserver_test::WriteSong(dir_.path() / "lib" / "song.mp3", {"歌"}, 12000);  // about 5 MB
    served_ = std::make_unique<ServedLibrary>(dir_.path() / "lib", dir_.path() / "state.db", std::move(options));
  }
  // Media from the held source instead of the file.
  ServeOptions Held(bool late = false) {
    ServeOptions options;
    options.media = [gate = gate_, late](const std::string& file) {
      return std::make_unique<HeldSource>(ReadFile(file), gate, late);
    };
    return options;
  }
  std::string Song() { return ReadFile(dir_.path() / "lib" / "song.mp3"); }

  TempDir dir_;
  std::shared_ptr<HeldSource::Gate> gate_ = std::make_shared<HeldSource::Gate>();
  std::unique_ptr<ServedLibrary> served_;
};

TEST_F(ServerHttp, HeadsBeyondTheLimitsGet431AndTheServiceGoesOn) {
  Serve();
  std::string manyFields, oneLongField = "X-Long: " + std::string(20000, 'a') + "\r\n";
  for (int i = 0; i < 10000; ++i) manyFields += "X-" + std::to_string(i) + ": 1\r\n";
  const std::string fewButTooMany = [] {
    std::string fields;
    for (int i = 0; i < 101; ++i) fields += "X-" + std::to_string(i) + ": 1\r\n";
    return fields;
  }();
  for (const std::string& fields : {manyFields, oneLongField, fewButTooMany}) {
    Raw c(served_->port());
    ASSERT_TRUE(c.connected());
    c.Send("GET / HTTP/1.1\r\nHost: x\r\n" + fields + "\r\n");
    ASSERT_TRUE(c.ReadUntil("\r\n")) << fields.size();
    EXPECT_EQ(c.received().substr(0, 12), "HTTP/1.1 431") << fields.size();
  }
  EXPECT_EQ(served_->Get("/")->status, 200);
}

// One deadline for the whole head: bytes that keep trickling in do not
// extend it, and a keep-alive connection that goes quiet is closed too.
TEST_F(ServerHttp, IdleAndTricklingConnectionsAreClosedAtTheHeadDeadline) {
  ServeOptions options;
  options.limits.headDeadline = std::chrono::milliseconds(300);
  Serve(std::move(options));
  Raw idle(served_->port()), kept(served_->port()), trickling(served_->port());
  ASSERT_TRUE(kept.Send("GET / HTTP/1.1\r\nHost: x\r\n\r\n") && kept.ReadUntil("Data.Nlist"));
  ASSERT_TRUE(trickling.Send("GET / HTTP/1.1\r\n"));
  bool closed = false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSafetyMs);
  while (!closed && std::chrono::steady_clock::now() < end)
    closed = !trickling.Send("X") || trickling.Closed(50);
  EXPECT_TRUE(closed) << "a head that never ends";
  EXPECT_TRUE(idle.Closed());
  EXPECT_TRUE(kept.Closed());
}

TEST_F(ServerHttp, AtTheConnectionCapTheLongestWaitingIsShedAndBusyOnesKept) {
  ServeOptions options = Held();
  options.limits.maxConnections = 2;
  Serve(std::move(options));
  Raw listening(served_->port());
  ASSERT_TRUE(listening.Send("GET /media/song.mp3 HTTP/1.1\r\nHost: x\r\n\r\n") && listening.ReadUntil("\r\n\r\n"));
  Raw waiting(served_->port());
  ASSERT_TRUE(waiting.Send("GET / HTTP/1.1\r\nHost: x\r\n\r\n") && waiting.ReadUntil("Data.Nlist"));
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return served_->server().Waiting() == 1; }, kSafetyMs));

  auto page = served_->Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_TRUE(waiting.Closed());
  gate_->Release();
  const std::string song = Song();
  ASSERT_TRUE(listening.ReadUntil(song));
  EXPECT_EQ(listening.received().size() - listening.received().find("\r\n\r\n") - 4, song.size());
}

// Connections that hold the old thread-per-connection server's every worker:
// the page is answered all the same, and every listener still gets its song.
TEST_F(ServerHttp, SlowClientsCannotStallThePage) {
  ServeOptions options;
  options.limits.headDeadline = std::chrono::milliseconds(kSafetyMs * 2);  // the drippers stay for the test
  Serve(std::move(options));
  constexpr int kEach = 30;
  std::vector<std::unique_ptr<Raw>> idle, dripping, listening;
  for (int i = 0; i < kEach; ++i) {
    idle.push_back(std::make_unique<Raw>(served_->port()));
    dripping.push_back(std::make_unique<Raw>(served_->port()));
    ASSERT_TRUE(dripping.back()->Send("GET / HTTP/1.1\r\nHost: x\r\nX-Slow: "));
    listening.push_back(std::make_unique<Raw>(served_->port(), 4096));
    ASSERT_TRUE(listening.back()->Send("GET /media/song.mp3 HTTP/1.1\r\nHost: x\r\n\r\n"));
  }
  httplib::Client client("127.0.0.1", served_->port());
  client.set_read_timeout(kSafetyMs / 1000);
  auto page = client.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  const std::string song = Song();
  for (auto& l : listening) {
    ASSERT_TRUE(l->ReadUntil(song));
    EXPECT_EQ(l->received().size() - l->received().find("\r\n\r\n") - 4, song.size());
  }
}

TEST_F(ServerHttp, MediaFromASourceNotReadyYetHasExactLengthsAndRanges) {
  gate_->open = true;
  Serve(Held(true));
  const std::string song = Song();
  const std::string size = std::to_string(song.size());
  const struct {
    const char* range;
    int status;
    std::string body, contentRange;
  } cases[] = {
      {"", 200, song, ""},
      {"bytes=10-19", 206, song.substr(10, 10), "bytes 10-19/" + size},
      {"bytes=-5", 206, song.substr(song.size() - 5), "bytes " + std::to_string(song.size() - 5) + "-" +
                                                           std::to_string(song.size() - 1) + "/" + size},
      {"bytes=100-", 206, song.substr(100), "bytes 100-" + std::to_string(song.size() - 1) + "/" + size},
      {"bytes=99999999-", 416, "", "bytes */" + size},
  };
  for (const auto& c : cases) {
    auto res = served_->Get("/media/song.mp3", c.range[0] ? httplib::Headers{{"Range", c.range}} : httplib::Headers{});
    ASSERT_TRUE(res) << c.range;
    EXPECT_EQ(res->status, c.status) << c.range;
    EXPECT_EQ(res->body, c.body) << c.range;
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(c.body.size())) << c.range;
    EXPECT_EQ(res->get_header_value("Content-Range"), c.contentRange) << c.range;
  }
  httplib::Client client("127.0.0.1", served_->port());
  auto head = client.Head("/media/song.mp3");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->get_header_value("Content-Length"), size);
  EXPECT_EQ(head->get_header_value("Accept-Ranges"), "bytes");
}

}  // namespace
