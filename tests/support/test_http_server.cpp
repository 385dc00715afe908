#include "test_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cctype>

namespace sbtest {

namespace {
struct WinsockInit {
  WinsockInit() {
    WSADATA d;
    WSAStartup(MAKEWORD(2, 2), &d);
  }
};
const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}
}  // namespace

bool HttpConnection::WaitReady(bool forWrite) {
  while (!stopping_) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s_, &set);
    timeval tv{0, 100 * 1000};
    const int r = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &tv);
    if (r != 0) return r > 0;
  }
  return false;
}

bool HttpConnection::Send(std::string_view bytes) {
  if (closed_) return false;
  size_t off = 0;
  while (off < bytes.size()) {
    if (!WaitReady(true)) return false;
    int n = send(s_, bytes.data() + off, static_cast<int>(std::min<size_t>(bytes.size() - off, 1 << 16)), 0);
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    if (n <= 0) return false;
    off += static_cast<size_t>(n);
  }
  return true;
}

void HttpConnection::Respond(int status, std::string_view body, std::string_view contentType,
                             bool withContentLength, std::string_view extraHeaders) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
  head += "Content-Type: " + std::string(contentType) + "\r\n";
  if (withContentLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  head += std::string(extraHeaders);
  head += "Connection: close\r\n\r\n";
  Send(head);
  Send(body);
}

bool HttpConnection::WaitForClientClose(int maxMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(maxMs);
  char sink[4096];
  while (!closed_ && !stopping_) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s_, &readable);
    const long waitMs = static_cast<long>(std::min<ULONGLONG>(end - now, 200));
    timeval tv{waitMs / 1000, (waitMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &tv) == SOCKET_ERROR) return true;
    if (FD_ISSET(s_, &readable) && recv(s_, sink, sizeof sink, 0) <= 0) return true;
  }
  return true;
}

bool HttpConnection::ClientLeft() {
  if (closed_) return false;
  char sink[4096];
  for (;;) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s_, &readable);
    timeval none{0, 0};
    const int r = select(0, &readable, nullptr, nullptr, &none);
    if (r == SOCKET_ERROR) return true;
    if (r == 0) return false;
    const int n = recv(s_, sink, sizeof sink, 0);
    if (n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)) return true;
    if (n < 0) return false;
  }
}

void HttpConnection::Close() {
  if (closed_) return;
  closed_ = true;
  LINGER l{1, 0};  // reset instead of an orderly close: the client sees a dropped connection
  setsockopt(s_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  closesocket(s_);
}

void Gate::Open() {
  {
    std::lock_guard<std::mutex> lk(mu_);
    open_ = true;
  }
  cv_.notify_all();
}

bool Gate::Wait(HttpConnection& c) {
  for (;;) {
    {
      std::unique_lock<std::mutex> lk(mu_);
      if (cv_.wait_for(lk, std::chrono::milliseconds(20), [this] { return open_; })) return true;
    }
    if (c.stopping()) return false;
    if (c.ClientLeft()) {
      ++clientsLeft_;
      return false;
    }
  }
}

std::string BytesAt(size_t from, size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = from; i < from + n; ++i) s[i - from] = static_cast<char>((i * 131 + seed * 17 + (i >> 9)) & 0xFF);
  return s;
}

HttpHandler HeldBody(Gate& gate, size_t total, size_t heldAt, std::string extraHeaders) {
  return [&gate, total, heldAt, extraHeaders](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(total) + "\r\n" + extraHeaders +
           "Connection: close\r\n\r\n");
    constexpr size_t kPiece = 1 << 20;
    for (size_t at = 0; at < total;) {
      if (at == heldAt && !gate.Wait(c)) return;
      const size_t n = std::min({kPiece, total - at, at < heldAt ? heldAt - at : total});
      if (!c.Send(BytesAt(at, n))) return;
      at += n;
    }
  };
}

TestHttpServer::TestHttpServer() {
  static WinsockInit init;
  listen_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listen_, 64);
  int len = sizeof a;
  getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  closesocket(listen_);
  {
    std::lock_guard<std::mutex> lk(mu_);
    for (SOCKET s : open_) shutdown(s, SD_BOTH);
  }
  for (auto& w : workers_) w.join();
}

