// A real loopback HTTP server for tests, running on its own threads inside the
// test process. Handlers may misbehave on purpose: send partial bodies, stall,
// drop the connection.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sbtest {

struct HttpRequest {
  std::string method;
  std::string path;  // as sent, without the host
  std::map<std::string, std::string> headers;  // names lower-cased
};

// Every wait of a connection ends once its server stops, so a client that
// neither reads nor closes never holds the server's destructor.
class HttpConnection {
 public:
  HttpConnection(SOCKET s, const std::atomic<bool>& stopping) : s_(s), stopping_(stopping) {}
  bool Send(std::string_view bytes);
  // Status line, headers, optional Content-Length, then the body.
  void Respond(int status, std::string_view body, std::string_view contentType = "text/html",
               bool withContentLength = true, std::string_view extraHeaders = {});
  void Close();  // drop the connection now
  // Waits until the client closes the connection or `maxMs` pass; true when it closed.
  bool WaitForClientClose(int maxMs);
  bool closed() const { return closed_; }
  // Waits until the socket can be read (or written), it failed, or the server stops.
  bool WaitReady(bool forWrite);
  // True once the client has closed its end (or the connection failed); looks
  // without waiting and drops whatever the client sent after its request.
  bool ClientLeft();
  bool stopping() const { return stopping_; }

 private:
  SOCKET s_;
  const std::atomic<bool>& stopping_;
  bool closed_ = false;
};

// A point a handler holds at until the test opens it, so a test acts in the
// middle of a response without timing it: "send half the body, wait, send the rest".
class Gate {
 public:
  void Open();
  // In a handler: true once opened; false when the server stops or the
  // client leaves first.
  bool Wait(HttpConnection& c);
  // How many waits ended because their client closed the connection.
  int ClientsLeft() const { return clientsLeft_; }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool open_ = false;
  std::atomic<int> clientsLeft_{0};
};

using HttpHandler = std::function<void(const HttpRequest&, HttpConnection&)>;

// Bytes [from, from + n) of one endless pattern.
std::string BytesAt(size_t from, size_t n, unsigned seed = 7);
// A response of `total` bytes whose body stops after `heldAt` of them until
// `gate` opens. Made as it is sent: the server may share the process being measured.
HttpHandler HeldBody(Gate& gate, size_t total, size_t heldAt, std::string extraHeaders = {});

class TestHttpServer {
 public:
  TestHttpServer();  // listens on 127.0.0.1, a free port
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const { return port_; }
  std::wstring Root() const;  // L"http://127.0.0.1:<port>/"

  // Exact path ("/lyrics/7") or a prefix ending in '*' ("/media/*").
  void Route(const std::string& path, HttpHandler handler);
  void Serve(const std::string& path, std::string body, std::string contentType = "text/html");

  std::vector<std::string> RequestedPaths() const;
  int CountRequests(const std::string& path) const;
  void ClearLog();

 private:
  void AcceptLoop();
  void HandleConnection(SOCKET s);
  HttpHandler FindHandler(const std::string& path) const;

  SOCKET listen_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mu_;
  std::vector<std::thread> workers_;
  std::vector<SOCKET> open_;
  std::map<std::string, HttpHandler> routes_;
  std::vector<std::string> log_;
};

}  // namespace sbtest
