#include "codec_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

extern char** environ;

namespace songbox_server {

namespace {
constexpr std::size_t kMaxLine = 1 << 20;  // a probe's answer holds four tag fields in hex
}  // namespace

std::string CodecProgram() {
  if (const char* set = std::getenv("SONGBOX_CODEC"); set && *set) return set;
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (ec ? std::filesystem::path("songbox-codec") : self.parent_path() / "songbox-codec").string();
}

std::optional<CodecProcess> CodecProcess::Start(const char* mode, int input) {
  // A source already at 3 would be "moved" onto itself and keep its
  // close-on-exec flag: a copy elsewhere goes there instead.
  if (input == 3) {
    int moved = ::fcntl(input, F_DUPFD_CLOEXEC, 4);
    if (moved < 0) return std::nullopt;
    auto started = Start(mode, moved);
    ::close(moved);
    return started;
  }
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, 3);
  // Only these and the log: a connection's socket left open in a child would
  // keep that connection from closing.
  posix_spawn_file_actions_addclosefrom_np(&actions, input >= 0 ? 4 : 3);
  // Its own process group, so a terminal's Ctrl-C reaches only the server,
  // which ends its children; the server's blocked and ignored signals are
  // not passed on (a child whose reader went away dies of SIGPIPE).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  const std::string program = CodecProgram();
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(mode), nullptr};
  pid_t pid = -1;
  int failed = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (failed != 0) {
    ::close(ends[0]);
    return std::nullopt;
  }
  return CodecProcess(pid, ends[0]);
}

CodecProcess::CodecProcess(CodecProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), socket_(std::exchange(other.socket_, -1)), ahead_(std::move(other.ahead_)) {}

CodecProcess& CodecProcess::operator=(CodecProcess&& other) noexcept {
  if (this != &other) {
    Close();
    pid_ = std::exchange(other.pid_, -1);
    socket_ = std::exchange(other.socket_, -1);
    ahead_ = std::move(other.ahead_);
  }
  return *this;
}

CodecProcess::~CodecProcess() { Close(); }

void CodecProcess::Kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

void CodecProcess::Close() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  if (pid_ <= 0) return;
  Kill();
  while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

bool CodecProcess::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

long CodecProcess::Receive(char* buffer, std::size_t n, std::chrono::milliseconds wait) {
  if (!ahead_.empty()) {
    n = std::min(n, ahead_.size());
    std::memcpy(buffer, ahead_.data(), n);
    ahead_.erase(0, n);
    return static_cast<long>(n);
  }
  pollfd p{socket_, POLLIN, 0};
  int ready = ::poll(&p, 1, static_cast<int>(wait.count()));
  if (ready == 0 || (ready < 0 && errno == EINTR)) return -1;
  for (;;) {
    ssize_t got = ::recv(socket_, buffer, n, 0);
    if (got < 0 && errno == EINTR) continue;
    return got > 0 ? static_cast<long>(got) : 0;
  }
}

std::optional<std::string> CodecProcess::ReceiveLine(std::chrono::milliseconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  std::string line = std::move(ahead_);
  ahead_.clear();
  for (;;) {
    if (auto end = line.find('\n'); end != std::string::npos) {
      ahead_ = line.substr(end + 1);
      line.resize(end);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0 || line.size() > kMaxLine) return std::nullopt;
    char buffer[4096];
    long got = Receive(buffer, sizeof buffer, left);
    if (got == 0) return std::nullopt;
    if (got > 0) line.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace songbox_server