std::wstring TestHttpServer::Root() const { return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/"; }

void TestHttpServer::Route(const std::string& path, HttpHandler handler) {
  std::lock_guard<std::mutex> lk(mu_);
  routes_[path] = std::move(handler);
}

void TestHttpServer::Serve(const std::string& path, std::string body, std::string contentType) {
  Route(path, [body = std::move(body), contentType = std::move(contentType)](const HttpRequest&, HttpConnection& c) {
    c.Respond(200, body, contentType);
  });
}

std::vector<std::string> TestHttpServer::RequestedPaths() const {
  std::lock_guard<std::mutex> lk(mu_);
  return log_;
}

int TestHttpServer::CountRequests(const std::string& path) const {
  std::lock_guard<std::mutex> lk(mu_);
  return static_cast<int>(std::count(log_.begin(), log_.end(), path));
}

void TestHttpServer::ClearLog() {
  std::lock_guard<std::mutex> lk(mu_);
  log_.clear();
}

HttpHandler TestHttpServer::FindHandler(const std::string& path) const {
  std::lock_guard<std::mutex> lk(mu_);
  auto it = routes_.find(path);
  if (it != routes_.end()) return it->second;
  size_t best = 0;
  HttpHandler found;
  for (const auto& [k, h] : routes_) {
    if (!k.empty() && k.back() == '*' && path.compare(0, k.size() - 1, k, 0, k.size() - 1) == 0 &&
        k.size() > best) {
      best = k.size();
      found = h;
    }
  }
  return found;
}

void TestHttpServer::AcceptLoop() {
  HttpConnection listening(listen_, stopping_);
  while (listening.WaitReady(false)) {
    SOCKET s = accept(listen_, nullptr, nullptr);
    if (s == INVALID_SOCKET) continue;
    std::lock_guard<std::mutex> lk(mu_);
    open_.push_back(s);
    workers_.emplace_back([this, s] { HandleConnection(s); });
  }
}

void TestHttpServer::HandleConnection(SOCKET s) {
  std::string buf;
  char tmp[4096];
  // Non-blocking, so that every wait goes through WaitReady.
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  HttpConnection conn(s, stopping_);
  while (buf.find("\r\n\r\n") == std::string::npos) {
    if (!conn.WaitReady(false)) break;
    int n = recv(s, tmp, sizeof tmp, 0);
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    if (n <= 0) break;
    buf.append(tmp, static_cast<size_t>(n));
  }
  HttpRequest req;
  size_t eol = buf.find("\r\n");
  std::string line = buf.substr(0, eol);
  size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
  if (sp1 != std::string::npos && sp2 > sp1) {
    req.method = line.substr(0, sp1);
    req.path = line.substr(sp1 + 1, sp2 - sp1 - 1);
  }
  size_t pos = eol == std::string::npos ? buf.size() : eol + 2;
  while (pos < buf.size()) {
    size_t e = buf.find("\r\n", pos);
    if (e == std::string::npos || e == pos) break;
    std::string h = buf.substr(pos, e - pos);
    size_t colon = h.find(':');
    if (colon != std::string::npos) {
      std::string name = h.substr(0, colon);
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      size_t v = h.find_first_not_of(' ', colon + 1);
      req.headers[name] = v == std::string::npos ? "" : h.substr(v);
    }
    pos = e + 2;
  }
  {
    std::lock_guard<std::mutex> lk(mu_);
    log_.push_back(req.path);
  }
  if (HttpHandler h = FindHandler(req.path)) {
    h(req, conn);
  } else {
    conn.Respond(404, "<html><body>404 Not Found</body></html>");
  }
  {
    std::lock_guard<std::mutex> lk(mu_);
    open_.erase(std::remove(open_.begin(), open_.end(), s), open_.end());
  }
  if (!conn.closed()) {
    shutdown(s, SD_SEND);
    closesocket(s);
  }
}

}  // namespace sbtest
